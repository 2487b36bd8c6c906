#include "Components/Logic/BehaviorTree.h"

#include "Systems/Logic/GameWorld.h"

#include <gtest/gtest.h>

namespace
{
	using namespace test;

	BehaviorTree& TreeOf(const Object& object)
	{
		return *object.object->GetComponent<BehaviorTree>();
	}

	// The frames (from 1) in which the event was logged, over count frames.
	std::vector<int> FramesOf(GameWorld& world, const std::string& event, int count)
	{
		std::vector<int> frames;
		for (int frame = 1; frame <= count; ++frame)
		{
			Events().clear();
			world.Frame();
			if (std::find(Events().begin(), Events().end(), event) != Events().end())
				frames.push_back(frame);
		}
		return frames;
	}

	TEST(BehaviorTree, ARunThatEndsIsFinishedNextFrameAndStartedTheFrameAfter)
	{
		GameWorld world;
		GameWorld::AddTree("Guard", "TestLeaf", LeafFields("a"));
		const std::vector<int> starts = FramesOf(world, "Start a", 6);
		EXPECT_EQ(starts, (std::vector<int>{1, 3, 5}));
	}

	// Whether the run succeeds or fails, its root is finished once, in the frame after it ended;
	// one that runs for two updates ends a frame later.
	TEST(BehaviorTree, TheRootIsFinishedInTheFrameAfterItsRunEnded)
	{
		const struct
		{
			int result, updates;
			std::vector<int> finishes;
		} cases[] = {{Success, 0, {2, 4, 6}}, {Failure, 0, {2, 4, 6}}, {Success, 1, {3, 6}}};
		for (const auto& c : cases)
		{
			GameWorld world;
			GameWorld::AddTree("Guard", "TestLeaf", LeafFields("a", c.result, c.updates));
			EXPECT_EQ(FramesOf(world, "Finish a", 6), c.finishes) << c.result << ", " << c.updates << " updates";
		}
	}

	TEST(BehaviorTree, RevaluateBehaviorFinishesTheRunningLeafAndRestartsNextUpdate)
	{
		GameWorld world;
		const Object guard =
			GameWorld::AddTree("Guard", "SequenceNode", Child("SequenceNode", Leaf("deep", Success, 100)));
		world.Frame(3);
		BehaviorNode& root = *TreeOf(guard).GetRoot();
		ASSERT_EQ(root.children[0].node->children[0].node->status, Running);
		Events().clear();
		guard.SendMessage(Message("RevaluateBehavior"));
		EXPECT_EQ(Events(), Names{"Finish deep"});
		EXPECT_EQ(root.status, Ready);
		EXPECT_EQ(root.children[0].node->status, Ready);
		EXPECT_EQ(root.children[0].node->children[0].node->status, Ready);
		world.Frame();
		EXPECT_EQ(Events(), (Names{"Finish deep", "Start deep"}));
	}

	TEST(BehaviorTree, RevaluateSentFromInsideTheTreeActsWhenTheCallReturns)
	{
		GameWorld world;
		const Object guard = GameWorld::AddTree("Guard", "SequenceNode", Leaf("a") + Leaf("b", Success, 5));
		LeafActions()["b"] = [guard] {
			if (Events().back() == "Start b")
			{
				guard.SendMessage(Message("RevaluateBehavior"));
				Events().push_back("sent");
			}
		};
		world.Frame(2);
		EXPECT_EQ(Events(), (Names{"Start a", "Finish a", "Start b", "sent", "Finish b"}));
		EXPECT_EQ(TreeOf(guard).GetRoot()->status, Ready);
	}

	TEST(BehaviorTree, ActivateBehaviorsFalseFreezesTheTreeWhereItIs)
	{
		GameWorld world;
		const Object guard = GameWorld::AddTree("Guard", "TimedLeaf", "<string>t</string><float>10</float>");
		world.Frame(2);
		guard.SendMessage(Message("ActivateBehaviors").PushBool(false));
		Events().clear();
		world.Frame(188);
		EXPECT_TRUE(Events().empty()) << "three seconds without a call";
		EXPECT_EQ(TreeOf(guard).GetRoot()->status, Running);
		guard.SendMessage(Message("ActivateBehaviors").PushBool(true));
		world.Frame();
		EXPECT_EQ(Events(), Names{"Update t"});
	}

	TEST(BehaviorTree, ACopyBuildsATreeOfItsOwn)
	{
		GameWorld world;
		const Object guard = GameWorld::AddTree("Guard", "SequenceNode", Leaf("a", Success, 3) + Leaf("b"));
		world.Frame(2);
		const std::unique_ptr<Component> copy(TreeOf(guard).Clone());
		auto& copied = static_cast<BehaviorTree&>(*copy);
		ASSERT_NE(copied.GetRoot(), nullptr);
		EXPECT_NE(copied.GetRoot(), TreeOf(guard).GetRoot());
		EXPECT_EQ(copied.GetRoot()->status, Ready);
		EXPECT_EQ(GameWorld::Saved(copied), GameWorld::Saved(TreeOf(guard)));
		copied.Detach();
	}

	TEST(BehaviorTree, UnknownRootTypeBuildsNoTreeAndKeepsItsData)
	{
		GameWorld world;
		tw::Diagnostics::Flush();
		testing::internal::CaptureStderr();
		const Object guard = GameWorld::AddTree("Guard", "Mystery", "<float name=\"Reach\">2</float>" + Leaf("a"));
		world.Frame(3);
		const std::string errors = testing::internal::GetCapturedStderr();
		EXPECT_EQ(TreeOf(guard).GetRoot(), nullptr);
		EXPECT_TRUE(Events().empty());
		EXPECT_NE(errors.find("\"Mystery\""), std::string::npos);
		EXPECT_EQ(GameWorld::Saved(TreeOf(guard)),
			SavedDocument("<string name=\"rootType\">Mystery</string><float name=\"Reach\">2</float>" + Leaf("a")));
	}
}
