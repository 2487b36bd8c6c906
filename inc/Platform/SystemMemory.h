// How much physical memory the machine has: start-up code bounds the pools a configuration asks
// for by it, so that a mistyped capacity does not exhaust the machine on every start.
#pragma once

#include <cstdint>

namespace Platform
{
	// Bytes of physical memory installed; 0 when the system does not say.
	std::uint64_t PhysicalMemoryBytes();
}
