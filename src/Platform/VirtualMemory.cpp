#include "Platform/VirtualMemory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace Platform
{
	std::size_t PageSize()
	{
		static const std::size_t pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
		return pageSize;
	}

	void* ReserveAddressSpace(std::size_t size)
	{
		void* address = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
		return address == MAP_FAILED ? nullptr : address;
	}

	bool CommitPages(void* address, std::size_t size)
	{
		return mprotect(address, size, PROT_READ | PROT_WRITE) == 0;
	}

	void DecommitPages(void* address, std::size_t size)
	{
		// A fresh anonymous mapping over the range drops its pages at once and leaves it reserved.
		mmap(address, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
	}

	void ReleaseAddressSpace(void* address, std::size_t size)
	{
		munmap(address, size);
	}

	void TrimSystemHeap()
	{
		malloc_trim(0);
	}
}
