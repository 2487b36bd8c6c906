#include "Utilities/MemoryManager.h"

#include "Platform/VirtualMemory.h"

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

	// A block of the pool, or null when no page could be had for it.
	void* TakeBlockOrNull(MemoryManager::Allocator& allocator)
	{
		try
		{
			return allocator.TakeBlock();
		}
		catch (const tw::memory_exception& exception)
		{
			if (exception.code() != 0)
				throw;
		}
		return nullptr;
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
		// Room for every unit at once, so that taking a unit back can never fail.
		freeUnits.reserve(static_cast<std::uint32_t>(unitCount + units.size()));
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

void MemoryManager::PageSource::ReleaseEmptyRegions()
{
	for (std::size_t index = 0; index < regions.size();)
	{
		const UnitList& units = regions[index];
		bool allFree = true;
		for (const unsigned char* unit : units)
			allFree = allFree && IsFreeUnit(unit);
		if (!allFree)
		{
			++index;
			continue;
		}
		for (const unsigned char* unit : units)
			RemoveFreeUnit(unit);
		Platform::ReleaseAddressSpace(units.front(), regionSize);
		unitCount -= units.size();
		// The last region moves into this place and is examined next.
		regions.erase(regions.begin() + index);
	}
}

bool MemoryManager::PageSource::IsFreeUnit(const unsigned char* unit) const
{
	for (const unsigned char* freeUnit : freeUnits)
		if (freeUnit == unit)
			return true;
	return false;
}

void MemoryManager::PageSource::RemoveFreeUnit(const unsigned char* unit)
{
	for (auto it = freeUnits.begin(); it != freeUnits.end(); ++it)
		if (*it == unit)
		{
			freeUnits.erase(it);
			return;
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

bool MemoryManager::Allocator::IsOnPage(const FreeBlock* block, const unsigned char* page) const
{
	const auto* address = reinterpret_cast<const unsigned char*>(block);
	return address >= page && address < page + pageSource.UnitSize();
}

std::uint32_t MemoryManager::Allocator::ReleaseEmptyPages()
{
	std::uint32_t released = 0;
	for (std::size_t index = 0; index < pages.size();)
	{
		unsigned char* page = pages[index];
		// Unlink the page's free blocks onto a side chain, stopping once all are found.
		FreeBlock* sideChain = nullptr;
		FreeBlock* sideChainTail = nullptr;
		std::uint32_t found = 0;
		for (FreeBlock** link = &freeList; *link && found < blocksPerPage;)
		{
			FreeBlock* block = *link;
			if (!IsOnPage(block, page))
			{
				link = &block->next;
				continue;
			}
			*link = block->next;
			block->next = sideChain;
			sideChain = block;
			if (!sideChainTail)
				sideChainTail = block;
			++found;
		}
		if (found == blocksPerPage)
		{
			pageSource.ReturnUnit(page);
			// The last page moves into this place and is examined next.
			pages.erase(pages.begin() + index);
			++released;
			continue;
		}
		if (sideChain)
		{
			sideChainTail->next = freeList;
			freeList = sideChain;
		}
		++index;
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

MemoryManager::MemoryManager() = default;

MemoryManager::~MemoryManager()
{
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
		return blockSize % kCellBytes == 0 ? directAllocators[blockSize / kCellBytes] : nullptr;
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
	if (blockSize == 0)
		return AllocateFallback(size);
	void* user;
	{
		std::lock_guard<SpinLock> guard(lock);
		Allocator* allocator = AllocatorFor(blockSize);
		user = allocator ? TakeBlockOrNull(*allocator) : nullptr;
		// Out of memory: give back this pool's empty pages and try again, then every pool's.
		if (allocator && !user)
			user = RetryAfterReleasingPages(*allocator);
	}
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
		directAllocators[blockSize / kCellBytes] = allocator;
	return allocator;
}

void* MemoryManager::RetryAfterReleasingPages(Allocator& allocator)
{
	allocator.ReleaseEmptyPages();
	if (void* user = TakeBlockOrNull(allocator))
		return user;
	FreeEmptyPagesLocked();
	return TakeBlockOrNull(allocator);
}

void MemoryManager::Free(void* p, bool isArray) noexcept
{
	if (!p)
		return;
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
	std::lock_guard<SpinLock> guard(lock);
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
