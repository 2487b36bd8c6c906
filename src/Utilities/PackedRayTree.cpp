#include "Utilities/PackedRayTree.h"

#include "Utilities/AABBTree.h"

namespace
{
	// A binary node's children, then, while fewer than `width` are held, the internal one of
	// largest surface replaced in place by its own children: the leaves keep their left-to-right
	// order, and a ray's chance of entering a box grows with its surface. Gives how many are held.
	int GatherSlots(const AABBTreeNode& node, const AABBTreeNode** slots, int width)
	{
		int count = 0;
		for (const AABBTreeNode* child : {node.left, node.right})
			if (child != nullptr)
				slots[count++] = child;
		while (count < width)
		{
			int widest = -1;
			double widestArea = -1.0;
			for (int slot = 0; slot < count; ++slot)
			{
				if (slots[slot]->IsLeaf())
					continue;
				const double area = slots[slot]->box->SurfaceArea();
				if (area > widestArea)
				{
					widest = slot;
					widestArea = area;
				}
			}
			if (widest < 0)
				break;
			const AABBTreeNode* opened = slots[widest];
			const AABBTreeNode* grandchildren[2];
			int grandchildCount = 0;
			for (const AABBTreeNode* child : {opened->left, opened->right})
				if (child != nullptr)
					grandchildren[grandchildCount++] = child;
			// Removals can leave an internal node with one child: it then only gives way to it.
			std::move(slots + widest + 1, slots + count, slots + widest + grandchildCount);
			std::copy(grandchildren, grandchildren + grandchildCount, slots + widest);
			count += grandchildCount - 1;
		}
		return count;
	}
}

void PackedRayTree::Node::SetBox(int slot, const AABB& box)
{
	for (int axis = 0; axis < 3; ++axis)
	{
		lows[axis][slot] = box.min[axis];
		highs[axis][slot] = box.max[axis];
	}
}

std::vector<const AABBTreeLeafNode*> PackedRayTree::Pack(const AABBTreeNode* root)
{
	nodes.clear();
	rootRef = kNoChild;
	std::vector<const AABBTreeLeafNode*> leaves;
	if (root == nullptr)
	{
		pending.clear();
		return leaves;
	}
	rootBox = *root->box;
	// Pre-order, slots left to right, so leaves are numbered left to right; a list instead of
	// recursion, since trees grown leaf by leaf can be as deep as they have leaves.
	struct Visit
	{
		const AABBTreeNode* node;
		ChildRef parent;
		int slot;
		std::size_t depth;
	};
	std::vector<Visit> visits{{root, kNoChild, 0, 0}};
	std::size_t deepest = 0;
	while (!visits.empty())
	{
		const Visit visit = visits.back();
		visits.pop_back();
		deepest = std::max(deepest, visit.depth);
		ChildRef ref;
		if (visit.node->IsLeaf())
		{
			ref = static_cast<ChildRef>(leaves.size()) | kLeafBit;
			leaves.push_back(static_cast<const AABBTreeLeafNode*>(visit.node));
		}
		else
		{
			ref = static_cast<ChildRef>(nodes.size());
			nodes.emplace_back();
		}
		(visit.parent == kNoChild ? rootRef : nodes[visit.parent].children[visit.slot]) = ref;
		if (ref & kLeafBit)
			continue;
		const AABBTreeNode* slots[kWidth];
		const int count = GatherSlots(*visit.node, slots, kWidth);
		for (int slot = count - 1; slot >= 0; --slot)
		{
			nodes[ref].SetBox(slot, *slots[slot]->box);
			visits.push_back({slots[slot], ref, slot, visit.depth + 1});
		}
	}
	// Each internal node visited swaps one entry for at most kWidth.
	pending.resize((kWidth - 1) * deepest + 2);
	return leaves;
}
