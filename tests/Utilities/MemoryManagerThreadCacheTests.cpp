#include "Utilities/MemoryManagerThreadCache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <semaphore>
#include <thread>
#include <vector>

namespace
{
	struct Block
	{
		unsigned char* p;
		std::size_t size;
		unsigned char fill;

		bool Intact() const { return std::count(p, p + size, fill) == static_cast<std::ptrdiff_t>(size); }
	};

	Block Fill(MemoryManager& manager, std::size_t size, unsigned char fill)
	{
		auto* p = static_cast<unsigned char*>(manager.Allocate(size, false, __FILE__, __LINE__));
		std::memset(p, fill, size);
		return {p, size, fill};
	}

	std::uint32_t PagesOf(const MemoryManager& manager, std::size_t size)
	{
		const MemoryManager::Allocator* allocator = manager.FindAllocator(MemoryManager::BlockSizeFor(size));
		return allocator ? allocator->PageCount() : 0;
	}

	// Cached sizes and one past the cached range.
	constexpr std::size_t kSizes[] = {0, 24, 100, 1000, 4092, 5000};
}

TEST(MemoryManagerThreadCache, EightThreadsTradingBlocksForTwoSecondsKeepEveryByteAndGiveEveryPageBack)
{
	MemoryManager manager;
	std::mutex exchangeLock;
	std::vector<Block> exchange;
	std::atomic<int> corrupted = 0;
	const auto release = [&](const Block& block) {
		corrupted += !block.Intact();
		manager.Free(block.p, false);
	};
	const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
	std::vector<std::thread> threads;
	for (unsigned self = 0; self < 8; ++self)
		threads.emplace_back([&, self] {
			// Thread 0 hands on none of its blocks and thread 7 most; each frees all but 200 of
			// what it kept and took from the others, so some mostly allocate and others mostly free.
			std::mt19937 random(self);
			std::vector<Block> own, taken;
			while (std::chrono::steady_clock::now() < deadline)
			{
				for (int operation = 0; operation < 1000; ++operation)
				{
					const Block block = Fill(manager, random() % 8 ? random() % 600 : random() % 6000, static_cast<unsigned char>(random()));
					if (random() % 8 >= self)
						own.push_back(block);
					else
					{
						std::lock_guard<std::mutex> guard(exchangeLock);
						exchange.push_back(block);
					}
				}
				{
					std::lock_guard<std::mutex> guard(exchangeLock);
					taken.swap(exchange);
				}
				own.insert(own.end(), taken.begin(), taken.end());
				std::shuffle(own.begin(), own.end(), random);
				if (own.size() > 200)
				{
					std::for_each(own.begin() + 200, own.end(), release);
					own.resize(200);
				}
				taken.clear();
			}
			std::for_each(own.begin(), own.end(), release);
		});
	for (std::thread& thread : threads)
		thread.join();
	std::for_each(exchange.begin(), exchange.end(), release);
	EXPECT_EQ(corrupted, 0);
	manager.FreeEmptyPages();
	for (std::uint32_t blockSize = 16; blockSize <= MemoryManager::BlockSizeFor(6000); blockSize += 16)
		EXPECT_EQ(PagesOf(manager, blockSize - 4), 0u) << "block size " << blockSize;
}

TEST(MemoryManagerThreadCache, BlocksOfEndedThreadsLiveOnAndTheirPagesReturnOnceFreed)
{
	MemoryManager manager;
	std::vector<Block> handedOver[4];
	std::vector<std::thread> threads;
	for (unsigned self = 0; self < 4; ++self)
		threads.emplace_back([&, self] {
			// Every other block is freed at once, so the thread ends with a full cache.
			for (int index = 0; index < 300; ++index)
				for (std::size_t size : kSizes)
					if (const Block block = Fill(manager, size, static_cast<unsigned char>(self * 64 + index)); index % 2)
						manager.Free(block.p, false);
					else
						handedOver[self].push_back(block);
		});
	for (std::thread& thread : threads)
		thread.join();
	// What the ended threads cached is free again, but none of what they handed over.
	std::vector<Block> fresh;
	for (int index = 0; index < 600; ++index)
		for (std::size_t size : kSizes)
			fresh.push_back(Fill(manager, size, 0xEE));
	for (const std::vector<Block>& blocks : handedOver)
		for (const Block& block : blocks)
		{
			EXPECT_TRUE(block.Intact()) << "size " << block.size;
			manager.Free(block.p, false);
		}
	for (const Block& block : fresh)
		manager.Free(block.p, false);
	manager.FreeEmptyPages();
	for (std::size_t size : kSizes)
		EXPECT_EQ(PagesOf(manager, size), 0u) << "size " << size;
}

