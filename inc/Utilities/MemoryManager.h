// MemoryManager: the allocator behind the program's global new and delete. It hands out blocks
// from one pool per block size, whose pages it commits a unit at a time inside reserved regions,
// and gives empty pages back to the system on request (the engine asks after every level unload).
// Each thread takes and frees blocks through its own cache in front of the pools
// (MemoryManagerThreadCache.h), so threads allocating at once do not queue on the pools' lock.
#pragma once

#include "Utilities/HashMap.h"
#include "Utilities/MallocAllocator.h"
#include "Utilities/SpinLock.h"
#include "Utilities/UnorderedVector.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace tw
{
	// A failure of the memory manager. Code 0: out of memory; code 1: a block it does not know.
	class memory_exception : public std::bad_alloc
	{
	public:
		// The message must be a literal: building a string would allocate through the manager.
		memory_exception(const char* message, int code) noexcept : message(message), errorCode(code) {}

		const char* what() const noexcept override { return message; }
		int code() const noexcept { return errorCode; }

	private:
		const char* message;
		int errorCode;
	};
}

// Block layout. Every block starts with a 32-bit header: bit 0 is set for an array allocation,
// the rest is the block size in bytes, header included (0 for a block taken straight from
// malloc, whose header is exactly 1). Blocks are whole 16-byte cells and start 12 bytes past a
// 16-byte boundary, so the address behind the header, the one handed out, is 16-byte aligned;
// a malloc block keeps a whole cell in front of that address, its header in the cell's end.
class MemoryManager
{
public:
	static constexpr std::uint32_t kCellBytes = 16;
	static constexpr std::uint32_t kHeaderBytes = 4;
	// The bytes of a page before its first block: its header ends on the first cell boundary.
	static constexpr std::uint32_t kLeadBytes = kCellBytes - kHeaderBytes;
	static constexpr std::uint32_t kArrayBit = 1;
	static constexpr std::uint32_t kFallbackHeader = 1;
	// The largest pooled block: the header keeps it in 31 bits, and so the unit and region sizes
	// derived from it still fit in 32.
	static constexpr std::uint32_t kLargestBlockSize = 0x7FFFFFF0;

	// The address space of one block size: regions reserved 64 KB or more at a time and carved
	// into units, one unit for each page of the allocator. Units it hands out are committed.
	class PageSource
	{
	public:
		using UnitList = std::vector<unsigned char*, tw::malloc_allocator<unsigned char*>>;
		using RegionList = tw::unordered_vector<UnitList, tw::malloc_allocator<UnitList>>;

		explicit PageSource(std::uint32_t blockSize);
		// Releases every region, in use or not.
		~PageSource();
		PageSource(const PageSource&) = delete;
		PageSource& operator=(const PageSource&) = delete;

		// A committed unit, the highest-addressed free one of the newest region; null when no
		// region can be reserved or the unit cannot be committed.
		unsigned char* GetUnit();
		// Takes a unit back: its memory returns to the system, its range stays reserved.
		void ReturnUnit(unsigned char* unit);
		// Releases every region whose units are all free.
		void ReleaseEmptyRegions();

		std::uint32_t SystemPageSize() const { return systemPageSize; }
		std::uint32_t UnitSize() const { return unitSize; }
		std::uint32_t RegionSize() const { return regionSize; }
		// For each reserved region its units, the region's base first.
		const RegionList& Regions() const { return regions; }
		std::size_t FreeUnitCount() const { return freeUnits.size(); }

	private:
		// A free unit and its index in freeUnits.
		struct FreeUnitPlace
		{
			unsigned char* unit;
			std::size_t index;
		};

		bool ReserveRegion();

		std::uint32_t systemPageSize;
		std::uint32_t unitSize;
		std::uint32_t regionSize;
		RegionList regions;
		tw::unordered_vector<unsigned char*, tw::malloc_allocator<unsigned char*>> freeUnits;
		// Scratch of ReleaseEmptyRegions, with room for every unit.
		std::vector<FreeUnitPlace, tw::malloc_allocator<FreeUnitPlace>> freeUnitPlaces;
		// The units of all regions: the most that can ever stand in freeUnits.
		std::size_t unitCount = 0;
	};

	// A free block's link lives at its user address, which is aligned for a pointer.
	struct FreeBlock
	{
		FreeBlock* next;
	};

	// Free blocks linked from head to tail, as they move between a pool and a thread's cache.
	struct BlockChain
	{
		FreeBlock* head = nullptr;
		FreeBlock* tail = nullptr;
		std::uint32_t count = 0;
	};

	// The pool of one block size: its pages and the free list threaded through their blocks.
	class Allocator
	{
	public:
		explicit Allocator(std::uint32_t blockSize);
		Allocator(const Allocator&) = delete;
		Allocator& operator=(const Allocator&) = delete;

		// Up to `count` blocks off the front of the free list, in its order, adding a page when
		// the list is empty. Throws tw::memory_exception("Out of physical memory.", 0) when no
		// page can be had.
		BlockChain TakeBlocks(std::uint32_t count)
		{
			if (!freeList)
				AddPage();
			BlockChain taken{freeList, freeList, 1};
			for (; taken.count < count && taken.tail->next; ++taken.count)
				taken.tail = taken.tail->next;
			freeList = std::exchange(taken.tail->next, nullptr);
			return taken;
		}

		// Puts the block at a user address back on the free list.
		void GiveBack(void* user)
		{
			auto* block = static_cast<FreeBlock*>(user);
			block->next = freeList;
			freeList = block;
		}

