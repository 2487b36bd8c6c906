// tw::hash_map: the program's map for every table by id, name or pointer. Open addressing with double
// hashing; iteration runs from the most recently inserted element to the oldest (see HashTable.h).
#pragma once

#include "Utilities/HashTable.h"

#include <functional>
#include <tuple>

namespace tw
{
	template <class Key, class Value, class Hash = ext::hash<Key>, class Equal = std::equal_to<Key>,
			  class Alloc = std::allocator<hash_slot<std::pair<const Key, Value>>>>
	class hash_map
		: public detail::hash_table<std::pair<const Key, Value>, Key, detail::SelectFirst, Hash, Equal, Alloc, false>
	{
		using table = detail::hash_table<std::pair<const Key, Value>, Key, detail::SelectFirst, Hash, Equal, Alloc, false>;

	public:
		using mapped_type = Value;
		using typename table::value_type;
		using typename table::iterator;
		using typename table::const_iterator;

		// A present key is left unchanged and returned with false.
		std::pair<iterator, bool> insert(const value_type& element)
		{
			return this->Emplace(element.first, element);
		}
		std::pair<iterator, bool> insert(value_type&& element)
		{
			return this->Emplace(element.first, std::move(element));
		}

		// Inserts (key, Value()) first when the key is absent.
		Value& operator[](const Key& key)
		{
			if (const iterator found = this->find(key); found != this->end())
				return found->second;
			// The key may lie in this very map (m[m["a"]]), and the insert may rebuild the table,
			// moving it away: the element is built from a copy.
			Key copy(key);
			return this->Emplace(copy, std::piecewise_construct, std::forward_as_tuple(std::move(copy)), std::tuple<>())
				.first->second;
		}
		Value& operator[](Key&& key)
		{
			return this->Emplace(key, std::piecewise_construct, std::forward_as_tuple(std::move(key)), std::tuple<>())
				.first->second;
		}
	};
}
