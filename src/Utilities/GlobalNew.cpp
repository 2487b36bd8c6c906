// Routes the program's global new and delete through the memory manager. Linked into every
// program except the sanitizer build, whose allocator must see every block. The align_val_t
// forms stay with the standard library: it pairs them with their own deletes, so a block from
// them never reaches the manager.
#include "Utilities/MemoryManager.h"

#include <new>

void* operator new(std::size_t size)
{
	return MemoryManager::Instance().Allocate(size, false, nullptr, 0);
}

void* operator new[](std::size_t size)
{
	return MemoryManager::Instance().Allocate(size, true, nullptr, 0);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
	try
	{
		return MemoryManager::Instance().Allocate(size, false, nullptr, 0);
	}
	catch (const std::bad_alloc&)
	{
		return nullptr;
	}
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
	try
	{
		return MemoryManager::Instance().Allocate(size, true, nullptr, 0);
	}
	catch (const std::bad_alloc&)
	{
		return nullptr;
	}
}

void operator delete(void* p) noexcept
{
	MemoryManager::Instance().Free(p, false);
}

void operator delete[](void* p) noexcept
{
	MemoryManager::Instance().Free(p, true);
}

void operator delete(void* p, std::size_t) noexcept
{
	MemoryManager::Instance().Free(p, false);
}

void operator delete[](void* p, std::size_t) noexcept
{
	MemoryManager::Instance().Free(p, true);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
	MemoryManager::Instance().Free(p, false);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
	MemoryManager::Instance().Free(p, true);
}
