#include "Systems/Logic/CompositeNodes.h"

#include "Systems/Logic/GameWorld.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
	using namespace test;

	struct RunCase
	{
		std::string children;
		Names events;
		BehaviorStatus result;
	};

	void ExpectRuns(const char* type, const std::vector<RunCase>& cases)
	{
		for (const RunCase& c : cases)
		{
			std::unique_ptr<BehaviorNode> node = ReadNode(type, c.children);
			EXPECT_EQ(RunToEnd(*node), c.events) << type << " " << c.children;
			EXPECT_EQ(node->status, c.result) << type << " " << c.children;
		}
	}

	TEST(SequenceNode, RunsChildrenInOrderUntilOneFails)
	{
		BehaviorScope scope;
		ExpectRuns("SequenceNode", {
			{Leaf("a") + Leaf("b", Failure) + Leaf("c"), {"Start a", "Finish a", "Start b", "Finish b"}, Failure},
			{Leaf("a", Success, 2) + Leaf("b"), {"Start a", "Update a", "Update a", "Finish a", "Start b", "Finish b"}, Success},
			{Leaf("a", Ready) + Leaf("b"), {"Start a", "Finish a"}, Failure},
			{"", {}, Failure},
		});
	}

	TEST(OrderedSelectorNode, RunsChildrenInOrderUntilOneSucceeds)
	{
		BehaviorScope scope;
		ExpectRuns("OrderedSelectorNode", {
			{Leaf("a", Failure) + Leaf("b", Failure), {"Start a", "Finish a", "Start b", "Finish b"}, Failure},
			{Leaf("a") + Leaf("b"), {"Start a", "Finish a"}, Success},
			{Leaf("a", Ready) + Leaf("b", Success, 1), {"Start a", "Finish a", "Start b", "Update b", "Finish b"}, Success},
			{"", {}, Failure},
		});
	}

	TEST(RandomSelectorNode, TriesEveryChildOnceInARandomOrderUntilOneSucceeds)
	{
		BehaviorScope scope;
		std::set<Names> orders;
		for (unsigned seed = 1; seed <= 20; ++seed)
		{
			tw::SeedRand(seed);
			std::unique_ptr<BehaviorNode> node = ReadNode("RandomSelectorNode", Leaf("a", Failure) + Leaf("b", Failure) + Leaf("c", Failure));
			const Names events = RunToEnd(*node);
			EXPECT_EQ(node->status, Failure);
			Names starts;
			for (const std::string& event : events)
				if (event.starts_with("Start"))
					starts.push_back(event);
			ASSERT_EQ(starts.size(), 3u);
			EXPECT_EQ(std::set<std::string>(starts.begin(), starts.end()).size(), 3u) << "each child once";
			orders.insert(starts);
		}
		EXPECT_GT(orders.size(), 2u);
		ExpectRuns("RandomSelectorNode", {{Leaf("a"), {"Start a", "Finish a"}, Success}, {"", {}, Failure}});
	}

	TEST(NonDeterministicNode, StartsEachChildAnUpdateLaterAndSucceedsOnlyAfterAll)
	{
		BehaviorScope scope;
		std::unique_ptr<BehaviorNode> node = ReadNode("NonDeterministicNode", Leaf("a") + Leaf("b"));
		node->status = Running;
		node->Start();
		EXPECT_TRUE(Events().empty()) << "no child in the node's own start";
		node->Update();
		ASSERT_EQ(Events().size(), 1u);
		const std::string first = Events()[0].substr(6);
		node->Update();
		node->Update();
		EXPECT_EQ(node->status, Running) << "the second child's success is not seen yet";
		node->Update();
		EXPECT_EQ(node->status, Success);
		const std::string second = first == "a" ? "b" : "a";
		EXPECT_EQ(Events(), (Names{"Start " + first, "Finish " + first, "Start " + second, "Finish " + second}));
		for (unsigned seed = 1; seed <= 4; ++seed)
		{
			tw::SeedRand(seed);
			std::unique_ptr<BehaviorNode> failing = ReadNode("NonDeterministicNode", Leaf("a") + Leaf("b", Failure));
			RunToEnd(*failing);
			EXPECT_EQ(failing->status, Failure);
		}
		ExpectRuns("NonDeterministicNode", {{"", {}, Failure}});
	}
}
