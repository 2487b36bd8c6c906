#include "Utilities/MemoryManager.h"

#include "Platform/VirtualMemory.h"
#include "Utilities/MemoryManagerThreadCache.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace
{
	constexpr std::uint32_t kMinRegionSize = 65536;

	// Whole multiples of the system page: one page for blocks smaller than a page, otherwise
	// the smallest multiple strictly above the block, which leaves room for the lead bytes.
	std::uint32_t UnitSizeFor(std::uint32_t blockSize, std::uint32_t systemPageSize)
	{
		if (blockSize < systemPageSize)
			return systemPageSize;
		return blockSize + systemPageSize - blockSize % systemPageSize;
	}

	// Always strictly above the unit, so that a region holds at least one unit.
	std::uint32_t RegionSizeFor(std::uint32_t unitSize)
	{
		if (unitSize < kMinRegionSize)
			return kMinRegionSize;
		return unitSize / kMinRegionSize * kMinRegionSize + kMinRegionSize;
	}

	void WriteHeader(void* user, std::uint32_t header)
	{
		std::memcpy(static_cast<unsigned char*>(user) - MemoryManager::kHeaderBytes, &header, sizeof header);
	}

	// A fallback block spans a whole cell before the user address; its header ends that cell.
	static_assert(alignof(std::max_align_t) >= MemoryManager::kCellBytes, "malloc must give whole cells");

	void* AllocateFallback(std::size_t size)
	{
		void* base = size <= SIZE_MAX - MemoryManager::kCellBytes
			? std::malloc(size + MemoryManager::kCellBytes) : nullptr;
		if (!base)
			throw tw::memory_exception("Not enough memory", 0);
		void* user = static_cast<unsigned char*>(base) + MemoryManager::kCellBytes;
		WriteHeader(user, MemoryManager::kFallbackHeader);
		return user;
	}

	void FreeFallback(void* user)
	{
		std::free(static_cast<unsigned char*>(user) - MemoryManager::kCellBytes);
	}

	[[noreturn]] void ReportAddressNotOnPage(const void* user, std::uint32_t header)
	{
		std::fprintf(stderr, "MemoryManager::Free: Address not on a page. (%p, header 0x%08x)\n", user,
			static_cast<unsigned>(header));
		std::abort();
	}
}

// ---------------------------------------------------------------------------------------------
// PageSource

MemoryManager::PageSource::PageSource(std::uint32_t blockSize)
	: systemPageSize(static_cast<std::uint32_t>(Platform::PageSize())),
	  unitSize(UnitSizeFor(blockSize, systemPageSize)),
	  regionSize(RegionSizeFor(unitSize))
{
}

MemoryManager::PageSource::~PageSource()
{
	for (const UnitList& region : regions)
		Platform::ReleaseAddressSpace(region.front(), regionSize);
}

unsigned char* MemoryManager::PageSource::GetUnit()
{
	if (freeUnits.empty() && !ReserveRegion())
		return nullptr;
	unsigned char* unit = freeUnits.back();
	freeUnits.pop_back();
	if (!Platform::CommitPages(unit, unitSize))
	{
		freeUnits.push_back(unit);
		return nullptr;
	}
	return unit;
}

bool MemoryManager::PageSource::ReserveRegion()
{
	auto* base = static_cast<unsigned char*>(Platform::ReserveAddressSpace(regionSize));
	if (!base)
		return false;
	try
	{
		UnitList units;
		for (std::uint32_t offset = 0; regionSize - offset >= unitSize; offset += unitSize)
			units.push_back(base + offset);
		// Room for every unit at once, so that taking a unit back or releasing regions can never fail.
		freeUnits.reserve(static_cast<std::uint32_t>(unitCount + units.size()));
		freeUnitPlaces.reserve(unitCount + units.size());
		regions.push_back(std::move(units));
	}
	catch (const std::bad_alloc&)
	{
		Platform::ReleaseAddressSpace(base, regionSize);
		return false;
	}
	for (unsigned char* unit : regions.back())
		freeUnits.push_back(unit);
	unitCount += regions.back().size();
	return true;
}

void MemoryManager::PageSource::ReturnUnit(unsigned char* unit)
{
	freeUnits.push_back(unit);
	Platform::DecommitPages(unit, unitSize);
}

