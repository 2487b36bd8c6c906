// SweepPrune: the broad phase of the moving colliders. It keeps both ends of every box, per axis, in
// a list sorted by coordinate and re-sorts the lists once per step by insertion sort; every swap of
// a minimum and a maximum updates, per pair, on how many axes the two boxes overlap, and a pair that
// overlaps on all three enters the pair map that the detection stage walks. It reads the boxes where
// their owners keep them, so a box that moves is seen at the next Update without any call.
#pragma once

#include "Systems/Physics/OverlapTable.h"
#include "Utilities/ContiguousList.h"
#include "Utilities/HashMap.h"

#include <iostream>
#include <string>
#include <utility>

class SweepPrune
{
public:
	// Records, and extrema per axis: every box puts two extrema on each axis, so 2500 boxes.
	static constexpr unsigned kCapacity = 5000;
	static constexpr unsigned kMaxBoxes = kCapacity / 2;
	static_assert(kCapacity <= OverlapTable::kIndexLimit, "the overlap table keys records by their index");
	// The pair map is hit whenever a pair starts or stops overlapping on all three axes: short
	// probes matter more than memory there.
	static constexpr float kPairMapLoad = 0.5f;

	using Key = const void*;
	// The two keys, the one inserted first in front, so a pair reads the same whatever the
	// addresses the allocator gave and however its ends met.
	using PairKey = std::pair<const void*, const void*>;

	struct Object
	{
		Key key = nullptr;
		// Minimum x, y, z, then maximum x, y, z; owned by the key's owner.
		const float* box = nullptr;
		// Order of insertion, which orders the keys of a pair.
		unsigned serial = 0;
		// The record's place in the pool, which keys the overlap counts.
		unsigned index = 0;
	};

	enum ExtremumKind : int
	{
		kMinimum = 1,
		kMaximum = 2,
	};

	struct Extremum
	{
		int kind = kMinimum;
		// The box float this end stands for.
		const float* value = nullptr;
		Object* owner = nullptr;
	};

	struct Axis
	{
		// The box component the axis reads: 0 x, 1 y, 2 z.
		int index = 0;
		tw::ContiguousList<Extremum> extrema;
	};

	using PairMap = tw::hash_map<PairKey, int>;

	SweepPrune();
	// The extrema point into the structure's own records.
	SweepPrune(const SweepPrune&) = delete;
	SweepPrune& operator=(const SweepPrune&) = delete;

	// Creates the axis under its name, reading box component index, with room for kCapacity extrema.
	void AddAxis(const std::string& name, int index);
	// Files the key's box; its overlaps are counted at the next Update. False, with a diagnostic
	// printed for the first refusal and the others counted, when the structure is full.
	bool Insert(Key key, const float* box);
	// Forgets the key and every overlap that names it; an unknown key changes nothing.
	void Remove(Key key);
	// Re-sorts every axis, counting the overlaps that begin and end.
	void Update();
	// Forgets every box and overlap; the axes stay.
	void Clear();
	// The counts of objects, overlaps, pairs and extrema per axis (the "DebugSAP" report).
	void Dump(std::ostream& out = std::cout) const;

	// The pairs whose boxes overlap on all three axes; the value is always 1.
	const PairMap& GetPairs() const { return pairs; }
	// The pairs whose boxes overlap on at least one axis.
	unsigned GetOverlapCount() const { return overlaps.Size(); }
	// On how many axes (0 to 3) the boxes of two filed keys overlap; 0 for a key not filed.
	int AxesOverlapping(Key a, Key b) const;
	unsigned GetObjectCount() const { return objects.Count(); }
	// Insertions refused because the structure was full.
	unsigned GetRefusedCount() const { return refusedCount; }

private:
	using ExtremumNode = tw::ContiguousList<Extremum>::Node;

	void SortAxis(Axis& axis);
	void BeginOverlap(const Object& a, const Object& b);
	void EndOverlap(const Object& a, const Object& b);
	static PairKey PairOf(const Object& a, const Object& b);
	const Object* ObjectOf(Key key) const;
	bool HasRoom() const;

	tw::ContiguousList<Object> objects;
	// Keyed by the two objects' record indices: a record leaves with every overlap naming it,
	// so a reused index inherits none.
	OverlapTable overlaps;
	tw::hash_map<std::string, Axis> axes;
	PairMap pairs;
	unsigned nextSerial = 0;
	unsigned refusedCount = 0;
};
