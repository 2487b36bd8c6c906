#include "Utilities/PackedRayTree.h"

#include "Utilities/AABBTree.h"

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
	// Pre-order, left before right, so leaves are numbered left to right; a list instead of
	// recursion, since trees grown leaf by leaf can be as deep as they have leaves.
	struct Visit
	{
		const AABBTreeNode* node;
		ChildRef parent;
		int side;
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
		(visit.parent == kNoChild ? rootRef : nodes[visit.parent].children[visit.side]) = ref;
		if (ref & kLeafBit)
			continue;
		const AABBTreeNode* children[2] = {visit.node->left, visit.node->right};
		for (int side = 1; side >= 0; --side)
			if (children[side] != nullptr)
			{
				nodes[ref].boxes[side] = *children[side]->box;
				visits.push_back({children[side], ref, side, visit.depth + 1});
			}
	}
	// Each internal node visited swaps one entry for at most two.
	pending.resize(deepest + 2);
	return leaves;
}
