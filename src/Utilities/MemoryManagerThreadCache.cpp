#include "Utilities/MemoryManagerThreadCache.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <new>
#include <utility>

namespace
{
	// A refill takes about a system page's worth of blocks, at least two and at most 64.
	constexpr std::uint32_t kBatchBytes = 4096;
	constexpr std::uint32_t kMinBatch = 2;
	constexpr std::uint32_t kMaxBatch = 64;
	// A thread holds at most this much of one block size while it keeps freeing it.
	constexpr std::uint32_t kMostCachedBytes = 65536;

	std::uint32_t BatchOf(std::uint32_t blockSize)
	{
		return std::clamp(kBatchBytes / blockSize, kMinBatch, kMaxBatch);
	}

	std::uint32_t FirstLimitOf(std::uint32_t blockSize)
	{
		return 2 * BatchOf(blockSize);
	}

	std::uint32_t MostLimitOf(std::uint32_t blockSize)
	{
		return std::max(FirstLimitOf(blockSize), kMostCachedBytes / blockSize);
	}

	using FreeBlock = MemoryManager::FreeBlock;

	FreeBlock* MergeByAddress(FreeBlock* first, FreeBlock* second)
	{
		FreeBlock front{nullptr};
		FreeBlock* last = &front;
		for (; first && second; last = last->next)
			if (std::less<>()(first, second))
				last->next = std::exchange(first, first->next);
			else
				last->next = std::exchange(second, second->next);
		last->next = first ? first : second;
		return front.next;
	}

	// A merge sort of the links themselves: it needs no memory, and its depth is the logarithm
	// of a cache's few thousand blocks.
	FreeBlock* SortLinksByAddress(FreeBlock* head, std::uint32_t count)
	{
		if (count < 2)
			return head;
		FreeBlock* lastOfFirstHalf = head;
		for (std::uint32_t index = 1; index < count / 2; ++index)
			lastOfFirstHalf = lastOfFirstHalf->next;
		FreeBlock* secondHalf = std::exchange(lastOfFirstHalf->next, nullptr);
		return MergeByAddress(SortLinksByAddress(head, count / 2), SortLinksByAddress(secondHalf, count - count / 2));
	}

	// Guards the list of live managers and the list of caches of each. Taken only when a cache
	// is made or a thread ends and when a manager comes or goes; it is taken before a manager's.
	constinit SpinLock registryLock;
	constinit MemoryManager* liveManagers = nullptr;
	constinit std::uint64_t lastManagerId = 0;
}

MemoryManager::ThreadCache::ThreadCache(MemoryManager& manager) : manager(manager)
{
	for (std::uint32_t index = 0; index < std::size(bins); ++index)
		bins[index] = {{}, FirstLimitOf((index + 1) * kCellBytes)};
}

void MemoryManager::ThreadCache::Register(MemoryManager& manager)
{
	std::lock_guard<SpinLock> guard(registryLock);
	manager.id = ++lastManagerId;
	manager.nextLive = liveManagers;
	liveManagers = &manager;
}

void MemoryManager::ThreadCache::Unregister(MemoryManager& manager)
{
	std::lock_guard<SpinLock> guard(registryLock);
	MemoryManager** link = &liveManagers;
	while (*link != &manager)
		link = &(*link)->nextLive;
	*link = manager.nextLive;
	while (ThreadCache* cache = manager.caches)
	{
		manager.caches = cache->nextOfManager;
		cache->~ThreadCache();
		std::free(cache);
	}
}

bool MemoryManager::ThreadCache::IsLive(std::uint64_t managerId)
{
	for (const MemoryManager* manager = liveManagers; manager; manager = manager->nextLive)
		if (manager->id == managerId)
			return true;
	return false;
}

MemoryManager::ThreadCache* MemoryManager::ThreadCache::Find(MemoryManager& manager, bool create)
{
	Slot* const slots = threadSlots.slots;
	for (int index = 0; index < kSlots; ++index)
		if (slots[index].managerId == manager.id)
		{
			std::swap(slots[0], slots[index]);
			return slots[0].cache;
		}
	return create && !threadSlots.ended ? Create(manager) : nullptr;
}

