// Sorting an intrusive list in place by a key, largest first. The renderer orders its point
// sprites, and each point sprite its depth groups, this way every frame, back to front.
#pragma once

#include "Utilities/IntrusiveList.h"

#include <algorithm>
#include <cstddef>
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
	// An insertion sort: stable, and unlike std::stable_sort it asks for no buffer. The order
	// changes little from frame to frame, so it is close to one pass over the list.
	for (std::size_t i = 1; i < scratch.size(); ++i)
	{
		T* member = scratch[i];
		std::size_t j = i;
		for (; j > 0 && key(scratch[j - 1]) < key(member); --j)
			scratch[j] = scratch[j - 1];
		scratch[j] = member;
	}
	for (T* member : scratch)
	{
		list.Remove(member);
		list.PushBack(member);
	}
}
