#include "Utilities/MemoryManager.h"

#include "Platform/VirtualMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#include <sys/resource.h>
#endif

namespace
{
	constexpr std::uint32_t kArray = MemoryManager::kArrayBit;

	std::uintptr_t Address(const void* p)
	{
		return reinterpret_cast<std::uintptr_t>(p);
	}

	// The permissions of the mapping that holds the address ("rw-p", "---p"), or "" when the
	// address is not mapped at all.
	std::string MappingOf(const void* p)
	{
		std::ifstream maps("/proc/self/maps");
		std::string line;
		while (std::getline(maps, line))
		{
			std::istringstream fields(line);
			std::uintptr_t start = 0, end = 0;
			char dash = 0;
			std::string permissions;
			fields >> std::hex >> start >> dash >> end >> permissions;
			if (Address(p) >= start && Address(p) < end)
				return permissions;
		}
		return "";
	}

	bool RequireFourKilobytePages()
	{
		return Platform::PageSize() == 4096;
	}

	void* Take(MemoryManager& manager, std::size_t size)
	{
		return manager.Allocate(size, false, __FILE__, __LINE__);
	}

	const unsigned char* RegionBase(const MemoryManager::Allocator& allocator, std::size_t index = 0)
	{
		return allocator.Source().Regions()[index].front();
	}
}

TEST(MemoryManager, BlockSizesAreWholeCellsWithRoomForTheHeader)
{
	struct Case
	{
		std::size_t request;
		std::uint32_t blockSize;
	};
	const Case cases[] = {
		{0, 16}, {5, 16}, {12, 16}, {13, 32}, {28, 32}, {29, 48}, {4092, 4096}, {4093, 4112},
		{MemoryManager::kLargestBlockSize - 4, MemoryManager::kLargestBlockSize},
		// Past 31 bits of header, or past the cell arithmetic: malloc's.
		{MemoryManager::kLargestBlockSize - 3, 0}, {std::size_t{1} << 32, 0}, {SIZE_MAX, 0}};
	for (const Case& c : cases)
		EXPECT_EQ(MemoryManager::BlockSizeFor(c.request), c.blockSize) << "request " << c.request;
}

TEST(MemoryManager, EveryBlockIsAlignedDistinctAndHeaderedUpToAPage)
{
	MemoryManager manager;
	struct Block
	{
		unsigned char* user;
		std::size_t size;
		bool isArray;
	};
	std::vector<Block> blocks;
	for (std::size_t size = 0; size <= 4096; ++size)
		for (bool isArray : {false, true})
		{
			auto* user = static_cast<unsigned char*>(manager.Allocate(size, isArray, nullptr, 0));
			ASSERT_EQ(Address(user) % 16, 0u) << "size " << size;
			std::memset(user, static_cast<int>(blocks.size() % 251), size);
			blocks.push_back({user, size, isArray});
		}
	// Filled all at once, so an overlap would have overwritten another block or a header.
	for (std::size_t index = 0; index < blocks.size(); ++index)
	{
		const Block& block = blocks[index];
		const std::uint32_t expected = MemoryManager::BlockSizeFor(block.size) | (block.isArray ? kArray : 0);
		ASSERT_EQ(MemoryManager::HeaderOf(block.user), expected) << "size " << block.size;
		ASSERT_EQ(std::count(block.user, block.user + block.size, static_cast<unsigned char>(index % 251)),
			static_cast<std::ptrdiff_t>(block.size))
			<< "size " << block.size;
	}
	for (const Block& block : blocks)
		manager.Free(block.user, block.isArray);
}

TEST(MemoryManager, UnitsAndRegionsFollowTheBlockSize)
{
	if (!RequireFourKilobytePages())
		GTEST_SKIP() << "expectations written for 4096-byte pages";
	struct Case
	{
		std::size_t request;
		std::uint32_t unitSize, regionSize, blocksPerPage;
	};
	const Case cases[] = {
		{0, 4096, 65536, 255},       // 16-byte blocks; 12 lead bytes and the last 4 stay unused
		{2028, 4096, 65536, 2},      // 2032-byte blocks
		{4076, 4096, 65536, 1},      // 4080 bytes: the largest block of a one-page unit
		{4092, 8192, 65536, 1},      // a block of exactly one page: the lead leaves no room for two
		{6000, 8192, 65536, 1},      // 6016
		{65532, 69632, 131072, 1},   // a unit of 64 KB and more: a region of the next 64 KB up
		{99996, 102400, 131072, 1}}; // 100000
	MemoryManager manager;
	for (const Case& c : cases)
	{
		void* user = Take(manager, c.request);
		const MemoryManager::Allocator* allocator = manager.FindAllocator(MemoryManager::BlockSizeFor(c.request));
		ASSERT_NE(allocator, nullptr);
		EXPECT_EQ(allocator->Source().UnitSize(), c.unitSize) << "request " << c.request;
		EXPECT_EQ(allocator->Source().RegionSize(), c.regionSize) << "request " << c.request;
		EXPECT_EQ(allocator->BlocksPerPage(), c.blocksPerPage) << "request " << c.request;
		ASSERT_EQ(allocator->Source().Regions().size(), 1u);
		EXPECT_EQ(allocator->Source().Regions()[0].size(), c.regionSize / c.unitSize);
		EXPECT_EQ(allocator->PageCount(), 1u);
		EXPECT_EQ(allocator->TotalBlocks(), c.blocksPerPage);
		manager.Free(user, false);
	}
}

