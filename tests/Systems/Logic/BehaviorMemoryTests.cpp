#include "Systems/Logic/BehaviorMemory.h"

#include "Systems/Logic/BehaviorRegistry.h"
#include "Systems/Logic/GameWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace
{
	using namespace test;

	std::string Leaves(int count)
	{
		std::string stored;
		for (int leaf = 0; leaf < count; ++leaf)
			stored += Leaf("leaf" + std::to_string(leaf));
		return stored;
	}

	std::unique_ptr<BehaviorNode> ReadInBlocks(const std::string& stored)
	{
		const BehaviorBlockScope blocks;
		return ReadNode("SequenceNode", stored);
	}

	// The lowest and highest address of the root, its child list and its children.
	std::pair<std::uintptr_t, std::uintptr_t> Span(const BehaviorNode& root)
	{
		std::vector<std::uintptr_t> addresses{reinterpret_cast<std::uintptr_t>(&root),
			reinterpret_cast<std::uintptr_t>(root.children.data())};
		for (const BehaviorNode::BehaviorChild& child : root.children)
			addresses.push_back(reinterpret_cast<std::uintptr_t>(child.node.get()));
		const auto [low, high] = std::minmax_element(addresses.begin(), addresses.end());
		return {*low, *high};
	}

	TEST(BehaviorMemory, ATreeReadInBlocksRunsAndSavesAsOneReadFromTheHeap)
	{
		// Two leaves fit one block; two hundred take several, and a block is shared with the
		// tree read before.
		for (const int leaves : {2, 200})
		{
			BehaviorScope scope;
			const std::string stored = Leaves(leaves);
			const std::unique_ptr<BehaviorNode> before = ReadInBlocks(Leaves(3));
			const std::unique_ptr<BehaviorNode> fromHeap = ReadNode("SequenceNode", stored);
			std::unique_ptr<BehaviorNode> inBlocks = ReadInBlocks(stored);
			EXPECT_EQ(SavedNode(*inBlocks), SavedNode(*fromHeap)) << leaves;
			EXPECT_EQ(RunToEnd(*inBlocks, 1000), RunToEnd(*fromHeap, 1000)) << leaves;
			// Freed out of the order they were made in: the blocks outlive the first tree.
			inBlocks.reset();
			EXPECT_EQ(RunToEnd(*before), (Names{"Start leaf0", "Finish leaf0", "Start leaf1", "Finish leaf1", "Start leaf2",
										   "Finish leaf2"}));
		}
	}

	TEST(BehaviorMemory, TreesReadOneAfterAnotherLieTogetherInReadOrder)
	{
		BehaviorScope scope;
		const std::unique_ptr<BehaviorNode> first = ReadInBlocks(Leaves(2));
		const std::unique_ptr<BehaviorNode> second = ReadInBlocks(Leaves(2));
		const auto [firstLow, firstHigh] = Span(*first);
		const auto [secondLow, secondHigh] = Span(*second);
		constexpr std::uintptr_t kTreeBytes = 512;
		EXPECT_LT(firstHigh - firstLow, kTreeBytes);
		EXPECT_GT(secondLow, firstHigh) << "the second tree follows the first";
		EXPECT_LT(secondHigh - firstLow, 2 * kTreeBytes);
	}
}
