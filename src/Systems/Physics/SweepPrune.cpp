#include "Systems/Physics/SweepPrune.h"

SweepPrune::SweepPrune()
{
	objects.Reserve(kCapacity);
	pairs.max_load_factor(kPairMapLoad);
}

void SweepPrune::AddAxis(const std::string& name, int index)
{
	Axis& axis = axes[name];
	axis.index = index;
	axis.extrema.Reserve(kCapacity);
}

bool SweepPrune::HasRoom() const
{
	if (objects.Full())
		return false;
	for (const auto& [name, axis] : axes)
		if (axis.extrema.Count() + 2 > axis.extrema.Capacity())
			return false;
	return true;
}

bool SweepPrune::Insert(Key key, const float* box)
{
	if (!HasRoom())
	{
		if (refusedCount++ == 0)
			std::cerr << "SweepPrune: full with " << objects.Count() << " boxes; a collider was left out of the broad phase"
					  << " (further refusals are counted, not printed)\n";
		return false;
	}
	Object* object = objects.Insert(Object{key, box, nextSerial++});
	object->index = objects.IndexOf(objects.NodeOf(object));
	// The new ends wait unsorted at the tail: the next sort carries them into place and counts
	// every overlap they meet on the way.
	for (auto& [name, axis] : axes)
	{
		axis.extrema.Insert(Extremum{kMinimum, &box[axis.index], object});
		axis.extrema.Insert(Extremum{kMaximum, &box[3 + axis.index], object});
	}
	return true;
}

const SweepPrune::Object* SweepPrune::ObjectOf(Key key) const
{
	for (const Object& object : objects)
		if (object.key == key)
			return &object;
	return nullptr;
}

int SweepPrune::AxesOverlapping(Key a, Key b) const
{
	const Object* objectA = ObjectOf(a);
	const Object* objectB = ObjectOf(b);
	// A box with itself has no key: the key of one index twice may read as an empty slot.
	if (objectA == nullptr || objectB == nullptr || objectA == objectB)
		return 0;
	const OverlapTable::Entry* entry = overlaps.Find(OverlapTable::KeyOf(objectA->index, objectB->index));
	return entry != nullptr ? entry->Count() : 0;
}

void SweepPrune::Remove(Key key)
{
	const Object* removed = ObjectOf(key);
	if (removed == nullptr)
		return;
	for (auto& [name, axis] : axes)
	{
		int ends = 0;
		for (ExtremumNode* node = axis.extrema.Head(); node != nullptr && ends < 2;)
		{
			ExtremumNode* next = node->next;
			if (node->element.owner == removed)
			{
				axis.extrema.Erase(node);
				++ends;
			}
			node = next;
		}
	}
	for (const Object& other : objects)
	{
		if (&other == removed)
			continue;
		overlaps.Erase(OverlapTable::KeyOf(other.index, removed->index));
		pairs.erase(PairOf(other, *removed));
	}
	objects.Erase(removed);
}

void SweepPrune::Update()
{
	if (objects.Count() < 2)
		return;
	for (auto& [name, axis] : axes)
		SortAxis(axis);
}

void SweepPrune::Clear()
{
	objects.Clear();
	for (auto& [name, axis] : axes)
		axis.extrema.Clear();
	overlaps.Clear();
	pairs.clear();
}

void SweepPrune::Dump(std::ostream& out) const
{
	out << '\n'
		<< objects.Count() << " objects\n"
		<< overlaps.Size() << " overlaps\n"
		<< pairs.size() << " pairs\n";
	for (const auto& [name, axis] : axes)
	{
		const char* letter = axis.index == 0 ? "X" : axis.index == 1 ? "Y" : "Z";
		out << axis.extrema.Count() << " extrema on " << letter << " axis\n";
	}
	out << '\n';
}

void SweepPrune::SortAxis(Axis& axis)
{
	ExtremumNode* head = axis.extrema.Head();
	ExtremumNode* moving = head != nullptr ? head->next : nullptr;
	while (moving != nullptr)
	{
		ExtremumNode* const following = moving->next;
		const Extremum& end = moving->element;
		const float value = *end.value;
		// Strict comparisons: equal ends never swap, so boxes that only touch do not overlap when
		// they arrive in that order, and a tie keeps the order it has.
		ExtremumNode* landing = nullptr;
		for (ExtremumNode* walked = moving->prev; walked != nullptr && *walked->element.value > value; walked = walked->prev)
		{
			const Extremum& passed = walked->element;
			// Two minima or two maxima passing each other change no overlap: the owners are read
			// only when a minimum and a maximum swap.
			if (passed.kind != end.kind && passed.owner->key != end.owner->key)
			{
				if (end.kind == kMaximum)
					EndOverlap(*end.owner, *passed.owner);
				else
					BeginOverlap(*end.owner, *passed.owner);
			}
			landing = walked;
		}
		if (landing != nullptr)
			axis.extrema.MoveBefore(moving, landing);
		moving = following;
	}
}

SweepPrune::PairKey SweepPrune::PairOf(const Object& a, const Object& b)
{
	return a.serial < b.serial ? PairKey(a.key, b.key) : PairKey(b.key, a.key);
}

void SweepPrune::BeginOverlap(const Object& a, const Object& b)
{
	OverlapTable::Entry& entry = overlaps.FindOrAdd(OverlapTable::KeyOf(a.index, b.index));
	const int count = entry.Count() + 1;
	// Three axes at most: the count has two bits.
	if (count > 3)
		return;
	entry.SetCount(count);
	if (count == 3)
		pairs.insert({PairOf(a, b), 1});
}

void SweepPrune::EndOverlap(const Object& a, const Object& b)
{
	OverlapTable::Entry* entry = overlaps.Find(OverlapTable::KeyOf(a.index, b.index));
	if (entry == nullptr)
		return;
	const int count = entry->Count();
	if (count == 1)
		overlaps.Erase(*entry);
	else if (count == 2)
		entry->SetCount(1);
	else if (count == 3)
	{
		pairs.erase(PairOf(a, b));
		entry->SetCount(2);
	}
}
