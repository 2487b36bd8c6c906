#include "HandlerTable.h"

#include <algorithm>

void HandlerTable::Add(const MessageName& name, const Entry& entry)
{
	const std::uint32_t id = name.Intern();
	if (id >= lists.size())
		lists.resize(id + 1);
	if (lists[id] == nullptr)
		lists[id] = std::make_unique<SlotList>();
	lists[id]->push_back(Slot{entry});
}

bool HandlerTable::Contains(const MessageName& name, unsigned objectId, unsigned typeId) const
{
	const SlotList* slots = Find(name);
	return slots != nullptr && std::any_of(slots->begin(), slots->end(), [&](const Slot& slot) {
		return !slot.dropped && slot.entry.objectId == objectId && slot.entry.typeId == typeId;
	});
}

void HandlerTable::Drop(unsigned objectId)
{
	for (const std::unique_ptr<SlotList>& slots : lists)
		if (slots != nullptr)
			for (Slot& slot : *slots)
				if (objectId == 0 || slot.entry.objectId == objectId)
					MarkDropped(slot);
}

void HandlerTable::Drop(const MessageName& name, unsigned objectId)
{
	SlotList* slots = Find(name);
	if (slots == nullptr)
		return;
	for (Slot& slot : *slots)
		if (objectId == 0 || slot.entry.objectId == objectId)
			MarkDropped(slot);
}

tw::unordered_vector<IDPair> HandlerTable::Targets(const MessageName& name) const
{
	tw::unordered_vector<IDPair> targets;
	if (const SlotList* slots = Find(name))
		for (const Slot& slot : *slots)
			if (!slot.dropped)
				targets.push_back(IDPair(slot.entry.objectId, slot.entry.typeId));
	return targets;
}

void HandlerTable::MarkDropped(Slot& slot)
{
	if (slot.dropped)
		return;
	slot.dropped = true;
	++droppedCount;
}

void HandlerTable::EraseDropped()
{
	for (std::unique_ptr<SlotList>& slots : lists)
	{
		if (slots == nullptr)
			continue;
		std::erase_if(*slots, [](const Slot& slot) { return slot.dropped; });
		if (slots->empty())
			slots.reset();
	}
	droppedCount = 0;
}
