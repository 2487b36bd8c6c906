#include "Utilities/MemoryManager.h"

#include "Platform/VirtualMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// gcc names the sanitizers with macros, clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TW_SANITIZED
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TW_SANITIZED
#endif
#endif

#if !defined(TW_SANITIZED)
#include <malloc.h>
#include <sys/resource.h>
#endif

namespace
{
	std::uintptr_t Address(const void* p)
	{
		return reinterpret_cast<std::uintptr_t>(p);
	}

	// The permissions of the mapping that holds the address ("rw-p", "---p"), or "" when unmapped.
	std::string MappingOf(const void* p)
	{
		std::ifstream maps("/proc/self/maps");
		std::string line, permissions;
		std::uintptr_t start = 0, end = 0;
		char dash = 0;
		while (std::getline(maps, line))
			if (std::istringstream{line} >> std::hex >> start >> dash >> end >> permissions; Address(p) >= start && Address(p) < end)
				return permissions;
		return "";
	}

	// Reading the memory map allocates; when the global new is a memory manager too, a first read
	// lets it take its pages now rather than in a range a test is about to release.
	void FreeEmptyPagesAfterMapRead(MemoryManager& manager)
	{
		MappingOf(nullptr);
		manager.FreeEmptyPages();
	}

	void* Take(MemoryManager& manager, std::size_t size)
	{
		return manager.Allocate(size, false, __FILE__, __LINE__);
	}
}

TEST(MemoryManager, EveryBlockIsAlignedDistinctAndHeaderedUpToAPage)
{
	MemoryManager manager;
	std::vector<std::pair<unsigned char*, std::size_t>> blocks; // odd positions hold arrays
	for (std::size_t size = 0; size <= 4096; ++size)
		for (bool isArray : {false, true})
		{
			auto* user = static_cast<unsigned char*>(manager.Allocate(size, isArray, nullptr, 0));
			ASSERT_EQ(Address(user) % 16, 0u) << "size " << size;
			std::memset(user, static_cast<int>(blocks.size() % 251), size);
			blocks.emplace_back(user, size);
		}
	// Filled all at once, so an overlap would have overwritten another block or a header.
	for (std::size_t index = 0; index < blocks.size(); ++index)
	{
		const auto [user, size] = blocks[index];
		ASSERT_EQ(MemoryManager::HeaderOf(user), MemoryManager::BlockSizeFor(size) | (index % 2 ? MemoryManager::kArrayBit : 0));
		ASSERT_EQ(std::count(user, user + size, static_cast<unsigned char>(index % 251)), static_cast<std::ptrdiff_t>(size));
		manager.Free(user, index % 2);
	}
}

TEST(MemoryManager, FreeEmptyPagesReturnsEveryPageAndRegionOfAnUnusedSize)
{
	MemoryManager manager;
	std::vector<void*> blocks(2000);
	for (void*& block : blocks)
		block = Take(manager, 60);
	const MemoryManager::Allocator& allocator = *manager.FindAllocator(64);
	const MemoryManager::PageSource& source = allocator.Source();
	ASSERT_GT(source.Regions().size(), 1u);
	std::vector<const unsigned char*> regionBases;
	for (const auto& region : source.Regions())
		regionBases.push_back(region.front());
	std::shuffle(blocks.begin(), blocks.end(), std::mt19937(7));
	for (void* block : blocks)
		manager.Free(block, false);

	FreeEmptyPagesAfterMapRead(manager);
	EXPECT_TRUE(allocator.PageCount() == 0 && allocator.TotalBlocks() == 0 && source.Regions().empty() && source.FreeUnitCount() == 0);
	for (const unsigned char* base : regionBases)
		EXPECT_EQ(MappingOf(base), "") << "region released";

	// The pool starts over in a fresh region, from its highest unit.
	void* again = Take(manager, 60);
	ASSERT_EQ(source.Regions().size(), 1u);
	EXPECT_GE(Address(again), Address(source.Regions()[0].front() + source.RegionSize() - source.UnitSize()));
	manager.Free(again, false);
}