TEST(MemoryManager, NewRegionCommitsItsHighestUnitAndHandsOutItsHighestBlockFirst)
{
	if (!RequireFourKilobytePages())
		GTEST_SKIP() << "expectations written for 4096-byte pages";
	MemoryManager manager;
	void* first = Take(manager, 40);
	void* second = Take(manager, 40);
	const MemoryManager::Allocator& allocator = *manager.FindAllocator(48);
	const unsigned char* highestUnit = RegionBase(allocator) + 15 * 4096;
	const std::uint32_t blocksPerPage = (4096 - 12) / 48;
	EXPECT_EQ(first, highestUnit + 16 + (blocksPerPage - 1) * 48);
	EXPECT_EQ(Address(second), Address(first) - 48);
	EXPECT_EQ(MappingOf(highestUnit), "rw-p");
	EXPECT_EQ(MappingOf(RegionBase(allocator)), "---p") << "only the unit in use is committed";
	manager.Free(first, false);
	manager.Free(second, false);
}

TEST(MemoryManager, FreeEmptyPagesReturnsEveryPageAndRegionOfAnUnusedSize)
{
	MemoryManager manager;
	std::vector<void*> blocks;
	for (int index = 0; index < 2000; ++index)
		blocks.push_back(Take(manager, 60));
	const MemoryManager::Allocator& allocator = *manager.FindAllocator(64);
	ASSERT_GT(allocator.PageCount(), 16u) << "the pool must span more than one region";
	std::vector<const unsigned char*> regionBases;
	for (std::size_t region = 0; region < allocator.Source().Regions().size(); ++region)
		regionBases.push_back(RegionBase(allocator, region));
	std::shuffle(blocks.begin(), blocks.end(), std::mt19937(7));
	for (void* block : blocks)
		manager.Free(block, false);

	// Reading the memory map allocates; when the global new is a memory manager too, a
	// first read here lets it take its pages now rather than in the range just released.
	MappingOf(nullptr);
	manager.FreeEmptyPages();
	EXPECT_EQ(allocator.PageCount(), 0u);
	EXPECT_EQ(allocator.TotalBlocks(), 0u);
	EXPECT_EQ(allocator.Source().Regions().size(), 0u);
	EXPECT_EQ(allocator.Source().FreeUnitCount(), 0u);
	for (const unsigned char* base : regionBases)
		EXPECT_EQ(MappingOf(base), "") << "region released";

	// The pool starts over in a fresh region, from its highest unit.
	void* again = Take(manager, 60);
	ASSERT_EQ(allocator.Source().Regions().size(), 1u);
	const unsigned char* highestUnit = RegionBase(allocator) + allocator.Source().RegionSize() -
		allocator.Source().UnitSize();
	EXPECT_GE(Address(again), Address(highestUnit));
	EXPECT_EQ(allocator.PageCount(), 1u);
	manager.Free(again, false);
}

