// OverlapTable: the sweep-and-prune's count, per pair of boxes, of the axes on which they overlap.
// It is hit on every swap of a minimum and a maximum and holds hundreds of thousands of pairs while
// a lattice of bodies falls in columns, so each entry is one 32-bit word (the two boxes' record
// indices and the count) found by linear probing from a multiplicative hash. Nobody walks it, so
// it keeps no order; erasing shifts the following entries back instead of leaving marks.
#pragma once

#include <cstdint>
#include <vector>

class OverlapTable
{
public:
	// Record indices must lie below this.
	static constexpr unsigned kIndexLimit = 1u << 15;

	class Entry
	{
	public:
		// 0 to 3.
		int Count() const { return static_cast<int>(bits & kCountMask); }
		void SetCount(int count) { bits = (bits & ~kCountMask) | static_cast<std::uint32_t>(count); }

	private:
		friend class OverlapTable;
		static constexpr std::uint32_t kCountMask = 3;
		// The pair key above the two count bits; 0 marks an empty slot, which no pair of two
		// different indices gives.
		std::uint32_t bits = 0;

		std::uint32_t Key() const { return bits >> 2; }
	};

	// The key of two different record indices, the same whichever is given first.
	static std::uint32_t KeyOf(unsigned indexA, unsigned indexB)
	{
		return indexA < indexB ? indexA << 15 | indexB : indexB << 15 | indexA;
	}

	OverlapTable();

	// The entry of the key, or null.
	Entry* Find(std::uint32_t key);
	const Entry* Find(std::uint32_t key) const;
	// The entry of the key, added with a count of 0 when absent. The reference holds until the
	// next insertion or erasure.
	Entry& FindOrAdd(std::uint32_t key);
	// Removes an entry Find or FindOrAdd returned.
	void Erase(Entry& entry);
	// Removes the key's entry; false when there is none.
	bool Erase(std::uint32_t key);
	// Forgets every entry; the slots stay.
	void Clear();

	unsigned Size() const { return used; }
	bool Empty() const { return used == 0; }
	unsigned SlotCount() const { return static_cast<unsigned>(slots.size()); }

private:
	// A power of two; the table doubles before it is more than half full, which keeps probes short
	// on a table hit this often.
	static constexpr unsigned kMinSlots = 1024;

	std::size_t HomeOf(std::uint32_t key) const;
	std::size_t Next(std::size_t index) const { return (index + 1) & mask; }
	void Grow();

	std::vector<Entry> slots;
	std::size_t mask = 0;
	unsigned shift = 0;
	unsigned used = 0;
};
