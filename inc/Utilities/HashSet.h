// tw::hash_set: the program's set of ids, names or pointers; the same table as tw::hash_map with the
// key as the whole element, so its iterators are read-only.
#pragma once

#include "Utilities/HashTable.h"

#include <functional>

namespace tw
{
	template <class Key, class Hash = ext::hash<Key>, class Equal = std::equal_to<Key>,
			  class Alloc = std::allocator<hash_slot<Key>>>
	class hash_set : public detail::hash_table<Key, Key, detail::SelectSelf, Hash, Equal, Alloc, true>
	{
		using table = detail::hash_table<Key, Key, detail::SelectSelf, Hash, Equal, Alloc, true>;

	public:
		using typename table::iterator;

		// A present key is left unchanged and returned with false.
		std::pair<iterator, bool> insert(const Key& key)
		{
			return this->Emplace(key, key);
		}
		std::pair<iterator, bool> insert(Key&& key)
		{
			return this->Emplace(key, std::move(key));
		}
	};
}