TEST(MemoryManager, PageWithOneLiveBlockIsKeptAndServesNext)
{
	MemoryManager manager;
	std::vector<unsigned char*> blocks;
	for (int index = 0; index < 300; ++index)
		blocks.push_back(static_cast<unsigned char*>(Take(manager, 100)));
	const MemoryManager::Allocator& allocator = *manager.FindAllocator(112);
	const std::uint32_t blocksPerPage = allocator.BlocksPerPage();
	const std::uint32_t unitSize = allocator.Source().UnitSize();
	ASSERT_GT(allocator.PageCount(), 3u);
	unsigned char* survivor = blocks[blocks.size() / 2];
	const std::uintptr_t survivorPage = (Address(survivor) / unitSize) * unitSize;
	for (unsigned char* block : blocks)
		if (block != survivor)
			manager.Free(block, false);

	manager.FreeEmptyPages();
	EXPECT_EQ(allocator.PageCount(), 1u);
	EXPECT_EQ(allocator.TotalBlocks(), blocksPerPage);
	ASSERT_EQ(allocator.Source().Regions().size(), 1u) << "the survivor's region stays";
	for (const unsigned char* unit : allocator.Source().Regions()[0])
		EXPECT_EQ(MappingOf(unit), Address(unit) == survivorPage ? "rw-p" : "---p") << "only the kept page is committed";

	// The kept page's free blocks lead the free list, so they all come back before a new page.
	std::vector<void*> refill;
	for (std::uint32_t index = 0; index + 1 < blocksPerPage; ++index)
	{
		refill.push_back(Take(manager, 100));
		EXPECT_EQ(Address(refill.back()) / unitSize * unitSize, survivorPage);
	}
	EXPECT_EQ(allocator.PageCount(), 1u);
	for (void* block : refill)
		manager.Free(block, false);
	manager.Free(survivor, false);
	// Reading the memory map allocates; when the global new is a memory manager too, a
	// first read here lets it take its pages now rather than in the range just released.
	MappingOf(nullptr);
	manager.FreeEmptyPages();
	EXPECT_EQ(allocator.PageCount(), 0u);
}

TEST(MemoryManager, FallbackBlocksComeFromMalloc)
{
	MemoryManager manager;
	// Past the 31 bits of a header: malloc's, marked with the header 1.
	const std::size_t huge = std::size_t{1} << 31;
	auto* user = static_cast<unsigned char*>(manager.Allocate(huge, true, nullptr, 0));
	EXPECT_EQ(Address(user) % 16, 0u);
	EXPECT_EQ(MemoryManager::HeaderOf(user), MemoryManager::kFallbackHeader);
	user[0] = 1;
	user[huge - 1] = 2;
	manager.Free(user, true);

	try
	{
		manager.Allocate(SIZE_MAX - 8, false, nullptr, 0);
		ADD_FAILURE() << "an impossible size was granted";
	}
	catch (const tw::memory_exception& exception)
	{
		EXPECT_STREQ(exception.what(), "Not enough memory");
		EXPECT_EQ(exception.code(), 0);
	}
}

