// MediaInfo: the shared, reference-counted cache entry of every kind of loaded media (compiled
// shader stages, shader programs, textures, primitive meshes, models). Entries belong to their
// cache and live until the cache is emptied; a count that falls to 0 frees nothing.
#pragma once

#include <string>

template <class T>
struct MediaInfo
{
	unsigned count = 1;
	T media{};
	// The key under which the entry was created.
	std::string name;
};

// Gives a component's reference back and forgets the entry; nothing when it holds none.
template <class T>
void ReleaseMedia(MediaInfo<T>*& entry)
{
	if (entry != nullptr && entry->count > 0)
		--entry->count;
	entry = nullptr;
}