		// Puts a chain in front of the free list, keeping its order.
		void GiveBack(const BlockChain& chain)
		{
			chain.tail->next = freeList;
			freeList = chain.head;
		}

		// Commits one more unit and puts its blocks on the free list, the highest on top.
		void AddPage();
		// Gives back the pages that hold no live block and then the regions left empty;
		// returns the number of pages given back. Linear in the pages and the free blocks.
		std::uint32_t ReleaseEmptyPages();

		std::uint32_t BlocksPerPage() const { return blocksPerPage; }
		std::uint32_t TotalBlocks() const { return totalBlocks; }
		std::uint32_t PageCount() const { return pageCount; }
		const PageSource& Source() const { return pageSource; }

	private:
		unsigned char* PageOf(const FreeBlock* block) const;

		std::uint32_t blocksPerPage;
		std::uint32_t blockSize;
		PageSource pageSource;
		tw::unordered_vector<unsigned char*, tw::malloc_allocator<unsigned char*>> pages;
		FreeBlock* freeList = nullptr;
		std::uint32_t totalBlocks = 0;
		std::uint32_t pageCount = 0;
	};

	// One thread's free blocks of one manager (MemoryManagerThreadCache.h).
	class ThreadCache;

	// The manager behind the global new and delete, built on first use and never destroyed:
	// static destructors that run after anything we could register still free their memory.
	static MemoryManager& Instance();

	// Separate managers are for tests; they release all their memory when destroyed.
	MemoryManager();
	~MemoryManager();
	MemoryManager(const MemoryManager&) = delete;
	MemoryManager& operator=(const MemoryManager&) = delete;

	// A 16-byte aligned block of at least `size` bytes. The allocating source file and line are
	// accepted for the callers' convenience and not recorded. Throws
	// tw::memory_exception("Not enough memory", 0) when even malloc fails.
	void* Allocate(std::size_t size, bool isArray, const char* file, int line);
	// Puts a block back in its pool (or back to malloc). Null does nothing. A pointer whose
	// header names no pool is reported on stderr and ends the program: delete cannot throw.
	void Free(void* p, bool isArray) noexcept;
	// Gives back the empty pages of every pool. The calling thread's cache goes back first; the
	// blocks in other threads' caches count as used, since those threads take them without a lock.
	void FreeEmptyPages();

	// The pooled block size for `size` bytes: the size plus the header in whole cells; 0 when
	// the block would pass kLargestBlockSize and must come from malloc.
	static std::uint32_t BlockSizeFor(std::size_t size);
	// The header of a block handed out, read through its user address.
	static std::uint32_t HeaderOf(const void* user);

	// The pool of a block size, null before the first allocation of that size.
	const Allocator* FindAllocator(std::uint32_t blockSize) const;

private:
	using AllocatorTable = tw::hash_map<std::uint32_t, Allocator*, tw::ext::hash<std::uint32_t>,
		std::equal_to<std::uint32_t>,
		tw::malloc_allocator<tw::hash_slot<std::pair<const std::uint32_t, Allocator*>>>>;

	// Block sizes up to this many bytes are also found by direct index, sparing the hash
	// lookup on every new and delete; the table stays the record of all allocators. Threads
	// cache blocks of these sizes.
	static constexpr std::uint32_t kDirectBlockSizes = 4096;

	// The pool of a pooled block size up to kDirectBlockSizes, read without the lock: pools
	// are only ever added.
	Allocator* DirectAllocator(std::uint32_t blockSize) const
	{
		return blockSize % kCellBytes == 0 ? directAllocators[blockSize / kCellBytes].load(std::memory_order_acquire) : nullptr;
	}
	Allocator* FindAllocatorLocked(std::uint32_t blockSize) const;
	// The pool of a block size, created on first use; null when there is no memory for it.
	Allocator* AllocatorFor(std::uint32_t blockSize);
	Allocator* CreateAllocator(std::uint32_t blockSize);
	// Up to `count` blocks of the pool of a block size, adding a page when it has none; an empty
	// chain when there is no memory for the pool or a page. The caller holds the lock.
	BlockChain TakeBlocksLocked(std::uint32_t blockSize, std::uint32_t count);
	// Allocate and Free where the calling thread's cache cannot serve: sizes it does not hold
	// (malloc's among them), a thread without a cache, a cache that could not be refilled.
	void* AllocateWithoutCache(std::size_t size, bool isArray, ThreadCache* cache);
	void FreeWithoutCache(void* p) noexcept;
	// A block of the pool, taken under the lock.
	void* TakeBlock(std::uint32_t blockSize);
	// Memory is short: the calling thread's cache and the empty pages go back, this pool's
	// first, before a block is tried again; null when memory is still short.
	void* TakeAfterReleasingPages(std::uint32_t blockSize, ThreadCache* cache);
	void FreeEmptyPagesLocked();

	// The game allocates from one thread, but the GL driver, the script engine and the audio
	// library call new from theirs: every pool operation holds this lock. Each thread keeps a
	// cache of free blocks in front of the pools, so most news and deletes never take it.
	mutable SpinLock lock;
	AllocatorTable allocators;
	std::atomic<Allocator*> directAllocators[kDirectBlockSizes / kCellBytes + 1] = {};
	// Names this manager in the threads' cache tables, which outlive it: never reused.
	std::uint64_t id = 0;
	// The managers alive and the caches of each, kept by ThreadCache under its own lock.
	MemoryManager* nextLive = nullptr;
	ThreadCache* caches = nullptr;
};
