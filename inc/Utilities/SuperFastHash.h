// SuperFastHash: Paul Hsieh's string hash, the hash of every table keyed by text. Kept exactly as
// published (16-bit reads low byte first, tail bytes as signed characters) so hashes stay stable.
// Inline because every lookup by name runs it.
#pragma once

#include <cstdint>

namespace tw
{
	namespace detail
	{
		inline std::uint32_t Read16(const char* data)
		{
			const auto* bytes = reinterpret_cast<const unsigned char*>(data);
			return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8);
		}

		// The tail bytes enter the hash sign-extended, as the published code reads them.
		inline std::uint32_t SignedByte(char byte)
		{
			return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(byte)));
		}
	}

	// A null pointer or a zero length hashes to 0.
	inline std::uint32_t SuperFastHash(const char* data, std::uint32_t length)
	{
		if (data == nullptr || length == 0)
			return 0;

		std::uint32_t hash = length;
		const std::uint32_t tailBytes = length & 3u;
		for (std::uint32_t blocks = length >> 2; blocks > 0; --blocks)
		{
			hash += detail::Read16(data);
			const std::uint32_t mixed = (detail::Read16(data + 2) << 11) ^ hash;
			hash = (hash << 16) ^ mixed;
			data += 4;
			hash += hash >> 11;
		}

		switch (tailBytes)
		{
		case 3:
			hash += detail::Read16(data);
			hash ^= hash << 16;
			hash ^= detail::SignedByte(data[2]) << 18;
			hash += hash >> 11;
			break;
		case 2:
			hash += detail::Read16(data);
			hash ^= hash << 11;
			hash += hash >> 17;
			break;
		case 1:
			hash += detail::SignedByte(data[0]);
			hash ^= hash << 10;
			hash += hash >> 1;
			break;
		default:
			break;
		}

		// Final avalanche of the last bits.
		hash ^= hash << 3;
		hash += hash >> 5;
		hash ^= hash << 4;
		hash += hash >> 17;
		hash ^= hash << 25;
		hash += hash >> 6;
		return hash;
	}
}