TEST(MemoryManager, PageWithALiveBlockIsKept)
{
	MemoryManager manager;
	std::vector<void*> blocks(300);
	for (void*& block : blocks)
		block = Take(manager, 100);
	const MemoryManager::Allocator& allocator = *manager.FindAllocator(112);
	const std::uint32_t unitSize = allocator.Source().UnitSize();
	void* survivor = blocks[blocks.size() / 2];
	for (void* block : blocks)
		if (block != survivor)
			manager.Free(block, false);

	manager.FreeEmptyPages();
	EXPECT_EQ(allocator.PageCount(), 1u);
	EXPECT_EQ(allocator.TotalBlocks(), allocator.BlocksPerPage());
	ASSERT_EQ(allocator.Source().Regions().size(), 1u) << "the survivor's region stays";
	for (const unsigned char* unit : allocator.Source().Regions()[0])
		EXPECT_EQ(MappingOf(unit), Address(unit) == Address(survivor) / unitSize * unitSize ? "rw-p" : "---p");
	manager.Free(survivor, false);
	FreeEmptyPagesAfterMapRead(manager);
	EXPECT_EQ(allocator.PageCount(), 0u);
}

namespace
{
	// The page release as a page-by-page walk of the free list (head first): each page's free
	// blocks are unlinked onto a side chain; a page whose chain holds all its blocks goes (the
	// last page takes its place and is examined next), otherwise the chain returns to the front.
	std::vector<std::uintptr_t> ReleaseByWalkingThePages(std::vector<std::uintptr_t> pages, std::vector<std::uintptr_t> freeList,
		std::size_t blocksPerPage, std::uintptr_t unitSize)
	{
		for (std::size_t index = 0; index < pages.size();)
		{
			std::vector<std::uintptr_t> sideChain, rest;
			for (std::uintptr_t block : freeList)
				(block - pages[index] < unitSize && sideChain.size() < blocksPerPage ? sideChain : rest).push_back(block);
			if (sideChain.size() == blocksPerPage)
			{
				pages[index] = pages.back();
				pages.pop_back();
				freeList = rest;
				continue;
			}
			std::reverse(sideChain.begin(), sideChain.end());
			sideChain.insert(sideChain.end(), rest.begin(), rest.end());
			freeList = sideChain;
			++index;
		}
		return freeList;
	}
}

TEST(MemoryManager, ReleasingEmptyPagesKeepsLiveBlocksAndLeavesTheFreeListAsAPageByPageWalkWould)
{
	// Which blocks of each page are freed; a page of one block loses it to "every other" too.
	enum Freed { EveryOther, All, AllButOne, None };
	constexpr Freed kPagePlan[] = {EveryOther, All, AllButOne, None, All, EveryOther, EveryOther};
	constexpr std::size_t kPages = std::size(kPagePlan);
	for (std::size_t size : {8, 100, 1000, 5000})
	{
		MemoryManager manager;
		manager.Free(Take(manager, size), false);
		manager.FreeEmptyPages();
		const std::uint32_t blockSize = MemoryManager::BlockSizeFor(size);
		const MemoryManager::Allocator& allocator = *manager.FindAllocator(blockSize);
		const std::size_t blocksPerPage = allocator.BlocksPerPage();
		const auto pageOf = [](const void* block) { return Address(block) / Platform::PageSize() * Platform::PageSize(); };
		std::vector<unsigned char*> blocks(kPages * blocksPerPage);
		std::vector<std::uintptr_t> pages; // in the order the pool took them
		for (unsigned char*& block : blocks)
			if (block = static_cast<unsigned char*>(Take(manager, size)); std::find(pages.begin(), pages.end(), pageOf(block)) == pages.end())
				pages.push_back(pageOf(block));
		ASSERT_EQ(pages.size(), kPages);

		std::vector<unsigned char*> doomed, live;
		std::size_t emptied = 0;
		for (unsigned char* block : blocks)
		{
			const Freed plan = kPagePlan[std::find(pages.begin(), pages.end(), pageOf(block)) - pages.begin()];
			const std::size_t slot = (Address(block) - pageOf(block) - MemoryManager::kCellBytes) / blockSize;
			const bool goes = plan == All || (plan == AllButOne && slot != 0) || (plan == EveryOther && slot % 2 == 0);
			(goes ? doomed : live).push_back(block);
		}
		for (Freed plan : kPagePlan)
			emptied += plan == All || (plan == EveryOther && blocksPerPage == 1);
		for (unsigned char* block : live)
			std::memset(block, static_cast<int>(Address(block) % 251), size);
		std::shuffle(doomed.begin(), doomed.end(), std::mt19937(11));
		std::vector<std::uintptr_t> freeList;
		for (unsigned char* block : doomed)
		{
			manager.Free(block, false);
			freeList.insert(freeList.begin(), Address(block));
		}
		const std::vector<std::uintptr_t> expected = ReleaseByWalkingThePages(pages, freeList, blocksPerPage, allocator.Source().UnitSize());

		manager.FreeEmptyPages();
		ASSERT_EQ(allocator.PageCount(), kPages - emptied) << "size " << size;
		EXPECT_EQ(allocator.TotalBlocks(), allocator.PageCount() * blocksPerPage);
		std::vector<std::uintptr_t> taken;
		for (std::size_t index = 0; index < expected.size(); ++index)
		{
			taken.push_back(Address(Take(manager, size)));
			EXPECT_EQ(MappingOf(reinterpret_cast<void*>(taken.back())), "rw-p");
		}
		EXPECT_EQ(taken, expected) << "size " << size;
		EXPECT_EQ(allocator.PageCount(), kPages - emptied) << "the free blocks were enough";
		// One more needs a new page; no block handed out overlaps a live one.
		taken.push_back(Address(Take(manager, size)));
		for (unsigned char* block : live)
		{
			EXPECT_EQ(std::count(block, block + size, static_cast<unsigned char>(Address(block) % 251)), static_cast<std::ptrdiff_t>(size));
			EXPECT_EQ(std::count(taken.begin(), taken.end(), Address(block)), 0);
		}
		std::sort(taken.begin(), taken.end());
		EXPECT_EQ(std::adjacent_find(taken.begin(), taken.end()), taken.end());
	}
}

