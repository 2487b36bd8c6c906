#include "Systems/Logic/BehaviorNode.h"

#include "Systems/Logic/BehaviorRegistry.h"
#include "Systems/Logic/CompositeNodes.h"
#include "Systems/Logic/CooldownPriorityNode.h"
#include "Systems/Logic/GameWorld.h"

#include <gtest/gtest.h>

namespace
{
	using namespace test;

	template <class T>
	bool Makes(const char* typeName)
	{
		const std::unique_ptr<BehaviorNode> node = CreateBehavior(typeName);
		return dynamic_cast<T*>(node.get()) != nullptr;
	}

	TEST(BehaviorRegistry, FirstRegistrationWinsAndUnknownNamesMakeNothing)
	{
		BehaviorScope scope;
		RegisterBehavior<TimedLeaf>("TestLeaf");
		EXPECT_TRUE(Makes<TestLeaf>("TestLeaf"));
		EXPECT_EQ(CreateBehavior("Mystery"), nullptr);
		ClearBehaviorRegistry();
		EXPECT_FALSE(IsBehaviorRegistered("TestLeaf"));
	}

	TEST(BehaviorRegistry, TheEngineRegistersItsCompositesByName)
	{
		BehaviorScope scope;
		EXPECT_TRUE(Makes<SequenceNode>("SequenceNode"));
		EXPECT_TRUE(Makes<OrderedSelectorNode>("OrderedSelectorNode"));
		EXPECT_TRUE(Makes<RandomSelectorNode>("RandomSelectorNode"));
		EXPECT_TRUE(Makes<NonDeterministicNode>("NonDeterministicNode"));
		EXPECT_TRUE(Makes<CooldownPriorityNode>("CooldownPriorityNode"));
	}

	TEST(BehaviorNode, StoredTreeReadsBackOwnedByTheRootsOwnerAndSavesIdentically)
	{
		BehaviorScope scope;
		const Object guard = CreateObject("Guard");
		const std::string stored = Leaf("a") + Child("SequenceNode", Leaf("b1") + Leaf("b2"));
		std::unique_ptr<BehaviorNode> root = CreateBehavior("SequenceNode");
		root->owner = guard.object;
		std::istringstream text("<Component>" + stored + "</Component>");
		Serializer reader;
		ASSERT_TRUE(reader.LoadFromStream(text, "OwnedTree"));
		root->Deserialize(reader);
		ASSERT_EQ(root->children.size(), 2u);
		ASSERT_EQ(root->children[1].node->children.size(), 2u);
		EXPECT_EQ(root->children[0].type, "TestLeaf");
		EXPECT_EQ(root->children[1].node->children[1].node->owner, guard.object);
		EXPECT_EQ(SavedNode(*root), SavedDocument(stored));
		DestroyAllObjects();
	}

	TEST(BehaviorNode, UnknownNodeIsLeftOutOnceReportedAndSavedBackAsItWas)
	{
		BehaviorScope scope;
		tw::Diagnostics::Flush();
		const std::string stored = Leaf("a") + Child("Mystery", "<float name=\"Reach\">2.5</float>" + Leaf("inner")) + Leaf("b");
		testing::internal::CaptureStderr();
		std::unique_ptr<BehaviorNode> root = ReadNode("SequenceNode", stored);
		const std::string errors = testing::internal::GetCapturedStderr();
		EXPECT_EQ(root->children.size(), 2u);
		EXPECT_NE(errors.find("\"Mystery\""), std::string::npos) << errors;
		EXPECT_EQ(RunToEnd(*root), (Names{"Start a", "Finish a", "Start b", "Finish b"}));
		EXPECT_EQ(SavedNode(*root), SavedDocument(stored));
	}

	TEST(BehaviorNode, ResetSubtreeFinishesTheDeepestRunningNodeFirstAndLeavesTheRestAlone)
	{
		BehaviorScope scope;
		const auto leaf = [](const char* name, BehaviorStatus status) {
			auto node = std::make_unique<TestLeaf>();
			node->name = name;
			node->status = status;
			return node;
		};
		SequenceNode root;
		root.status = Running;
		root.children.push_back({"TestLeaf", leaf("done", Success)});
		root.children.push_back({"TestLeaf", leaf("busy", Running)});
		root.children.push_back({"TestLeaf", leaf("failed", Failure)});
		root.children[0].node->children.push_back({"TestLeaf", leaf("doneChild", Success)});
		root.children[1].node->children.push_back({"TestLeaf", leaf("busyChild", Running)});
		BehaviorNode::ResetSubtree(root);
		EXPECT_EQ(Events(), (Names{"Finish busyChild", "Finish busy"}));
		for (const BehaviorNode::BehaviorChild& child : root.children)
			EXPECT_EQ(child.node->status, Ready) << child.type;
		EXPECT_EQ(root.children[1].node->children[0].node->status, Ready);
		EXPECT_EQ(root.children[0].node->children[0].node->status, Success);
		EXPECT_EQ(root.status, Running);
	}
}
