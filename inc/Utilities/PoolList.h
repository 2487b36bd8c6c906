// PoolList: the storage shared by ContiguousList and OrderedContiguousList, the physics engine's
// fixed-capacity pools. Elements live by value in the nodes of one array reserved up front, so a
// physics step never allocates; the nodes in use form a doubly linked list whose order each pool
// chooses. A full pool refuses an insert, and a node that is not in the list is never unlinked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>

namespace tw::detail
{
	template <class T>
	class PoolList
	{
	public:
		struct Node
		{
			Node* next = nullptr;
			Node* prev = nullptr;
			T element{};
			// True while the node holds an element of the list: an erase is checked against it
			// instead of trusting the links of a free node.
			bool listed = false;
		};

		template <class Value, class NodeType>
		class Iterator
		{
		public:
			using iterator_category = std::bidirectional_iterator_tag;
			using value_type = T;
			using difference_type = std::ptrdiff_t;
			using pointer = Value*;
			using reference = Value&;

			Iterator() = default;
			explicit Iterator(NodeType* node) : node(node) {}

			reference operator*() const { return node->element; }
			pointer operator->() const { return &node->element; }
			Iterator& operator++()
			{
				node = node->next;
				return *this;
			}
			Iterator operator++(int)
			{
				Iterator before = *this;
				node = node->next;
				return before;
			}
			bool operator==(const Iterator&) const = default;
			NodeType* GetNode() const { return node; }

		private:
			NodeType* node = nullptr;
		};
		using iterator = Iterator<T, Node>;
		using const_iterator = Iterator<const T, const Node>;

		PoolList() = default;
		~PoolList() = default;
		PoolList(const PoolList&) = delete;
		PoolList& operator=(const PoolList&) = delete;

		unsigned Count() const { return count; }
		unsigned Capacity() const { return capacity; }
		bool IsEmpty() const { return count == 0; }
		bool Full() const { return count == capacity; }
		Node* Head() const { return head; }
		Node* Tail() const { return tail; }
		// The array slot of index i, in use or not.
		Node* NodeAt(unsigned index) const { return &buffer[index]; }
		unsigned IndexOf(const Node* node) const { return static_cast<unsigned>(node - buffer.get()); }

		// The node that holds the element; null for a pointer that is no element of this array or
		// whose node holds no element of the list.
		Node* NodeOf(const T* element) const
		{
			const auto offset = reinterpret_cast<std::uintptr_t>(element) - reinterpret_cast<std::uintptr_t>(buffer.get());
			const std::uintptr_t index = offset / sizeof(Node);
			if (reinterpret_cast<std::uintptr_t>(element) < reinterpret_cast<std::uintptr_t>(buffer.get()) || index >= capacity)
				return nullptr;
			Node* node = &buffer[index];
			return &node->element == element && node->listed ? node : nullptr;
		}

		// True when the node is a slot of this array that holds an element of the list.
		bool Holds(const Node* node) const
		{
			const auto address = reinterpret_cast<std::uintptr_t>(node);
			const auto first = reinterpret_cast<std::uintptr_t>(buffer.get());
			return node != nullptr && address >= first && (address - first) % sizeof(Node) == 0 &&
				(address - first) / sizeof(Node) < capacity && node->listed;
		}

		// Moves a listed node to stand right before another listed node (before == null: to the
		// end). Owners sort their lists in place with it; count and the free nodes are untouched.
		void MoveBefore(Node* node, Node* before)
		{
			if (node == before)
				return;
			Unlink(node);
			LinkBefore(node, before);
		}

		iterator begin() { return iterator(head); }
		iterator end() { return iterator(); }
		const_iterator begin() const { return const_iterator(head); }
		const_iterator end() const { return const_iterator(); }

	protected:
		// Replaces the array by capacity fresh nodes (0 is taken as 1); the list empties.
		void Allocate(unsigned newCapacity)
		{
			capacity = newCapacity == 0 ? 1 : newCapacity;
			buffer = std::make_unique<Node[]>(capacity);
			ForgetAll();
		}

		// Forgets every element; the pool re-files all nodes as free.
		void ForgetAll()
		{
			count = 0;
			head = tail = nullptr;
			for (unsigned i = 0; i < capacity; ++i)
				buffer[i].listed = false;
		}

		void Unlink(Node* node)
		{
			(node->prev ? node->prev->next : head) = node->next;
			(node->next ? node->next->prev : tail) = node->prev;
			node->next = node->prev = nullptr;
		}

		// Links a node that is in no list before another (null: after the tail).
		void LinkBefore(Node* node, Node* before)
		{
			node->next = before;
			node->prev = before ? before->prev : tail;
			(node->prev ? node->prev->next : head) = node;
			(before ? before->prev : tail) = node;
		}

		// Copies the element into a free node and marks it in use; the caller links it.
		Node* Occupy(Node* node, const T& element)
		{
			node->element = element;
			node->listed = true;
			++count;
			return node;
		}

		// Unlinks a listed node and marks it free; the caller files it among the free nodes.
		void Vacate(Node* node)
		{
			Unlink(node);
			node->listed = false;
			--count;
		}

		unsigned count = 0;
		Node* head = nullptr;
		Node* tail = nullptr;
		unsigned capacity = 0;
		std::unique_ptr<Node[]> buffer;
	};
}
