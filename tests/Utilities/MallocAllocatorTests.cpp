#include "Utilities/MallocAllocator.h"

#include "Utilities/HashMap.h"
#include "Utilities/UnorderedVector.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace
{
	std::size_t outstandingBytes = 0;

	// Passes everything to malloc_allocator and keeps count, so a test can see that a container
	// takes all of its memory from the allocator it is given.
	template <class T>
	struct CountingAllocator : tw::malloc_allocator<T>
	{
		using value_type = T;
		template <class U>
		struct rebind
		{
			using other = CountingAllocator<U>;
		};

		CountingAllocator() = default;
		template <class U>
		CountingAllocator(const CountingAllocator<U>&) {}
		T* allocate(std::size_t count)
		{
			outstandingBytes += count * sizeof(T);
			return tw::malloc_allocator<T>::allocate(count);
		}
		void deallocate(T* memory, std::size_t count)
		{
			outstandingBytes -= count * sizeof(T);
			tw::malloc_allocator<T>::deallocate(memory, count);
		}
	};
}

TEST(MallocAllocator, PairsWithMallocAndFreeAndRefusesSizesPastTheAddressSpace)
{
	// Under the sanitizers a block from new released with free (or the reverse) is reported.
	tw::malloc_allocator<std::uint64_t> allocator;
	std::uint64_t* block = allocator.allocate(16);
	block[15] = 1;
	std::free(block);
	allocator.deallocate(static_cast<std::uint64_t*>(std::malloc(sizeof(std::uint64_t))), 1);
	allocator.deallocate(allocator.allocate(0), 0);
	// count * sizeof(T) would wrap around to a small request.
	EXPECT_THROW(allocator.allocate(std::size_t(-1) / 4), std::bad_array_new_length);
}

TEST(MallocAllocator, ContainersTakeAllTheirMemoryFromIt)
{
	outstandingBytes = 0;
	{
		tw::hash_map<unsigned, unsigned, tw::ext::hash<unsigned>, std::equal_to<unsigned>,
			CountingAllocator<tw::hash_slot<std::pair<unsigned, unsigned>>>>
			table;
		for (unsigned key = 0; key < 100; ++key)
			table[key] = key;
		// Slots and their tags, 197 of each after the rebuilds.
		EXPECT_EQ(outstandingBytes, 197 * (sizeof(tw::hash_slot<std::pair<const unsigned, unsigned>>) + 1));
		tw::unordered_vector<unsigned char*, CountingAllocator<unsigned char*>> pages;
		pages.push_back(nullptr);
		EXPECT_EQ(outstandingBytes, 197 * (sizeof(tw::hash_slot<std::pair<const unsigned, unsigned>>) + 1) + sizeof(unsigned char*));
	}
	EXPECT_EQ(outstandingBytes, 0u);
}
