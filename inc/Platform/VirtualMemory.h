// Address-space reservation and page commitment for the memory manager's page sources.
// Reserved ranges are inaccessible until committed; decommitting returns the physical memory
// but keeps the range reserved.
#pragma once

#include <cstddef>

namespace Platform
{
	// The system page size in bytes.
	std::size_t PageSize();

	// Reserves an inaccessible range; null when the address space is exhausted.
	void* ReserveAddressSpace(std::size_t size);
	// Makes a reserved range readable and writable; false on failure.
	bool CommitPages(void* address, std::size_t size);
	// Gives the range's memory back to the system and makes it inaccessible again.
	void DecommitPages(void* address, std::size_t size);
	// Releases a whole range obtained from ReserveAddressSpace.
	void ReleaseAddressSpace(void* address, std::size_t size);
	// Gives the system allocator's free pages back to the system, those between blocks still in
	// use too (the driver's and the libraries' memory does not go through the memory manager).
	void TrimSystemHeap();
}