MemoryManager::ThreadCache* MemoryManager::ThreadCache::Create(MemoryManager& manager)
{
	static thread_local ThreadEnd threadEnd;
	(void)threadEnd;
	Slot* const slots = threadSlots.slots;
	std::lock_guard<SpinLock> guard(registryLock);
	// A slot of a manager that has gone is free: its cache went with the manager.
	Slot* const slot = std::find_if(slots, slots + kSlots, [](const Slot& candidate) { return candidate.managerId == 0 || !IsLive(candidate.managerId); });
	void* storage = slot != slots + kSlots ? std::malloc(sizeof(ThreadCache)) : nullptr;
	if (!storage)
		return nullptr;
	auto* cache = new (storage) ThreadCache(manager);
	cache->nextOfManager = manager.caches;
	manager.caches = cache;
	*slot = slots[0];
	slots[0] = {manager.id, cache};
	return cache;
}

void MemoryManager::ThreadCache::EndThread()
{
	threadSlots.ended = true;
	std::lock_guard<SpinLock> guard(registryLock);
	for (Slot& slot : threadSlots.slots)
	{
		if (slot.managerId != 0 && IsLive(slot.managerId))
		{
			ThreadCache* const cache = slot.cache;
			MemoryManager& owner = cache->manager;
			cache->SortByAddress();
			{
				std::lock_guard<SpinLock> ownerGuard(owner.lock);
				cache->FlushLocked();
			}
			ThreadCache** link = &owner.caches;
			while (*link != cache)
				link = &(*link)->nextOfManager;
			*link = cache->nextOfManager;
			cache->~ThreadCache();
			std::free(cache);
		}
		slot = {};
	}
}

MemoryManager::ThreadCache::ThreadEnd::~ThreadEnd()
{
	MemoryManager::ThreadCache::EndThread();
}

bool MemoryManager::ThreadCache::Refill(Bin& bin, std::uint32_t blockSize)
{
	std::lock_guard<SpinLock> guard(manager.lock);
	bin.blocks = manager.TakeBlocksLocked(blockSize, BatchOf(blockSize));
	if (!bin.blocks.head)
		return false;
	bin.limit = std::min(bin.limit + BatchOf(blockSize), MostLimitOf(blockSize));
	return true;
}

// The newest half of the limit stays: the walk to it, like the blocks that go, is paid for by
// the frees since the last drain.
void MemoryManager::ThreadCache::Drain(Bin& bin, std::uint32_t blockSize)
{
	const std::uint32_t keep = bin.limit / 2;
	FreeBlock* lastKept = bin.blocks.head;
	for (std::uint32_t index = 1; index < keep; ++index)
		lastKept = lastKept->next;
	const BlockChain oldest{lastKept->next, bin.blocks.tail, bin.blocks.count - keep};
	lastKept->next = nullptr;
	bin.blocks = {bin.blocks.head, lastKept, keep};
	std::lock_guard<SpinLock> guard(manager.lock);
	manager.DirectAllocator(blockSize)->GiveBack(oldest);
}

void MemoryManager::ThreadCache::SortByAddress()
{
	for (Bin& bin : bins)
		if (bin.blocks.head)
		{
			bin.blocks.head = SortLinksByAddress(bin.blocks.head, bin.blocks.count);
			for (bin.blocks.tail = bin.blocks.head; bin.blocks.tail->next;)
				bin.blocks.tail = bin.blocks.tail->next;
		}
}

void MemoryManager::ThreadCache::FlushLocked()
{
	for (std::uint32_t index = 0; index < std::size(bins); ++index)
	{
		const std::uint32_t blockSize = (index + 1) * kCellBytes;
		if (bins[index].blocks.head)
			manager.DirectAllocator(blockSize)->GiveBack(bins[index].blocks);
		bins[index] = {{}, FirstLimitOf(blockSize)};
	}
}
