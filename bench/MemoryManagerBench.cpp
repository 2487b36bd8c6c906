// The memory manager against glibc malloc/free on the engine's typical allocations (8 to 512
// bytes, small ones most common), freed in LIFO and in random order, and the cost of its lock.
// Per-operation times are reported as the counters alloc_ns and free_ns.
#include "Utilities/MallocAllocator.h"
#include "Utilities/MemoryManager.h"
#include "Utilities/SpinLock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <new>
#include <random>
#include <vector>

namespace
{
	constexpr std::size_t kBatch = 1024;

	// Components, messages, strings and container nodes: mostly small, a tail up to 512 bytes.
	std::size_t DrawEngineSize(std::mt19937& random)
	{
		struct Band
		{
			int percent;
			std::size_t low, high;
		};
		static constexpr Band kBands[] = {{45, 8, 32}, {30, 33, 96}, {17, 97, 256}, {8, 257, 512}};
		int pick = static_cast<int>(random() % 100);
		for (const Band& band : kBands)
		{
			if (pick < band.percent)
				return band.low + random() % (band.high - band.low + 1);
			pick -= band.percent;
		}
		return 8;
	}

	enum class FreeOrder { Lifo, Random };

	// The harness keeps its own arrays in malloc's memory, the same for every contestant.
	template <typename T>
	using HarnessVector = std::vector<T, tw::malloc_allocator<T>>;

	struct Workload
	{
		HarnessVector<std::size_t> sizes;
		HarnessVector<std::size_t> freeOrder;

		explicit Workload(FreeOrder order) : sizes(kBatch), freeOrder(kBatch)
		{
			std::mt19937 random(20240611);
			for (std::size_t& size : sizes)
				size = DrawEngineSize(random);
			for (std::size_t index = 0; index < kBatch; ++index)
				freeOrder[index] = kBatch - 1 - index;
			if (order == FreeOrder::Random)
				std::shuffle(freeOrder.begin(), freeOrder.end(), random);
		}
	};

	struct Malloc
	{
		void* Allocate(std::size_t size) { return std::malloc(size); }
		void Free(void* p) { std::free(p); }
	};

	// What the program's new and delete do: the manager unless the build keeps the system
	// allocator (the sanitizer build).
	struct GlobalNew
	{
		void* Allocate(std::size_t size) { return ::operator new(size); }
		void Free(void* p) { ::operator delete(p); }
	};

	// The same manager called without the operator: it runs the same code as GlobalNew, so a
	// gap between the two measures how sensitive the loop is to code and stack layout.
	struct ManagerDirect
	{
		MemoryManager& manager = MemoryManager::Instance();
		void* Allocate(std::size_t size) { return manager.Allocate(size, false, nullptr, 0); }
		void Free(void* p) { manager.Free(p, false); }
	};

	template <typename Heap, FreeOrder order>
	void BM_Batch(benchmark::State& state)
	{
		using Clock = std::chrono::steady_clock;
		static const Workload workload(order);
		Heap heap;
		HarnessVector<void*> blocks(kBatch);
		Clock::duration allocTime{}, freeTime{};
		for (auto _ : state)
		{
			const auto start = Clock::now();
			for (std::size_t index = 0; index < kBatch; ++index)
				blocks[index] = heap.Allocate(workload.sizes[index]);
			benchmark::ClobberMemory();
			const auto allocated = Clock::now();
			for (std::size_t index : workload.freeOrder)
				heap.Free(blocks[index]);
			const auto freed = Clock::now();
			allocTime += allocated - start;
			freeTime += freed - allocated;
			state.SetIterationTime(std::chrono::duration<double>(freed - start).count());
		}
		const double operations = static_cast<double>(state.iterations() * kBatch);
		state.counters["alloc_ns"] = std::chrono::duration<double, std::nano>(allocTime).count() / operations;
		state.counters["free_ns"] = std::chrono::duration<double, std::nano>(freeTime).count() / operations;
		state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBatch));
	}

	// Several threads sharing the heap: glibc gives each its own arena, the manager its own cache
	// in front of shared pools. Every run starts new threads, which take over what the threads of
	// the run before left.
	template <typename Heap>
	void BM_Threads(benchmark::State& state)
	{
		static const Workload workload(FreeOrder::Random);
		Heap heap;
		HarnessVector<void*> blocks(kBatch);
		for (auto _ : state)
		{
			for (std::size_t index = 0; index < kBatch; ++index)
				blocks[index] = heap.Allocate(workload.sizes[index]);
			benchmark::ClobberMemory();
			for (std::size_t index : workload.freeOrder)
				heap.Free(blocks[index]);
		}
		state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBatch));
	}

	// One uncontended lock and unlock: the manager pays this once per allocation and per free.
	template <typename Lock>
	void BM_LockUnlock(benchmark::State& state)
	{
		static Lock lock;
		for (auto _ : state)
		{
			lock.lock();
			benchmark::ClobberMemory();
			lock.unlock();
		}
	}
}

BENCHMARK_TEMPLATE(BM_Batch, Malloc, FreeOrder::Lifo)->UseManualTime();
BENCHMARK_TEMPLATE(BM_Batch, GlobalNew, FreeOrder::Lifo)->UseManualTime();
BENCHMARK_TEMPLATE(BM_Batch, ManagerDirect, FreeOrder::Lifo)->UseManualTime();
BENCHMARK_TEMPLATE(BM_Batch, Malloc, FreeOrder::Random)->UseManualTime();
BENCHMARK_TEMPLATE(BM_Batch, GlobalNew, FreeOrder::Random)->UseManualTime();
BENCHMARK_TEMPLATE(BM_Batch, ManagerDirect, FreeOrder::Random)->UseManualTime();
BENCHMARK_TEMPLATE(BM_Threads, Malloc)->Threads(1)->Threads(4)->Threads(8)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Threads, ManagerDirect)->Threads(1)->Threads(4)->Threads(8)->UseRealTime();
BENCHMARK_TEMPLATE(BM_LockUnlock, SpinLock)->Threads(1)->Threads(4);
BENCHMARK_TEMPLATE(BM_LockUnlock, std::mutex)->Threads(1)->Threads(4);
