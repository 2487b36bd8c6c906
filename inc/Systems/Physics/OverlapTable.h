// OverlapTable: the sweep-and-prune's count, per pair of boxes, of the axes on which they overlap.
// It is hit on every swap of a minimum and a maximum and holds tens of thousands of pairs in a
// falling pile, so each entry is one 16-byte slot (a 64-bit pair key and its count) found by linear
// probing from a multiplicative hash: one cache line per lookup in the common case. Nobody walks
// it, so it keeps no order; erasing shifts the following entries back instead of leaving marks.
#pragma once

#include <cstdint>
#include <vector>

class OverlapTable
{
public:
	struct Entry
	{
		std::uint64_t key = kNoKey;
		int count = 0;
	};

	// A key no pair can have: pairs pack two different serials, the smaller in the high half.
	static constexpr std::uint64_t kNoKey = ~std::uint64_t{0};

	// The pair of two distinct insertion serials, the same whichever is given first.
	static std::uint64_t KeyOf(std::uint32_t serialA, std::uint32_t serialB)
	{
		return serialA < serialB ? (std::uint64_t{serialA} << 32) | serialB : (std::uint64_t{serialB} << 32) | serialA;
	}

	OverlapTable();

	// The entry of the key, or null.
	Entry* Find(std::uint64_t key);
	const Entry* Find(std::uint64_t key) const;
	// The entry of the key, added with a count of 0 when absent. The reference holds until the
	// next insertion or erasure.
	Entry& FindOrAdd(std::uint64_t key);
	// Removes an entry Find or FindOrAdd returned.
	void Erase(Entry& entry);
	// Removes the key's entry; false when there is none.
	bool Erase(std::uint64_t key);
	// Forgets every entry; the slots stay.
	void Clear();

	unsigned Size() const { return used; }
	bool Empty() const { return used == 0; }
	unsigned SlotCount() const { return static_cast<unsigned>(slots.size()); }

private:
	// A power of two; the table doubles before it is more than half full, which keeps probes short
	// on a table hit this often.
	static constexpr unsigned kMinSlots = 1024;

	std::size_t HomeOf(std::uint64_t key) const;
	std::size_t Next(std::size_t index) const { return (index + 1) & mask; }
	void Grow();

	std::vector<Entry> slots;
	std::size_t mask = 0;
	unsigned shift = 0;
	unsigned used = 0;
};