// A region goes when all its units are free; its units leave the free-unit list by unordered
// erase (the last entry takes the place), region by region and unit by unit in region order.
// The free units sorted by address, each with its place in the list, make every test and erase
// a binary search rather than a walk of the whole list.
void MemoryManager::PageSource::ReleaseEmptyRegions()
{
	freeUnitPlaces.clear();
	for (std::size_t index = 0; index < freeUnits.size(); ++index)
		freeUnitPlaces.push_back({freeUnits[index], index});
	std::sort(freeUnitPlaces.begin(), freeUnitPlaces.end(),
		[](const FreeUnitPlace& a, const FreeUnitPlace& b) { return a.unit < b.unit; });
	const auto placeOf = [this](const unsigned char* unit) -> FreeUnitPlace* {
		const auto found = std::lower_bound(freeUnitPlaces.begin(), freeUnitPlaces.end(), unit,
			[](const FreeUnitPlace& place, const unsigned char* address) { return place.unit < address; });
		return found != freeUnitPlaces.end() && found->unit == unit ? &*found : nullptr;
	};
	for (std::size_t index = 0; index < regions.size();)
	{
		const UnitList& units = regions[index];
		if (!std::all_of(units.begin(), units.end(), [&](const unsigned char* unit) { return placeOf(unit) != nullptr; }))
		{
			++index;
			continue;
		}
		for (const unsigned char* unit : units)
		{
			const std::size_t place = placeOf(unit)->index;
			unsigned char* const last = freeUnits.back();
			freeUnits[place] = last;
			freeUnits.pop_back();
			placeOf(last)->index = place;
		}
		Platform::ReleaseAddressSpace(units.front(), regionSize);
		unitCount -= units.size();
		// The last region moves into this place and is examined next.
		regions.erase(regions.begin() + index);
	}
}

// ---------------------------------------------------------------------------------------------
// Allocator

MemoryManager::Allocator::Allocator(std::uint32_t blockSize)
	: blocksPerPage(0), blockSize(blockSize), pageSource(blockSize)
{
	blocksPerPage = (pageSource.UnitSize() - kLeadBytes) / blockSize;
}

void MemoryManager::Allocator::AddPage()
{
	unsigned char* page = pageSource.GetUnit();
	if (!page)
		throw tw::memory_exception("Out of physical memory.", 0);
	try
	{
		pages.push_back(page);
	}
	catch (const std::bad_alloc&)
	{
		pageSource.ReturnUnit(page);
		throw tw::memory_exception("Out of physical memory.", 0);
	}
	totalBlocks += blocksPerPage;
	++pageCount;
	unsigned char* user = page + kCellBytes;
	for (std::uint32_t index = 0; index < blocksPerPage; ++index, user += blockSize)
		GiveBack(user);
}

// While empty pages are released, a page's lead bytes, which no block uses, hold its note: the
// head of a chain of its free blocks, and a 32-bit word that first counts its free blocks and
// then holds either the offset of the chain's tail in the page or kEmptyPageMark.
namespace
{
	constexpr std::size_t kNoteHeadAt = 0;
	constexpr std::size_t kNoteWordAt = sizeof(void*);
	constexpr std::uint32_t kEmptyPageMark = UINT32_MAX;
	static_assert(kNoteWordAt + sizeof(std::uint32_t) <= MemoryManager::kLeadBytes, "the note must fit in a page's lead bytes");

	template <typename T>
	T ReadNote(const unsigned char* page, std::size_t at)
	{
		T value;
		std::memcpy(&value, page + at, sizeof value);
		return value;
	}

	template <typename T>
	void WriteNote(unsigned char* page, std::size_t at, T value)
	{
		std::memcpy(page + at, &value, sizeof value);
	}
}

// A block's user address lies in the first system page of its unit: a unit of one system page
// holds all its blocks, and a larger unit (blocks of a page or more) holds exactly one block.
unsigned char* MemoryManager::Allocator::PageOf(const FreeBlock* block) const
{
	const auto address = reinterpret_cast<std::uintptr_t>(block);
	return reinterpret_cast<unsigned char*>(address - address % pageSource.SystemPageSize());
}

