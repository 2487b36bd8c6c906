// SuperFastHash: Paul Hsieh's string hash, the hash of every table keyed by text. Kept exactly as
// published (16-bit reads low byte first, tail bytes as signed characters) so hashes stay stable.
#pragma once

#include <cstdint>

namespace tw
{
	// A null pointer or a zero length hashes to 0.
	std::uint32_t SuperFastHash(const char* data, std::uint32_t length);
}