TEST(MemoryManagerThreadCache, ALiveThreadsCachedBlocksKeepTheirPagesUntilItEnds)
{
	MemoryManager manager;
	std::binary_semaphore cached{0}, released{0};
	std::thread worker([&] {
		const auto takeAndFree = [&] {
			std::vector<Block> blocks;
			for (int index = 0; index < 100; ++index)
				blocks.push_back(Fill(manager, 100, 1)); // faults on a page given back
			for (const Block& block : blocks)
				manager.Free(block.p, false);
		};
		takeAndFree();
		cached.release();
		released.acquire();
		takeAndFree();
	});
	cached.acquire();
	manager.FreeEmptyPages();
	EXPECT_GT(PagesOf(manager, 100), 0u);
	released.release();
	worker.join();
	manager.FreeEmptyPages();
	EXPECT_EQ(PagesOf(manager, 100), 0u);
}

TEST(MemoryManagerThreadCache, AThreadThatMostlyFreesHandsItsSurplusBackToThePools)
{
	MemoryManager manager;
	std::vector<Block> blocks;
	for (int index = 0; index < 10000; ++index)
		blocks.push_back(Fill(manager, 60, 2));
	const std::uint32_t pagesInUse = PagesOf(manager, 60);
	std::binary_semaphore freed{0}, done{0};
	std::thread consumer([&] {
		for (const Block& block : blocks)
			manager.Free(block.p, false);
		freed.release();
		done.acquire();
	});
	freed.acquire();
	manager.FreeEmptyPages();
	EXPECT_LT(PagesOf(manager, 60), pagesInUse / 10);
	done.release();
	consumer.join();
}

TEST(MemoryManagerThreadCache, ManagersComingAndGoingOnOneThreadKeepTheirBlocksApart)
{
	// Up to and past the number of managers a thread keeps caches for at once; each round
	// replaces the managers of the one before, often at the same addresses.
	for (int live : {1, MemoryManager::ThreadCache::kSlots, MemoryManager::ThreadCache::kSlots + 3})
		for (int round = 0; round < 3; ++round)
		{
			std::vector<std::unique_ptr<MemoryManager>> managers;
			std::vector<Block> blocks;
			for (int index = 0; index < live; ++index)
			{
				managers.push_back(std::make_unique<MemoryManager>());
				for (int count = 0; count < 50; ++count)
					blocks.push_back(Fill(*managers.back(), 40, static_cast<unsigned char>(index)));
			}
			for (const Block& block : blocks)
			{
				EXPECT_TRUE(block.Intact()) << live << " managers";
				managers[block.fill]->Free(block.p, false);
			}
			for (const auto& manager : managers)
			{
				manager->FreeEmptyPages();
				EXPECT_EQ(PagesOf(*manager, 40), 0u) << live << " managers";
			}
		}
}

TEST(MemoryManagerThreadCache, BlocksFreedByThreadLocalDestructorsAfterTheCacheHasGoneReachTheirPool)
{
	MemoryManager manager;
	// Made before the thread's first cache, so it is destroyed after the cache went back.
	struct LateFree
	{
		MemoryManager* manager = nullptr;
		void* block = nullptr;
		~LateFree()
		{
			if (!manager)
				return;
			manager->Free(block, false);
			manager->Free(manager->Allocate(64, false, nullptr, 0), false);
		}
	};
	std::thread([&] {
		static thread_local LateFree late;
		late.manager = &manager;
		late.block = manager.Allocate(64, false, nullptr, 0);
	}).join();
	manager.FreeEmptyPages();
	EXPECT_EQ(PagesOf(manager, 64), 0u);
}

TEST(MemoryManagerThreadCache, ThreadsRefillingFromAnEndedThreadsBlocksTakeRunsThatDoNotInterleave)
{
	// Sizes and the blocks a refill takes of them: a system page's worth, at most 64.
	struct Case
	{
		std::size_t size, batch;
	};
	constexpr Case kCases[] = {{12, 64}, {40, 64}, {100, 36}, {1000, 4}};
	constexpr std::size_t kTakers = 3;
	for (const Case& test : kCases)
	{
		const std::size_t size = test.size, batch = test.batch;
		MemoryManager manager;
		const auto take = [&](std::size_t count) {
			std::vector<void*> blocks(count);
			for (void*& block : blocks)
				block = manager.Allocate(size, false, nullptr, 0);
			return blocks;
		};
		// One thread frees three refills' worth in shuffled order and ends with them cached.
		std::thread([&] {
			std::vector<void*> blocks = take(kTakers * batch);
			std::shuffle(blocks.begin(), blocks.end(), std::mt19937(5));
			for (void* block : blocks)
				manager.Free(block, false);
		}).join();
		// Threads after it refill once each; a block of one between two of another's would share
		// their cache lines, and every write of one thread would stall the other.
		std::vector<std::ranges::min_max_result<void*>> spans;
		for (std::size_t taker = 0; taker < kTakers; ++taker)
			std::thread([&] { spans.push_back(std::ranges::minmax(take(batch))); }).join();
		std::ranges::sort(spans, std::ranges::less(), &std::ranges::min_max_result<void*>::min);
		for (std::size_t index = 1; index < kTakers; ++index)
			EXPECT_TRUE(std::ranges::less()(spans[index - 1].max, spans[index].min)) << "size " << size;
	}
}