// The result is that of examining the pages in list order, each by unlinking its free blocks
// from the list onto a side chain (which reverses them), giving the page back when the chain
// holds all its blocks (the last page taking its place in the list and being examined next),
// and otherwise putting the chain back in front of the list. That walks the list once per page;
// here the free list is walked twice in all, and every page's note is kept in its lead bytes.
std::uint32_t MemoryManager::Allocator::ReleaseEmptyPages()
{
	for (unsigned char* page : pages)
		WriteNote<std::uint32_t>(page, kNoteWordAt, 0);
	for (const FreeBlock* block = freeList; block; block = block->next)
	{
		unsigned char* page = PageOf(block);
		WriteNote(page, kNoteWordAt, ReadNote<std::uint32_t>(page, kNoteWordAt) + 1);
	}
	for (unsigned char* page : pages)
	{
		const bool empty = ReadNote<std::uint32_t>(page, kNoteWordAt) == blocksPerPage;
		WriteNote<FreeBlock*>(page, kNoteHeadAt, nullptr);
		WriteNote<std::uint32_t>(page, kNoteWordAt, empty ? kEmptyPageMark : 0);
	}
	// Each kept page's free blocks onto its own chain, reversed.
	for (FreeBlock* block = freeList; block;)
	{
		FreeBlock* const next = block->next;
		unsigned char* page = PageOf(block);
		if (ReadNote<std::uint32_t>(page, kNoteWordAt) != kEmptyPageMark)
		{
			FreeBlock* const head = ReadNote<FreeBlock*>(page, kNoteHeadAt);
			if (!head)
				WriteNote(page, kNoteWordAt, static_cast<std::uint32_t>(reinterpret_cast<unsigned char*>(block) - page));
			block->next = head;
			WriteNote(page, kNoteHeadAt, block);
		}
		block = next;
	}
	std::uint32_t released = 0;
	for (std::size_t index = 0; index < pages.size();)
	{
		unsigned char* page = pages[index];
		if (ReadNote<std::uint32_t>(page, kNoteWordAt) != kEmptyPageMark)
		{
			++index;
			continue;
		}
		pageSource.ReturnUnit(page);
		// The last page moves into this place and is examined next.
		pages.erase(pages.begin() + index);
		++released;
	}
	// The kept pages now stand in the order they were examined; the chain of the page examined
	// last ends up in front.
	freeList = nullptr;
	for (unsigned char* page : pages)
		if (FreeBlock* const head = ReadNote<FreeBlock*>(page, kNoteHeadAt))
		{
			auto* tail = reinterpret_cast<FreeBlock*>(page + ReadNote<std::uint32_t>(page, kNoteWordAt));
			tail->next = freeList;
			freeList = head;
		}
	pageSource.ReleaseEmptyRegions();
	pageCount -= released;
	totalBlocks -= released * blocksPerPage;
	return released;
}

// ---------------------------------------------------------------------------------------------
// MemoryManager

MemoryManager& MemoryManager::Instance()
{
	alignas(MemoryManager) static unsigned char storage[sizeof(MemoryManager)];
	static MemoryManager* const instance = new (storage) MemoryManager();
	return *instance;
}

MemoryManager::MemoryManager()
{
	ThreadCache::Register(*this);
}

MemoryManager::~MemoryManager()
{
	ThreadCache::Unregister(*this);
	for (auto& entry : allocators)
	{
		entry.second->~Allocator();
		std::free(entry.second);
	}
}

std::uint32_t MemoryManager::BlockSizeFor(std::size_t size)
{
	if (size > kLargestBlockSize - kHeaderBytes)
		return 0;
	const std::size_t withHeader = size + kHeaderBytes;
	return static_cast<std::uint32_t>((withHeader + kCellBytes - 1) / kCellBytes * kCellBytes);
}

std::uint32_t MemoryManager::HeaderOf(const void* user)
{
	std::uint32_t header;
	std::memcpy(&header, static_cast<const unsigned char*>(user) - kHeaderBytes, sizeof header);
	return header;
}

inline MemoryManager::Allocator* MemoryManager::FindAllocatorLocked(std::uint32_t blockSize) const
{
	if (blockSize <= kDirectBlockSizes)
		return DirectAllocator(blockSize);
	auto found = allocators.find(blockSize);
	return found == allocators.end() ? nullptr : found->second;
}

inline MemoryManager::Allocator* MemoryManager::AllocatorFor(std::uint32_t blockSize)
{
	if (Allocator* allocator = FindAllocatorLocked(blockSize))
		return allocator;
	return CreateAllocator(blockSize);
}

void* MemoryManager::Allocate(std::size_t size, bool isArray, const char* file, int line)
{
	const std::uint32_t blockSize = BlockSizeFor(size);
	ThreadCache* cache = blockSize != 0 && blockSize <= kDirectBlockSizes ? ThreadCache::Of(*this) : nullptr;
	void* user = cache ? cache->Take(blockSize) : nullptr;
	if (!user)
		return AllocateWithoutCache(size, isArray, cache);
	WriteHeader(user, isArray ? blockSize | kArrayBit : blockSize);
	return user;
}

