// IntrusiveList: a doubly linked list whose links live inside its members, so joining and leaving
// allocate nothing. The renderer keeps its component lists this way: a component links itself in
// when it starts and out when it detaches, and the list never owns it.
#pragma once

#include <cstdint>

// The links a member carries for one list. Copying a member does not copy its place in a list:
// a copy is on no list until it links itself in.
template <class T>
struct ListLinks
{
	T* next = nullptr;
	T* prev = nullptr;

	ListLinks() = default;
	ListLinks(const ListLinks&) {}
	ListLinks& operator=(const ListLinks&) { return *this; }
};

template <class T, ListLinks<T> T::*Links>
class IntrusiveList
{
public:
	unsigned Count() const { return count; }
	T* First() const { return first; }
	T* Last() const { return last; }
	static T* Next(const T* member) { return (member->*Links).next; }

	void PushBack(T* member) { InsertBefore(nullptr, member); }

	// Links the member before position (at the end when position is null). A member already on
	// the list stays where it is: linking it twice would tie the list into a loop.
	void InsertBefore(T* position, T* member)
	{
		if (IsLinked(member))
			return;
		ListLinks<T>& links = member->*Links;
		links.next = position;
		links.prev = position != nullptr ? (position->*Links).prev : last;
		(links.prev != nullptr ? (links.prev->*Links).next : first) = member;
		(position != nullptr ? (position->*Links).prev : last) = member;
		++count;
	}

	// Links the member before the first one for which goesBefore(listed) holds, else at the end.
	template <class Predicate>
	void InsertOrdered(T* member, Predicate goesBefore)
	{
		if (IsLinked(member))
			return;
		T* position = first;
		while (position != nullptr && !goesBefore(position))
			position = Next(position);
		InsertBefore(position, member);
	}

	// Unlinks the member and poisons its links, so that a second unlink (or one of a member never
	// linked here) changes nothing.
	void Remove(T* member)
	{
		ListLinks<T>& links = member->*Links;
		if (links.next == Poison() || !IsLinked(member))
			return;
		(links.prev != nullptr ? (links.prev->*Links).next : first) = links.next;
		(links.next != nullptr ? (links.next->*Links).prev : last) = links.prev;
		links.next = links.prev = Poison();
		--count;
	}

	bool IsLinked(const T* member) const
	{
		const ListLinks<T>& links = member->*Links;
		if (links.next == Poison())
			return false;
		return (links.prev != nullptr ? (links.prev->*Links).next : first) == member;
	}

	// Calls f on every member, head to tail. f may unlink the member it was given or any other
	// member: the walk goes on from the member's successor as it stands after f, or from the
	// successor it had before f when the member itself left.
	template <class F>
	void ForEach(F f) const
	{
		for (T* member = first; member != nullptr;)
		{
			T* next = Next(member);
			f(member);
			if (IsLinked(member))
				member = Next(member);
			else
				member = next != nullptr && IsLinked(next) ? next : nullptr;
		}
	}

private:
	static T* Poison() { return reinterpret_cast<T*>(static_cast<std::uintptr_t>(0xDEADBEEF)); }

	unsigned count = 0;
	T* first = nullptr;
	T* last = nullptr;
};