TEST(MemoryManager, FreeingNullDoesNothingAndAnUnknownSizeAborts)
{
	MemoryManager manager;
	manager.Free(nullptr, false);
	manager.Free(nullptr, true);
	// A header naming a block size the manager never pooled.
	alignas(16) static unsigned char forged[32];
	const std::uint32_t header = 48;
	std::memcpy(forged + 12, &header, sizeof header);
	EXPECT_DEATH(manager.Free(forged + 16, false), "Address not on a page\\.");
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
namespace
{
	// From here on no mapping can grow: the next region reservation fails.
	void FreezeAddressSpace()
	{
		std::ifstream statm("/proc/self/statm");
		std::size_t pages = 0;
		statm >> pages;
		const rlim_t bytes = pages * Platform::PageSize();
		const rlimit limit{bytes, bytes};
		if (setrlimit(RLIMIT_AS, &limit) != 0)
			std::_Exit(3);
	}

	void ExpectOrExit(bool condition, const char* what)
	{
		if (!condition)
		{
			std::fprintf(stderr, "failed: %s\n", what);
			std::_Exit(1);
		}
	}

	void ExhaustAddressSpace()
	{
		MemoryManager manager;
		// A pool holding one empty page, which the starved allocation below must give back.
		manager.Free(Take(manager, 100), false);
		std::free(std::malloc(1 << 16)); // leaves malloc room in its heap for the fallback
		FreezeAddressSpace();

		void* pooled = Take(manager, 200);
		ExpectOrExit(MemoryManager::HeaderOf(pooled) == 208, "a pooled block after giving back empty pages");
		ExpectOrExit(manager.FindAllocator(112)->PageCount() == 0, "the other pool's page given back");

		void* fallback = Take(manager, 300);
		ExpectOrExit(MemoryManager::HeaderOf(fallback) == MemoryManager::kFallbackHeader, "a malloc block");
		manager.Free(fallback, false);

		try
		{
			Take(manager, 1 << 20);
			ExpectOrExit(false, "a megabyte without address space");
		}
		catch (const tw::memory_exception& exception)
		{
			ExpectOrExit(std::strcmp(exception.what(), "Not enough memory") == 0 && exception.code() == 0,
				"Not enough memory, code 0");
		}
		manager.Free(pooled, false);
		std::_Exit(0);
	}
}

// Address-space limits and the sanitizers' shadow memory do not mix.
TEST(MemoryManager, OutOfMemoryGivesBackEmptyPagesThenFallsBackToMalloc)
{
	EXPECT_EXIT(ExhaustAddressSpace(), ::testing::ExitedWithCode(0), "");
}
#endif

namespace
{
	struct Heap
	{
		virtual ~Heap() = default;
		virtual unsigned char* Allocate(std::size_t size, bool isArray) = 0;
		virtual void Free(unsigned char* p, bool isArray) = 0;
	};

	struct InstanceHeap : Heap
	{
		MemoryManager manager;
		unsigned char* Allocate(std::size_t size, bool isArray) override
		{
			return static_cast<unsigned char*>(manager.Allocate(size, isArray, nullptr, 0));
		}
		void Free(unsigned char* p, bool isArray) override { manager.Free(p, isArray); }
	};

	struct GlobalHeap : Heap
	{
		unsigned char* Allocate(std::size_t size, bool isArray) override
		{
			return isArray ? new unsigned char[size] : static_cast<unsigned char*>(::operator new(size));
		}
		void Free(unsigned char* p, bool isArray) override
		{
			if (isArray)
				delete[] p;
			else
				::operator delete(p);
		}
	};

	// Mixed allocations and frees with every block's bytes checked before it goes; returns
	// the number of corrupted blocks met.
	int Churn(Heap& heap, unsigned seed, int operations)
	{
		struct Live
		{
			unsigned char* p = nullptr;
			std::size_t size = 0;
			bool isArray = false;
			unsigned char fill = 0;
		};
		std::mt19937 random(seed);
		std::vector<Live> slots(256);
		int corrupted = 0;
		auto release = [&](Live& live) {
			if (std::count(live.p, live.p + live.size, live.fill) != static_cast<std::ptrdiff_t>(live.size))
				++corrupted;
			heap.Free(live.p, live.isArray);
			live.p = nullptr;
		};
		for (int operation = 0; operation < operations; ++operation)
		{
			Live& live = slots[random() % slots.size()];
			if (live.p)
			{
				release(live);
				continue;
			}
			live.size = random() % 4 == 0 ? random() % 2048 : random() % 160;
			live.isArray = random() % 2 == 0;
			live.fill = static_cast<unsigned char>(random());
			live.p = heap.Allocate(live.size, live.isArray);
			std::memset(live.p, live.fill, live.size);
		}
		for (Live& live : slots)
			if (live.p)
				release(live);
		return corrupted;
	}

	int ChurnOnThreads(Heap& heap)
	{
		constexpr int kThreads = 8;
		constexpr int kOperations = 200000;
		std::vector<int> corrupted(kThreads);
		std::vector<std::thread> threads;
		for (int thread = 0; thread < kThreads; ++thread)
			threads.emplace_back([&, thread] { corrupted[thread] = Churn(heap, 1000 + thread, kOperations); });
		for (std::thread& thread : threads)
			thread.join();
		return std::accumulate(corrupted.begin(), corrupted.end(), 0);
	}
}

TEST(MemoryManager, ThreadsShareAnInstanceWithoutCorruption)
{
	InstanceHeap heap;
	EXPECT_EQ(ChurnOnThreads(heap), 0);
	// Every block came back: no page can still be in use.
	heap.manager.FreeEmptyPages();
	for (std::uint32_t blockSize = 16; blockSize <= MemoryManager::BlockSizeFor(2047); blockSize += 16)
	{
		const MemoryManager::Allocator* allocator = heap.manager.FindAllocator(blockSize);
		EXPECT_EQ(allocator ? allocator->PageCount() : 0u, 0u) << "block size " << blockSize;
	}
}

TEST(MemoryManager, ThreadsShareTheGlobalNewWithoutCorruption)
{
#if defined(TW_GLOBAL_NEW_IS_MEMORY_MANAGER)
	auto* single = new int(5);
	auto* array = new int[3];
	EXPECT_EQ(MemoryManager::HeaderOf(single), 16u);
	EXPECT_EQ(MemoryManager::HeaderOf(array), 16u | kArray);
	delete single;
	delete[] array;
	GlobalHeap heap;
	EXPECT_EQ(ChurnOnThreads(heap), 0);
#else
	GTEST_SKIP() << "this build leaves new and delete to the system allocator";
#endif
}