TEST(MemoryManager, FallbackBlocksComeFromMallocAndImpossibleSizesThrow)
{
	MemoryManager manager;
	// Past the 31 bits of a header: malloc's, marked with the header 1.
	const std::size_t huge = std::size_t{1} << 31;
	auto* user = static_cast<unsigned char*>(manager.Allocate(huge, true, nullptr, 0));
	EXPECT_EQ(Address(user) % 16, 0u);
	EXPECT_EQ(MemoryManager::HeaderOf(user), MemoryManager::kFallbackHeader);
	user[0] = user[huge - 1] = 1;
	manager.Free(user, true);
	EXPECT_THROW(manager.Allocate(SIZE_MAX - 8, false, nullptr, 0), tw::memory_exception);
}

TEST(MemoryManager, FreeingNullDoesNothingAndAnUnknownSizeAborts)
{
	MemoryManager manager;
	manager.Free(nullptr, false);
	// A header naming a block size the manager never pooled.
	alignas(16) static unsigned char forged[32];
	const std::uint32_t header = 48;
	std::memcpy(forged + 12, &header, sizeof header);
	EXPECT_DEATH(manager.Free(forged + 16, false), "Address not on a page\\.");
}

#if !defined(TW_SANITIZED)
namespace
{
	// Exits with the number of the first check that fails, or 0.
	void ExhaustAddressSpace()
	{
		const auto check = [](bool condition, int code) { if (!condition) std::_Exit(code); };
		MemoryManager manager;
		// A pool holding one empty page, which the starved allocation below must give back.
		manager.Free(Take(manager, 100), false);
		// Leaves malloc room in its heap for the fallback, which it must not trim away; the
		// volatile keeps the compiler from dropping the pair.
		mallopt(M_TRIM_THRESHOLD, 1 << 30);
		void* volatile room = std::malloc(1 << 16);
		std::free(room);
		// From here on no mapping can grow: the next region reservation fails.
		std::ifstream statm("/proc/self/statm");
		std::size_t pages = 0;
		statm >> pages;
		const rlimit limit{pages * Platform::PageSize(), pages * Platform::PageSize()};
		check(setrlimit(RLIMIT_AS, &limit) == 0, 1);

		void* pooled = Take(manager, 200);
		check(MemoryManager::HeaderOf(pooled) == 208, 2); // a pooled block after giving back empty pages
		check(manager.FindAllocator(112)->PageCount() == 0, 3);
		void* fallback = Take(manager, 300);
		check(MemoryManager::HeaderOf(fallback) == MemoryManager::kFallbackHeader, 4);
		manager.Free(fallback, false);
		try
		{
			Take(manager, std::size_t{1} << 30);
			check(false, 5); // a gigabyte without address space, more than malloc's heap can hold
		}
		catch (const tw::memory_exception& exception)
		{
			check(std::strcmp(exception.what(), "Not enough memory") == 0 && exception.code() == 0, 6);
		}
		manager.Free(pooled, false);
		std::_Exit(0);
	}
}

