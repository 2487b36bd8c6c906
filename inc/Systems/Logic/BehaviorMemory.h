// The memory behaviour nodes and their child lists are made in. While a tree is read (a
// BehaviorBlockScope is open) its pieces are taken one after the other from a block, and the next
// tree read goes on where it ended, so a frame's walk down the trees of a level reads neighbouring
// memory instead of pieces scattered over the heap among every other object's. A piece made while
// no scope is open comes from the heap. A block goes back to the heap when the last piece made in
// it is freed and no scope takes pieces from it.
#pragma once

#include <cstddef>

namespace BehaviorMemory
{
	// What every piece is aligned to; a node type that needs more is refused when it is registered.
	inline constexpr std::size_t kAlignment = alignof(void*);

	void* Allocate(std::size_t bytes);
	void Free(void* piece) noexcept;
}

// Open while one tree is read; scopes may nest, the innermost one takes the pieces.
class BehaviorBlockScope
{
public:
	BehaviorBlockScope();
	~BehaviorBlockScope();
	BehaviorBlockScope(const BehaviorBlockScope&) = delete;
	BehaviorBlockScope& operator=(const BehaviorBlockScope&) = delete;

	struct Block;

private:
	Block* outerBlock;
};

// For the child lists: their records are read in every update of the parent.
template <class T>
struct BehaviorAllocator
{
	using value_type = T;

	BehaviorAllocator() = default;
	template <class U>
	BehaviorAllocator(const BehaviorAllocator<U>&) noexcept
	{
	}

	T* allocate(std::size_t count) { return static_cast<T*>(BehaviorMemory::Allocate(count * sizeof(T))); }
	void deallocate(T* piece, std::size_t) noexcept { BehaviorMemory::Free(piece); }

	template <class U>
	bool operator==(const BehaviorAllocator<U>&) const noexcept
	{
		return true;
	}
};
