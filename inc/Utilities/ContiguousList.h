// ContiguousList: a fixed-capacity pool whose list runs in the order of insertion. Insert and
// Erase take constant time: the most recently freed node is taken first. The sweep-and-prune keeps
// its records and extrema in it, the contact stage its contact points, row references and manifolds.
#pragma once

#include "Utilities/PoolList.h"

namespace tw
{
	template <class T>
	class ContiguousList : public detail::PoolList<T>
	{
		using Base = detail::PoolList<T>;

	public:
		using typename Base::Node;

		// Room for one element until the owner reserves its real capacity.
		ContiguousList() { Reserve(0); }

		// The same capacity and the same walk, the copies in the first nodes of the array.
		ContiguousList(const ContiguousList& other) : ContiguousList() { CopyFrom(other); }
		ContiguousList& operator=(const ContiguousList& other)
		{
			if (this != &other)
				CopyFrom(other);
			return *this;
		}

		// Used on an empty list: a new array of capacity nodes (0 is taken as 1).
		void Reserve(unsigned newCapacity)
		{
			Base::Allocate(newCapacity);
			ChainFreeNodes();
		}

		// Empties the list; inserts take the nodes from the first one of the array on again.
		void Clear()
		{
			Base::ForgetAll();
			ChainFreeNodes();
		}

		// Appends a copy after the tail and returns the stored element; null when the pool is full.
		T* Insert(const T& element)
		{
			Node* node = freeHead;
			if (node == nullptr)
				return nullptr;
			freeHead = node->next;
			node->next = nullptr;
			Base::Occupy(node, element);
			Base::LinkBefore(node, nullptr);
			return &node->element;
		}

		// Unlinks the node and makes it the next one taken. False, changing nothing, for a node
		// that holds no element of this list.
		bool Erase(Node* node)
		{
			if (!Base::Holds(node))
				return false;
			Base::Vacate(node);
			node->next = freeHead;
			freeHead = node;
			return true;
		}

		// The same for the node that holds the element.
		bool Erase(const T* element) { return Erase(Base::NodeOf(element)); }

		// The node the next insert takes; null when the pool is full.
		Node* FreeHead() const { return freeHead; }

	private:
		// Every free node in address order, the last ending the chain.
		void ChainFreeNodes()
		{
			for (unsigned i = 0; i < this->capacity; ++i)
			{
				Node* node = Base::NodeAt(i);
				node->prev = nullptr;
				node->next = i + 1 < this->capacity ? Base::NodeAt(i + 1) : nullptr;
			}
			freeHead = Base::NodeAt(0);
		}

		void CopyFrom(const ContiguousList& other)
		{
			Reserve(other.Capacity());
			for (const T& element : other)
				Insert(element);
		}

		Node* freeHead = nullptr;
	};
}
