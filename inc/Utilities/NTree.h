// tw::n_tree: an ordered n-ary tree whose data lives only in leaves. A leaf that receives a
// child turns into an internal node and loses its data. The serializer keeps its documents in
// one: an element's header leaf comes first in its sibling list, followed by its contents.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace tw
{
	template <class T>
	class n_tree
	{
		class node;
		class leaf;

		class node_base
		{
		public:
			virtual ~node_base() = default;
			virtual node* AsNode() { return nullptr; }
			virtual const node* AsNode() const { return nullptr; }
			virtual leaf* AsLeaf() { return nullptr; }
			virtual const leaf* AsLeaf() const { return nullptr; }

			node* parent = nullptr;
			std::size_t index = 0;
		};

		class node final : public node_base
		{
		public:
			node* AsNode() override { return this; }
			const node* AsNode() const override { return this; }

			std::vector<std::unique_ptr<node_base>> children;
		};

		class leaf final : public node_base
		{
		public:
			template <class U>
			explicit leaf(U&& value) : data(std::forward<U>(value))
			{
			}
			leaf* AsLeaf() override { return this; }
			const leaf* AsLeaf() const override { return this; }

			T data;
		};

	public:
		// A position in one sibling list: the list's owner node and an index in it. A position
		// one past the last child still knows its list, so a cursor that ran off the end of an
		// element can climb back out of it. Replacing a leaf by a node keeps every position valid
		// because lists only ever grow at the end.
		template <bool IsConst>
		class basic_iterator
		{
			using owner_type = std::conditional_t<IsConst, const node, node>;

		public:
			using reference = std::conditional_t<IsConst, const T&, T&>;
			using pointer = std::conditional_t<IsConst, const T*, T*>;

			basic_iterator() = default;

			template <bool OtherConst>
				requires(IsConst && !OtherConst)
			basic_iterator(const basic_iterator<OtherConst>& other)
				: owner(other.owner), index(other.index), level(other.level)
			{
			}

			// The data of the leaf here; only valid on a leaf.
			reference operator*() const { return Target()->AsLeaf()->data; }
			pointer operator->() const { return &**this; }

			// Next sibling; past the last child the iterator equals n_tree::end().
			basic_iterator& operator++()
			{
				++index;
				return *this;
			}
			// Previous sibling.
			basic_iterator& operator--()
			{
				--index;
				return *this;
			}

			// The node holding this sibling list, one level up; the root is its own parent.
			basic_iterator parent() const
			{
				if (!owner || !owner->parent)
					return *this;
				return basic_iterator(owner->parent, owner->index, level - 1);
			}

			// Steps from the root: the root is at 0, its children at 1.
			int depth() const { return level; }
			bool is_end() const { return !owner || index >= owner->children.size(); }
			bool is_leaf() const { return !is_end() && Target()->AsLeaf(); }
			bool is_node() const { return !is_end() && Target()->AsNode(); }
			std::size_t child_count() const
			{
				const node* here = is_end() ? nullptr : Target()->AsNode();
				return here ? here->children.size() : 0;
			}

			friend bool operator==(const basic_iterator& a, const basic_iterator& b)
			{
				if (a.is_end() || b.is_end())
					return a.is_end() && b.is_end();
				return a.owner == b.owner && a.index == b.index;
			}

		private:
			basic_iterator(owner_type* owner, std::size_t index, int level) : owner(owner), index(index), level(level)
			{
			}

			std::conditional_t<IsConst, const node_base*, node_base*> Target() const
			{
				return owner->children[index].get();
			}

			owner_type* owner = nullptr;
			std::size_t index = 0;
			int level = -1;

			template <bool>
			friend class basic_iterator;
			friend class n_tree;
		};

		using iterator = basic_iterator<false>;
		using const_iterator = basic_iterator<true>;

		n_tree()
		{
			auto root = std::make_unique<node>();
			root->parent = &anchor;
			anchor.children.push_back(std::move(root));
		}
		n_tree(const n_tree&) = delete;
		n_tree& operator=(const n_tree&) = delete;

		// The root: an internal node, empty until children are inserted.
		iterator root() { return iterator(&anchor, 0, 0); }
		const_iterator root() const { return const_iterator(&anchor, 0, 0); }

		// First child of the node at position; equal to end() for a leaf or a node without
		// children (for a node it still knows the node's list, so children can follow).
		iterator begin(const iterator& position) { return FirstChild<false>(position); }
		const_iterator begin(const const_iterator& position) const { return FirstChild<true>(position); }

		// One past the last child of the node at position (still inside its list), or end().
		iterator end(const iterator& position) { return PastLastChild<false>(position); }
		const_iterator end(const const_iterator& position) const { return PastLastChild<true>(position); }

		static iterator end() { return iterator(); }

		// Appends a leaf holding data under the node at position. A leaf at position is first
		// replaced by a node in the same slot (its data is destroyed), so the tree's structure
		// grows by turning headers into groups.
		template <class U>
		iterator InsertChild(iterator& position, U&& data)
		{
			node* parent = position.Target()->AsNode();
			if (!parent)
				parent = ReplaceLeafByNode(position);
			auto child = std::make_unique<leaf>(std::forward<U>(data));
			child->parent = parent;
			child->index = parent->children.size();
			parent->children.push_back(std::move(child));
			++count;
			return iterator(parent, parent->children.size() - 1, position.level + 1);
		}

		// Number of leaves inserted.
		std::size_t size() const { return count; }

	private:
		template <bool IsConst>
		basic_iterator<IsConst> FirstChild(const basic_iterator<IsConst>& position) const
		{
			if (position.is_end())
				return basic_iterator<IsConst>();
			auto* here = position.Target()->AsNode();
			if (!here)
				return basic_iterator<IsConst>();
			return basic_iterator<IsConst>(here, 0, position.level + 1);
		}

		template <bool IsConst>
		basic_iterator<IsConst> PastLastChild(const basic_iterator<IsConst>& position) const
		{
			if (position.is_end())
				return basic_iterator<IsConst>();
			auto* here = position.Target()->AsNode();
			if (!here)
				return basic_iterator<IsConst>();
			return basic_iterator<IsConst>(here, here->children.size(), position.level + 1);
		}

		node* ReplaceLeafByNode(const iterator& position)
		{
			auto replacement = std::make_unique<node>();
			node* raw = replacement.get();
			raw->parent = position.owner;
			raw->index = position.index;
			position.owner->children[position.index] = std::move(replacement);
			return raw;
		}

		// Holds the root as its only child, so the root too is a position in a list.
		node anchor;
		std::size_t count = 0;
	};
}
