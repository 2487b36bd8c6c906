// Sorting an intrusive list in place by a key, largest first. The renderer orders its point
// sprites, and each point sprite its depth groups, this way every frame, back to front.
#pragma once

#include "Utilities/IntrusiveList.h"

#include <algorithm>
#include <vector>

// Largest key first; of two equal keys the member later in the list goes first (as a bottom-up
// merge sort that takes from its later run on a tie). The scratch vector keeps its capacity, so
// a sort every frame allocates nothing once it has grown.
template <class T, ListLinks<T> T::*Links, class Key>
void SortLargestFirst(IntrusiveList<T, Links>& list, std::vector<T*>& scratch, Key key)
{
	scratch.clear();
	list.ForEach([&scratch](T* member) { scratch.push_back(member); });
	std::reverse(scratch.begin(), scratch.end());
	std::stable_sort(scratch.begin(), scratch.end(), [&key](const T* a, const T* b) { return key(a) > key(b); });
	for (T* member : scratch)
	{
		list.Remove(member);
		list.PushBack(member);
	}
}
