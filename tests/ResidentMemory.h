// How much of the process lies in memory now, as the memory-growth checks measure it.
#pragma once

#include <fstream>

#include <unistd.h>

namespace test
{
	inline long ResidentKilobytes()
	{
		long pages = 0;
		long resident = 0;
		std::ifstream("/proc/self/statm") >> pages >> resident;
		return resident * (sysconf(_SC_PAGESIZE) / 1024);
	}
}
