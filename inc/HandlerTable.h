// HandlerTable: message name -> the component handlers registered for it, in registration order.
// Game objects keep one per object and the engine one for its engine-wide listeners. A handler may
// add or drop entries, or create and destroy objects, while a delivery walks the table: a walk
// visits the entries that existed when it began, skips dropped ones, and erasure waits until no
// walk is running.
#pragma once

#include "Message.h"
#include "MessageName.h"
#include "Object.h"
#include "Utilities/UnorderedVector.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class Component;

class HandlerTable
{
public:
	using Handler = void (Component::*)(Message::Reader);

	struct Entry
	{
		Handler handler;
		// The object owning the handling component; it may differ from the table's object.
		unsigned objectId;
		unsigned typeId;
	};

	HandlerTable() = default;
	HandlerTable(const HandlerTable&) = delete;
	HandlerTable& operator=(const HandlerTable&) = delete;

	// Files the entry behind the existing entries of the name.
	void Add(const MessageName& name, const Entry& entry);
	// Whether a live entry of the name has this owner and component type.
	bool Contains(const MessageName& name, unsigned objectId, unsigned typeId) const;
	// Drops every entry whose owner is objectId; 0 drops every entry.
	void Drop(unsigned objectId);
	void Drop(const MessageName& name, unsigned objectId);
	// (owner id, component type id) of every live entry of the name, in registration order.
	tw::unordered_vector<IDPair> Targets(const MessageName& name) const;

	// For every live entry of the name, in registration order: finds the entry's component with
	// resolve(entry) and calls call(component, handler); an entry whose component is gone (null) is
	// dropped. The component found is kept while epochOf(entry), a count that advances whenever
	// that component may have come or gone, stays the same.
	template <class EpochOf, class Resolve, class Call>
	void Deliver(const MessageName& name, EpochOf&& epochOf, Resolve&& resolve, Call&& call);

private:
	struct Slot
	{
		Entry entry;
		bool dropped = false;
		Component* resolved = nullptr;
		unsigned resolvedEpoch = 0;
	};
	using SlotList = std::vector<Slot>;

	// Counts a running walk for as long as it lives, also when a handler throws.
	class DeliveryScope
	{
	public:
		explicit DeliveryScope(unsigned& activeDeliveries) : activeDeliveries(activeDeliveries)
		{
			++activeDeliveries;
		}
		~DeliveryScope()
		{
			--activeDeliveries;
		}
		DeliveryScope(const DeliveryScope&) = delete;
		DeliveryScope& operator=(const DeliveryScope&) = delete;

	private:
		unsigned& activeDeliveries;
	};

	// Null when the name has no list. A table without entries never looks the name's id up.
	SlotList* Find(const MessageName& name) const
	{
		if (lists.empty())
			return nullptr;
		const std::uint32_t id = name.Id();
		return id < lists.size() ? lists[id].get() : nullptr;
	}
	void MarkDropped(Slot& slot);
	void EraseDropped();

	// Indexed by the name's id, null where the name has no entry; empty until the first
	// registration, since most objects never get a handler. The lists live on the heap so that
	// growing this vector during a walk never moves the list walked.
	std::vector<std::unique_ptr<SlotList>> lists;
	unsigned activeDeliveries = 0;
	unsigned droppedCount = 0;
};

template <class EpochOf, class Resolve, class Call>
void HandlerTable::Deliver(const MessageName& name, EpochOf&& epochOf, Resolve&& resolve, Call&& call)
{
	if (activeDeliveries == 0 && droppedCount != 0)
		EraseDropped();
	SlotList* found = Find(name);
	if (found == nullptr)
		return;
	SlotList& slots = *found;
	// Entries added by the handlers called here wait for the next delivery.
	const std::size_t count = slots.size();
	DeliveryScope scope(activeDeliveries);
	for (std::size_t index = 0; index < count; ++index)
	{
		Slot& slot = slots[index];
		if (slot.dropped)
			continue;
		const unsigned epoch = epochOf(slot.entry);
		if (slot.resolved == nullptr || slot.resolvedEpoch != epoch)
		{
			slot.resolved = resolve(slot.entry);
			slot.resolvedEpoch = epoch;
			if (slot.resolved == nullptr)
			{
				MarkDropped(slot);
				continue;
			}
		}
		// Taken before the call: a handler that adds an entry may move the list's storage.
		Component* component = slot.resolved;
		const Handler handler = slot.entry.handler;
		call(component, handler);
	}
}
