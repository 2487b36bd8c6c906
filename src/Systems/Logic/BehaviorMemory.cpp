#include "Systems/Logic/BehaviorMemory.h"

#include <algorithm>
#include <new>
#include <utility>

namespace
{
	// About ten characters' trees; a piece that does not fit in what is left starts a new block.
	constexpr std::size_t kBlockBytes = 4096;

	std::size_t Aligned(std::size_t bytes)
	{
		return (bytes + BehaviorMemory::kAlignment - 1) / BehaviorMemory::kAlignment * BehaviorMemory::kAlignment;
	}
}

struct BehaviorBlockScope::Block
{
	std::size_t capacity;
	std::size_t used = 0;
	std::size_t livePieces = 0;
	// Its scope still takes pieces from it.
	bool open = true;

	explicit Block(std::size_t capacity) : capacity(capacity) {}
	unsigned char* Storage() { return reinterpret_cast<unsigned char*>(this + 1); }

	static Block* Make(std::size_t capacity)
	{
		return new (::operator new(sizeof(Block) + capacity)) Block(capacity);
	}
	static void Release(Block* block)
	{
		block->~Block();
		::operator delete(block);
	}
};

namespace
{
	using Block = BehaviorBlockScope::Block;

	// Before every piece: the block it was taken from, none for the heap.
	struct PieceHeader
	{
		Block* block;
	};
	static_assert(sizeof(PieceHeader) % BehaviorMemory::kAlignment == 0);

	// The innermost open scope's block; none while no scope is open.
	Block* openBlock = nullptr;
	// The block the last scope closed, while it holds pieces: the next tree goes on in it, so the
	// trees of a level lie one after the other.
	Block* lastBlock = nullptr;

	void Release(Block* block)
	{
		if (block == lastBlock)
			lastBlock = nullptr;
		Block::Release(block);
	}

	void Close(Block* block)
	{
		block->open = false;
		if (block->livePieces == 0)
			Release(block);
	}

	void* FromBlock(std::size_t bytes)
	{
		const std::size_t needed = sizeof(PieceHeader) + Aligned(bytes);
		if (openBlock->capacity - openBlock->used < needed)
		{
			Close(openBlock);
			openBlock = Block::Make(std::max(kBlockBytes, needed));
		}
		auto* header = reinterpret_cast<PieceHeader*>(openBlock->Storage() + openBlock->used);
		header->block = openBlock;
		openBlock->used += needed;
		++openBlock->livePieces;
		return header + 1;
	}
}

void* BehaviorMemory::Allocate(std::size_t bytes)
{
	if (openBlock != nullptr)
		return FromBlock(bytes);
	auto* header = static_cast<PieceHeader*>(::operator new(sizeof(PieceHeader) + bytes));
	header->block = nullptr;
	return header + 1;
}

void BehaviorMemory::Free(void* piece) noexcept
{
	if (piece == nullptr)
		return;
	PieceHeader* header = static_cast<PieceHeader*>(piece) - 1;
	Block* block = header->block;
	if (block == nullptr)
	{
		::operator delete(header);
		return;
	}
	if (--block->livePieces == 0 && !block->open)
		Release(block);
}

BehaviorBlockScope::BehaviorBlockScope()
	: outerBlock(openBlock)
{
	if (lastBlock != nullptr)
	{
		openBlock = std::exchange(lastBlock, nullptr);
		openBlock->open = true;
	}
	else
		openBlock = Block::Make(kBlockBytes);
}

BehaviorBlockScope::~BehaviorBlockScope()
{
	if (openBlock->livePieces > 0)
		lastBlock = openBlock;
	Close(openBlock);
	openBlock = outerBlock;
}
