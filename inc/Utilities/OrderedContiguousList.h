// OrderedContiguousList: a fixed-capacity pool whose list always runs in the address order of its
// nodes, so a walk visits the elements in array order. Insert takes the lowest free node. The
// resolution stage keeps its rigid bodies and its constraint records in such pools.
#pragma once

#include "Utilities/PoolList.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace tw
{
	template <class T>
	class OrderedContiguousList : public detail::PoolList<T>
	{
		using Base = detail::PoolList<T>;

	public:
		using typename Base::Node;

		OrderedContiguousList() { Reserve(0); }
		OrderedContiguousList(const OrderedContiguousList&) = delete;
		OrderedContiguousList& operator=(const OrderedContiguousList&) = delete;

		// Used on an empty list: a new array of capacity nodes (0 is taken as 1).
		void Reserve(unsigned newCapacity)
		{
			Base::Allocate(newCapacity);
			MarkAllFree();
		}

		// Empties the list; the next insert lands in the first node of the array.
		void Clear()
		{
			Base::ForgetAll();
			MarkAllFree();
		}

		// Copies the element into the lowest free node, linked at its address position, and
		// returns the stored element; null when the pool is full.
		T* Insert(const T& element)
		{
			if (lowestFree >= this->capacity)
				return nullptr;
			const unsigned index = lowestFree;
			SetFree(index, false);
			lowestFree = NextFree(index + 1);

			Node* node = Base::Occupy(Base::NodeAt(index), element);
			Node* head = this->head;
			if (head == nullptr || index < Base::IndexOf(head))
				Base::LinkBefore(node, head);
			else
				// Every node below the lowest free one is in use: the one just below is listed.
				Base::LinkBefore(node, Base::NodeAt(index - 1)->next);
			return &node->element;
		}

		// Unlinks the node and files it free at its address. The free nodes are kept as a bit set,
		// so nothing is walked. False, changing nothing, for a node that holds no element of it.
		bool Erase(Node* node)
		{
			if (!Base::Holds(node))
				return false;
			Base::Vacate(node);
			const unsigned index = Base::IndexOf(node);
			SetFree(index, true);
			if (index < lowestFree)
				lowestFree = index;
			return true;
		}

		bool Erase(const T* element) { return Erase(Base::NodeOf(element)); }

		// The node the next insert takes; null when the pool is full.
		Node* FreeHead() const { return lowestFree < this->capacity ? Base::NodeAt(lowestFree) : nullptr; }

	private:
		static constexpr unsigned kWordBits = 64;

		void MarkAllFree()
		{
			freeBits.assign((this->capacity + kWordBits - 1) / kWordBits, ~std::uint64_t{0});
			lowestFree = 0;
		}

		void SetFree(unsigned index, bool free)
		{
			const std::uint64_t bit = std::uint64_t{1} << (index % kWordBits);
			if (free)
				freeBits[index / kWordBits] |= bit;
			else
				freeBits[index / kWordBits] &= ~bit;
		}

		// The lowest free index at or above from; capacity when there is none.
		unsigned NextFree(unsigned from) const
		{
			for (unsigned word = from / kWordBits; word < freeBits.size(); ++word)
			{
				std::uint64_t bits = freeBits[word];
				if (word == from / kWordBits)
					bits &= ~std::uint64_t{0} << (from % kWordBits);
				if (bits != 0)
				{
					const unsigned index = word * kWordBits + static_cast<unsigned>(std::countr_zero(bits));
					return index < this->capacity ? index : this->capacity;
				}
			}
			return this->capacity;
		}

		// One bit per node, set while the node is free. The bits past the capacity stay set and
		// are never reported.
		std::vector<std::uint64_t> freeBits;
		unsigned lowestFree = 0;
	};
}
