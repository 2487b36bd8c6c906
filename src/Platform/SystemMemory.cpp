#include "Platform/SystemMemory.h"

#include <unistd.h>

namespace Platform
{
	std::uint64_t PhysicalMemoryBytes()
	{
		const long pages = sysconf(_SC_PHYS_PAGES);
		const long pageSize = sysconf(_SC_PAGESIZE);
		if (pages <= 0 || pageSize <= 0)
			return 0;
		return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
	}
}
