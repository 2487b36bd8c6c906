// DisjointSet: keys grouped into sets whose members can be walked, the physics engine's islands of
// touching or connected bodies. Finding a key's set is one lookup; a union moves the members of the
// smaller set into the larger. Each set carries an Info record of its owner's (an island's asleep
// flag); Info supplies `static void Join(Info& kept, Info& absorbed)`, called by every real union.
#pragma once

#include "Utilities/HashMap.h"

#include <memory>

namespace tw
{
	template <class Key, class Info>
	class DisjointSet
	{
	public:
		struct Node;

		// A set: its member list and the key whose node created the record.
		struct Set
		{
			Node* first = nullptr;
			Node* last = nullptr;
			Key owner{};
			unsigned count = 0;
			Info info{};
		};

		struct Node
		{
			Key key{};
			// The record created with the node; the node's set whenever no union holds it.
			std::unique_ptr<Set> own;
			Set* current = nullptr;
			Node* next = nullptr;
			Node* prev = nullptr;
		};

		DisjointSet() = default;
		DisjointSet(const DisjointSet&) = delete;
		DisjointSet& operator=(const DisjointSet&) = delete;

		// A set of its own for a key that has none; a key already in a set keeps its set.
		Set* MakeSet(const Key& key)
		{
			std::unique_ptr<Node>& slot = nodes[key];
			if (slot == nullptr)
			{
				slot = std::make_unique<Node>();
				slot->key = key;
				slot->own = std::make_unique<Set>();
				slot->own->owner = key;
				MakeAlone(*slot);
			}
			return slot->current;
		}

		// Takes the key out of its set; the other members stay together, gathered under a record
		// of their own. False when the key has no set.
		bool Remove(const Key& key)
		{
			const auto found = nodes.find(key);
			if (found == nodes.end())
				return false;
			Node* node = found->second.get();
			Set* set = node->current;
			Detach(*set, *node);
			// The members may live under the departing node's record, which goes with it.
			if (set == node->own.get() && set->count > 0)
				Rehome(*set);
			nodes.erase(found);
			return true;
		}

		// The key's set; null when the key has none.
		Set* Find(const Key& key) const
		{
			const auto found = nodes.find(key);
			return found == nodes.end() ? nullptr : found->second->current;
		}

		// Unites the sets of both keys: the smaller moves into the larger (the second's into the
		// first's on a tie). Returns the united set; null when a key has no set.
		Set* Union(const Key& first, const Key& second)
		{
			Set* kept = Find(first);
			Set* absorbed = Find(second);
			if (kept == nullptr || absorbed == nullptr)
				return nullptr;
			if (kept == absorbed)
				return kept;
			if (absorbed->count > kept->count)
				std::swap(kept, absorbed);
			for (Node* node = absorbed->first; node != nullptr; node = node->next)
				node->current = kept;
			absorbed->first->prev = kept->last;
			kept->last->next = absorbed->first;
			kept->last = absorbed->last;
			kept->count += absorbed->count;
			absorbed->first = absorbed->last = nullptr;
			absorbed->count = 0;
			Info::Join(kept->info, absorbed->info);
			return kept;
		}

		// Every key alone in its own set again; reset gives each set's info a fresh value from the
		// key: `void reset(const Key&, Info&)`.
		template <class Reset>
		void Separate(Reset reset)
		{
			for (auto& entry : nodes)
			{
				MakeAlone(*entry.second);
				reset(entry.first, entry.second->own->info);
			}
		}

		unsigned Size() const { return static_cast<unsigned>(nodes.size()); }
		bool Contains(const Key& key) const { return nodes.find(key) != nodes.end(); }
		void Clear() { nodes.clear(); }

	private:
		void MakeAlone(Node& node)
		{
			Set& set = *node.own;
			set.first = set.last = &node;
			set.count = 1;
			node.current = &set;
			node.next = node.prev = nullptr;
		}

		static void Detach(Set& set, Node& node)
		{
			(node.prev ? node.prev->next : set.first) = node.next;
			(node.next ? node.next->prev : set.last) = node.prev;
			node.next = node.prev = nullptr;
			--set.count;
		}

		// Moves the members of a set whose record is about to go under the record of its first member.
		static void Rehome(Set& set)
		{
			Set& home = *set.first->own;
			home.first = set.first;
			home.last = set.last;
			home.count = set.count;
			home.info = set.info;
			for (Node* node = home.first; node != nullptr; node = node->next)
				node->current = &home;
			set.first = set.last = nullptr;
			set.count = 0;
		}

		hash_map<Key, std::unique_ptr<Node>> nodes;
	};
}