// Address-space limits and the sanitizers' shadow memory do not mix. The child starts this
// program anew, so that what earlier tests left in malloc's heap cannot serve the fallback.
TEST(MemoryManager, OutOfMemoryGivesBackEmptyPagesThenFallsBackToMalloc)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(ExhaustAddressSpace(), ::testing::ExitedWithCode(0), "");
}
#endif

namespace
{
	// 200,000 mixed allocations and frees on each of 8 threads, every block's bytes checked before
	// it goes; returns the number of corrupted blocks met.
	template <class Allocate, class Free>
	int ChurnOnThreads(Allocate allocate, Free free)
	{
		std::atomic<int> corrupted = 0;
		std::vector<std::thread> threads;
		for (unsigned seed = 1000; seed < 1008; ++seed)
			threads.emplace_back([&, seed] {
				struct Live
				{
					unsigned char* p;
					std::size_t size;
					bool isArray;
					unsigned char fill;
				};
				std::mt19937 random(seed);
				std::vector<Live> slots(256, Live{});
				const auto release = [&](Live& live) {
					corrupted += std::count(live.p, live.p + live.size, live.fill) != static_cast<std::ptrdiff_t>(live.size);
					free(std::exchange(live.p, nullptr), live.isArray);
				};
				for (int operation = 0; operation < 200000; ++operation)
				{
					if (Live& live = slots[random() % slots.size()]; live.p)
						release(live);
					else
					{
						live = {nullptr, random() % 4 == 0 ? random() % 2048 : random() % 160, random() % 2 == 0, static_cast<unsigned char>(random())};
						std::memset(live.p = allocate(live.size, live.isArray), live.fill, live.size);
					}
				}
				for (Live& live : slots)
					if (live.p)
						release(live);
			});
		for (std::thread& thread : threads)
			thread.join();
		return corrupted;
	}
}

TEST(MemoryManager, ThreadsShareAnInstanceWithoutCorruption)
{
	MemoryManager manager;
	EXPECT_EQ(ChurnOnThreads([&](std::size_t size, bool isArray) { return static_cast<unsigned char*>(manager.Allocate(size, isArray, nullptr, 0)); },
				  [&](unsigned char* p, bool isArray) { manager.Free(p, isArray); }),
		0);
	// Every block came back: no page can still be in use.
	manager.FreeEmptyPages();
	for (std::uint32_t blockSize = 16; blockSize <= MemoryManager::BlockSizeFor(2047); blockSize += 16)
	{
		const MemoryManager::Allocator* allocator = manager.FindAllocator(blockSize);
		EXPECT_EQ(allocator ? allocator->PageCount() : 0u, 0u) << "block size " << blockSize;
	}
}

TEST(MemoryManager, ThreadsShareTheGlobalNewWithoutCorruption)
{
#if defined(TW_GLOBAL_NEW_IS_MEMORY_MANAGER)
	auto* single = new int(5);
	auto* array = new int[3];
	EXPECT_EQ(MemoryManager::HeaderOf(single), 16u);
	EXPECT_EQ(MemoryManager::HeaderOf(array), 16u | MemoryManager::kArrayBit);
	delete single;
	delete[] array;
	EXPECT_EQ(ChurnOnThreads([](std::size_t size, bool isArray) { return isArray ? new unsigned char[size] : static_cast<unsigned char*>(::operator new(size)); },
				  [](unsigned char* p, bool isArray) { isArray ? delete[] p : ::operator delete(p); }),
		0);
#else
	GTEST_SKIP() << "this build leaves new and delete to the system allocator";
#endif
}
