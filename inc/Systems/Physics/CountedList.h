// CountedList: a counted list {count, first, last} threaded through the items' own next and prev
// fields. The physics stages keep their colliders, contacts, contact-row references and connections
// in such lists, so moving an item between lists never allocates.
#pragma once

template <class T>
struct CountedList
{
	unsigned count = 0;
	T* first = nullptr;
	T* last = nullptr;

	void Append(T& item)
	{
		item.next = nullptr;
		item.prev = last;
		(last != nullptr ? last->next : first) = &item;
		last = &item;
		++count;
	}

	// True for an item linked into this list or into another list of the same kind: callers use
	// it only where an item can be in this list or none.
	bool Contains(const T& item) const { return item.prev != nullptr || first == &item; }

	// An item that is in no list is left alone.
	void Remove(T& item)
	{
		if (!Contains(item))
			return;
		(item.prev != nullptr ? item.prev->next : first) = item.next;
		(item.next != nullptr ? item.next->prev : last) = item.prev;
		item.next = item.prev = nullptr;
		--count;
	}

	void Clear()
	{
		count = 0;
		first = last = nullptr;
	}
};
