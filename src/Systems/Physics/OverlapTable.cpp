#include "Systems/Physics/OverlapTable.h"

#include <algorithm>
#include <bit>

OverlapTable::OverlapTable() : slots(kMinSlots), mask(kMinSlots - 1), shift(64 - std::countr_zero(kMinSlots))
{
}

std::size_t OverlapTable::HomeOf(std::uint32_t key) const
{
	// Fibonacci hashing: the high bits of the product mix both indices.
	return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
}

OverlapTable::Entry* OverlapTable::Find(std::uint32_t key)
{
	for (std::size_t index = HomeOf(key);; index = Next(index))
	{
		Entry& slot = slots[index];
		if (slot.Key() == key)
			return &slot;
		if (slot.bits == 0)
			return nullptr;
	}
}

const OverlapTable::Entry* OverlapTable::Find(std::uint32_t key) const
{
	return const_cast<OverlapTable*>(this)->Find(key);
}

OverlapTable::Entry& OverlapTable::FindOrAdd(std::uint32_t key)
{
	if (2 * (used + 1) > slots.size())
		Grow();
	for (std::size_t index = HomeOf(key);; index = Next(index))
	{
		Entry& slot = slots[index];
		if (slot.Key() == key)
			return slot;
		if (slot.bits == 0)
		{
			slot.bits = key << 2;
			++used;
			return slot;
		}
	}
}

void OverlapTable::Erase(Entry& entry)
{
	// Backward shift: every entry of the run after the hole that may live in it moves in, so a
	// probe never stops early at an emptied slot.
	std::size_t hole = static_cast<std::size_t>(&entry - slots.data());
	for (std::size_t index = Next(hole); slots[index].bits != 0; index = Next(index))
	{
		const std::size_t home = HomeOf(slots[index].Key());
		// The entry may fill the hole when its home does not lie cyclically in (hole, index].
		const bool homeAfterHole = ((home - hole - 1) & mask) < ((index - hole) & mask);
		if (!homeAfterHole)
		{
			slots[hole] = slots[index];
			hole = index;
		}
	}
	slots[hole] = Entry{};
	--used;
}

bool OverlapTable::Erase(std::uint32_t key)
{
	Entry* entry = Find(key);
	if (entry == nullptr)
		return false;
	Erase(*entry);
	return true;
}

void OverlapTable::Clear()
{
	std::fill(slots.begin(), slots.end(), Entry{});
	used = 0;
}

void OverlapTable::Grow()
{
	std::vector<Entry> old(slots.size() * 2);
	old.swap(slots);
	mask = slots.size() - 1;
	--shift;
	used = 0;
	for (const Entry& entry : old)
		if (entry.bits != 0)
			FindOrAdd(entry.Key()).SetCount(entry.Count());
}
