#include "Systems/Logic/CooldownPriorityNode.h"

#include "Systems/Logic/GameWorld.h"

#include <gtest/gtest.h>

namespace
{
	using namespace test;

	// A child of the node: its cooldown settings, then the leaf's own fields.
	std::string Entry(const std::string& name, float cooldown, float initial, int priority, int result = Success)
	{
		std::ostringstream settings;
		settings << "<float name=\"Cooldown\">" << cooldown << "</float><float name=\"Initial\">" << initial
				 << "</float><int name=\"Priority\">" << priority << "</int>";
		const std::string leaf = Leaf(name, result);
		const std::size_t fields = leaf.find("<string name=\"Name\">");
		return leaf.substr(0, fields) + settings.str() + leaf.substr(fields);
	}

	std::unique_ptr<BehaviorNode> Node(float bufferTime, const std::string& entries)
	{
		return ReadNode("CooldownPriorityNode", "<float>" + std::to_string(bufferTime) + "</float>" + entries);
	}

	TEST(CooldownPriorityNode, WaitsOutTheBufferAfterTheLastChosenChildEnded)
	{
		BehaviorScope scope;
		std::unique_ptr<BehaviorNode> node = Node(2.0f, Entry("a", 0, 0, 1));
		const std::pair<std::uint32_t, Names> steps[] = {
			{0, {}}, {2000, {"Start a", "Finish a"}}, {1500, {}}, {499, {}}, {1, {"Start a", "Finish a"}}};
		for (const auto& [milliseconds, events] : steps)
		{
			GameClock::Advance(milliseconds);
			EXPECT_EQ(RunToEnd(*node), events) << milliseconds;
			EXPECT_EQ(node->status, Success);
		}
	}

	TEST(CooldownPriorityNode, ChoosesTheFirstReadyChildOfStrictlyHighestPriority)
	{
		BehaviorScope scope;
		const std::pair<std::string, Names> cases[] = {
			{Entry("a", 0, 0, 1) + Entry("b", 0, 0, 5) + Entry("c", 0, 0, 5), {"Start b", "Finish b"}},
			{Entry("a", 100, 0, 9) + Entry("b", 0, 0, 1), {"Start b", "Finish b"}},
			{Entry("a", 0, 0, 1, Failure) + Entry("b", 100, 0, 5), {"Start a", "Finish a"}},
			{Entry("a", 100, 0, 1) + Entry("b", 100, 0, 5), {}},
		};
		for (const auto& [entries, events] : cases)
		{
			std::unique_ptr<BehaviorNode> node = Node(0.0f, entries);
			EXPECT_EQ(RunToEnd(*node), events) << entries;
			EXPECT_EQ(node->status, Success) << "whatever the child did";
		}
	}

	// A failed child ends the run as a succeeded one does: it rests its cooldown, the node its buffer.
	TEST(CooldownPriorityNode, AFailedChildRestsItsCooldownAndTheNodeItsBuffer)
	{
		BehaviorScope scope;
		struct Case { float bufferTime; std::string entries; std::vector<std::pair<std::uint32_t, Names>> runs; };
		const Case cases[] = {
			{0.0f, Entry("a", 1, 0, 5, Failure) + Entry("b", 0, 0, 1), {{1000, {"Start a", "Finish a"}}, {0, {"Start b", "Finish b"}}}},
			{2.0f, Entry("a", 0, 0, 1, Failure), {{2000, {"Start a", "Finish a"}}, {1999, {}}, {1, {"Start a", "Finish a"}}}},
		};
		for (const Case& c : cases)
		{
			std::unique_ptr<BehaviorNode> node = Node(c.bufferTime, c.entries);
			for (const auto& [milliseconds, events] : c.runs)
			{
				GameClock::Advance(milliseconds);
				EXPECT_EQ(RunToEnd(*node), events) << c.entries << " after " << milliseconds;
			}
		}
	}

	TEST(CooldownPriorityNode, HeadStartCountsOnlyAtTheFirstEvaluation)
	{
		BehaviorScope scope;
		const std::pair<std::vector<std::uint32_t>, std::vector<bool>> cases[] = {
			{{2000}, {true}},
			{{1000, 8999, 1}, {false, false, true}},
		};
		for (const auto& [steps, chosen] : cases)
		{
			std::unique_ptr<BehaviorNode> node = Node(0.0f, Entry("a", 10, 8, 1));
			for (std::size_t step = 0; step < steps.size(); ++step)
			{
				GameClock::Advance(steps[step]);
				EXPECT_EQ(!RunToEnd(*node).empty(), chosen[step]) << "step " << step;
			}
		}
	}

	TEST(CooldownPriorityNode, NothingReadyTouchesNoTimer)
	{
		BehaviorScope scope;
		std::unique_ptr<BehaviorNode> node = Node(0.0f, Entry("a", 10, 0, 1) + Entry("b", 10, 0, 2));
		auto& cooldown = static_cast<CooldownPriorityNode&>(*node);
		const std::uint32_t loaded = cooldown.GetCooldowns()[0].lastUsed;
		GameClock::Advance(5000);
		EXPECT_TRUE(RunToEnd(*node).empty());
		for (const CooldownPriorityNode::CooldownEntry& entry : cooldown.GetCooldowns())
			EXPECT_EQ(entry.lastUsed, loaded);
		GameClock::Advance(5000);
		EXPECT_EQ(RunToEnd(*node), (Names{"Start b", "Finish b"})) << "both ready ten seconds after loading";
	}

	TEST(CooldownPriorityNode, AnUnknownChildKeepsItsSettingsAndLeavesTheOthersAligned)
	{
		BehaviorScope scope;
		tw::Diagnostics::Flush();
		const std::string unknown = "<Unknown><string name=\"Behavior\">Mystery</string><float name=\"Cooldown\">7</float>"
									"<float name=\"Initial\">0</float><int name=\"Priority\">99</int></Unknown>";
		const std::string stored =
			"<float name=\"Buffer Time\">0</float>" + Entry("a", 100, 0, 1) + unknown + Entry("b", 0, 0, 5);
		std::unique_ptr<BehaviorNode> node = ReadNode("CooldownPriorityNode", stored);
		const auto& entries = static_cast<CooldownPriorityNode&>(*node).GetCooldowns();
		ASSERT_EQ(entries.size(), 2u);
		EXPECT_EQ(entries[1].priority, 5);
		EXPECT_EQ(RunToEnd(*node), (Names{"Start b", "Finish b"}));
		EXPECT_EQ(SavedNode(*node), SavedDocument(stored));
	}
}
