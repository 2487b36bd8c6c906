// MemoryManager::ThreadCache: one thread's free blocks of one manager, by block size, so that most
// news and deletes of a thread take no lock. Blocks move between a cache and the shared pools in
// batches under the manager's lock: a size is refilled when it runs dry and drained when it
// grows past its limit, and the whole cache goes back when its thread ends, when its thread asks
// for empty pages to be released and when memory runs short.
//
// A cache is the top of its pool's free list, seen by one thread: refills take the front of the
// pool's list and drains put back the blocks the cache has held longest, so a manager used by
// one thread hands out the same blocks in the same order as with no cache at all.
#pragma once

#include "Utilities/MemoryManager.h"

#include <cstdint>

class MemoryManager::ThreadCache
{
public:
	// How many managers one thread keeps caches for at once; with more, the rest take the lock.
	static constexpr int kSlots = 8;

	// The calling thread's cache for the manager, made on first use; null when the thread is
	// ending, already has caches for kSlots live managers, or malloc has no room for one.
	static ThreadCache* Of(MemoryManager& manager)
	{
		Slot& first = threadSlots.slots[0];
		return first.managerId == manager.id ? first.cache : Find(manager, true);
	}

	// The calling thread's cache for the manager if it has one.
	static ThreadCache* Existing(MemoryManager& manager) { return Find(manager, false); }

	// Names a new manager, whose caches the threads make as they use it.
	static void Register(MemoryManager& manager);
	// Frees the caches of a manager that is going; the threads' tables forget them by its name.
	static void Unregister(MemoryManager& manager);

	// The user address of a free block of a cached size; null when not even a refill gives one.
	void* Take(std::uint32_t blockSize)
	{
		Bin& bin = BinOf(blockSize);
		if (!bin.blocks.head && !Refill(bin, blockSize))
			return nullptr;
		FreeBlock* block = bin.blocks.head;
		bin.blocks.head = block->next;
		--bin.blocks.count;
		return block;
	}

	// Keeps a freed block of a cached size, whichever thread took it.
	void Put(void* user, std::uint32_t blockSize)
	{
		Bin& bin = BinOf(blockSize);
		auto* block = static_cast<FreeBlock*>(user);
		block->next = bin.blocks.head;
		if (!bin.blocks.head)
			bin.blocks.tail = block;
		bin.blocks.head = block;
		if (++bin.blocks.count > bin.limit)
			Drain(bin, blockSize);
	}

	// Gives every block back to the manager's pools. The caller holds the manager's lock.
	void FlushLocked();

private:
	struct Bin
	{
		BlockChain blocks;
		// Passing it drains the blocks held longest. It grows with every refill, so that a
		// thread that keeps allocating a size soon works from its cache alone.
		std::uint32_t limit;
	};

	// A thread's table of its caches, the most recently used first; a manager's id of 0 marks a
	// free slot. Plain data, so that it stays readable while the thread's destructors run.
	struct Slot
	{
		std::uint64_t managerId;
		ThreadCache* cache;
	};
	struct ThreadSlots
	{
		Slot slots[kSlots];
		// Set when the thread's caches have gone back: whatever the thread frees or allocates
		// later goes straight to the pools.
		bool ended;
	};

	// Its destructor hands the thread's caches back. It is made with the thread's first cache,
	// so it runs after the destructors of the thread_local objects made later, which may free.
	struct ThreadEnd
	{
		~ThreadEnd();
	};

	explicit ThreadCache(MemoryManager& manager);

	static ThreadCache* Find(MemoryManager& manager, bool create);
	static ThreadCache* Create(MemoryManager& manager);
	// Runs when the thread ends: every cache it has for a live manager goes back.
	static void EndThread();
	// Whether the manager of an id is still there. The caller holds the manager lists' lock.
	static bool IsLive(std::uint64_t managerId);

	Bin& BinOf(std::uint32_t blockSize) { return bins[blockSize / kCellBytes - 1]; }
	// Puts each size's blocks in rising address order, before an ending thread's cache goes
	// back: it holds them in the order the thread freed them, scattered over its pages, and the
	// threads refilling from them later would take runs interleaved on the same cache lines, each
	// write of one stalling the others.
	void SortByAddress();
	bool Refill(Bin& bin, std::uint32_t blockSize);
	void Drain(Bin& bin, std::uint32_t blockSize);

	static constinit inline thread_local ThreadSlots threadSlots{};

	MemoryManager& manager;
	// The next cache of the same manager.
	ThreadCache* nextOfManager = nullptr;
	Bin bins[kDirectBlockSizes / kCellBytes];
};
