#include "HandlerTable.h"

#include <algorithm>

HandlerTable::~HandlerTable()
{
	if (lists != nullptr)
		for (auto& named : *lists)
			delete named.second;
}

HandlerTable::SlotList* HandlerTable::Find(const MessageName& name) const
{
	if (lists == nullptr)
		return nullptr;
	const auto found = lists->find(name);
	return found != lists->end() ? found->second : nullptr;
}

void HandlerTable::Add(const MessageName& name, const Entry& entry)
{
	if (lists == nullptr)
		lists = std::make_unique<ListTable>();
	SlotList*& slots = (*lists)[name];
	if (slots == nullptr)
		slots = new SlotList;
	slots->push_back(Slot{entry});
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
	if (lists == nullptr)
		return;
	for (auto& named : *lists)
		for (Slot& slot : *named.second)
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
	for (auto named = lists->begin(); named != lists->end();)
	{
		SlotList& slots = *named->second;
		std::erase_if(slots, [](const Slot& slot) { return slot.dropped; });
		if (slots.empty())
		{
			delete named->second;
			named = lists->erase(named);
		}
		else
			++named;
	}
	droppedCount = 0;
}