// Kept out of Allocate, so that the common path saves no registers for it.
[[gnu::noinline]] void* MemoryManager::AllocateWithoutCache(std::size_t size, bool isArray, ThreadCache* cache)
{
	const std::uint32_t blockSize = BlockSizeFor(size);
	if (blockSize == 0)
		return AllocateFallback(size);
	void* user = cache ? nullptr : TakeBlock(blockSize);
	if (!user)
		user = TakeAfterReleasingPages(blockSize, cache);
	if (!user)
		return AllocateFallback(size);
	WriteHeader(user, isArray ? blockSize | kArrayBit : blockSize);
	return user;
}

MemoryManager::Allocator* MemoryManager::CreateAllocator(std::uint32_t blockSize)
{
	// Allocators come from malloc: the manager never allocates through itself.
	void* storage = std::malloc(sizeof(Allocator));
	if (!storage)
		return nullptr;
	auto* allocator = new (storage) Allocator(blockSize);
	try
	{
		allocators.insert(std::make_pair(blockSize, allocator));
	}
	catch (const std::bad_alloc&)
	{
		allocator->~Allocator();
		std::free(storage);
		return nullptr;
	}
	if (blockSize <= kDirectBlockSizes)
		directAllocators[blockSize / kCellBytes].store(allocator, std::memory_order_release);
	return allocator;
}

MemoryManager::BlockChain MemoryManager::TakeBlocksLocked(std::uint32_t blockSize, std::uint32_t count)
{
	Allocator* allocator = AllocatorFor(blockSize);
	if (!allocator)
		return {};
	try
	{
		return allocator->TakeBlocks(count);
	}
	catch (const tw::memory_exception& exception)
	{
		if (exception.code() != 0)
			throw;
	}
	return {};
}

void* MemoryManager::TakeBlock(std::uint32_t blockSize)
{
	std::lock_guard<SpinLock> guard(lock);
	return TakeBlocksLocked(blockSize, 1).head;
}

void* MemoryManager::TakeAfterReleasingPages(std::uint32_t blockSize, ThreadCache* cache)
{
	std::lock_guard<SpinLock> guard(lock);
	Allocator* allocator = AllocatorFor(blockSize);
	if (!allocator)
		return nullptr;
	if (cache)
		cache->FlushLocked();
	allocator->ReleaseEmptyPages();
	if (void* user = TakeBlocksLocked(blockSize, 1).head)
		return user;
	FreeEmptyPagesLocked();
	return TakeBlocksLocked(blockSize, 1).head;
}

void MemoryManager::Free(void* p, bool isArray) noexcept
{
	if (!p)
		return;
	// A size without a pool (a malloc block's 0 among them) names memory that is not pooled: it
	// must not be cached.
	const std::uint32_t blockSize = HeaderOf(p) & ~kArrayBit;
	if (blockSize <= kDirectBlockSizes && DirectAllocator(blockSize))
		if (ThreadCache* cache = ThreadCache::Of(*this))
		{
			cache->Put(p, blockSize);
			return;
		}
	FreeWithoutCache(p);
}

[[gnu::noinline]] void MemoryManager::FreeWithoutCache(void* p) noexcept
{
	const std::uint32_t header = HeaderOf(p);
	const std::uint32_t blockSize = header & ~kArrayBit;
	if (blockSize == 0)
	{
		FreeFallback(p);
		return;
	}
	std::lock_guard<SpinLock> guard(lock);
	Allocator* allocator = FindAllocatorLocked(blockSize);
	if (!allocator)
		ReportAddressNotOnPage(p, header);
	allocator->GiveBack(p);
}

void MemoryManager::FreeEmptyPages()
{
	ThreadCache* cache = ThreadCache::Existing(*this);
	std::lock_guard<SpinLock> guard(lock);
	if (cache)
		cache->FlushLocked();
	FreeEmptyPagesLocked();
}

void MemoryManager::FreeEmptyPagesLocked()
{
	for (auto& entry : allocators)
		entry.second->ReleaseEmptyPages();
}

const MemoryManager::Allocator* MemoryManager::FindAllocator(std::uint32_t blockSize) const
{
	std::lock_guard<SpinLock> guard(lock);
	return FindAllocatorLocked(blockSize);
}
