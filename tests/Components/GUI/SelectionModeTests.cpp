#include "Components/GUI/SelectionMode.h"

#include "Components/GUI/EditorWorld.h"
#include "ObjectGroup.h"
#include "Serializer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace gui_tests
{
	class SelectionModeInWorld : public EditorWorld
	{
	protected:
		// A group of one box at the position, with an origin.
		ObjectGroup& GroupWithBox(const Tuple3f& position)
		{
			Composition* box = Box(position, Tuple3f(1, 1, 1), true, "Member");
			ObjectGroup* group = ObjectGroup::Create();
			std::istringstream text("<ObjectGroup><Unknown><string>Origin</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
									"<unsigned>0</unsigned></Unknown></ObjectGroup>");
			Serializer serializer;
			EXPECT_TRUE(serializer.LoadFromStream(text, "origin"));
			group->Load(serializer, 0);
			box->SetGroup(group->GetId());
			return *group;
		}
	};

	TEST_F(SelectionModeInWorld, OnlySelectModePicksAndEveryPickReloadsThePage)
	{
		Composition* box = Box(Tuple3f(0, 0, -5));
		for (unsigned mode : {0u, 2u, 1u})
		{
			StartEditor(mode);
			Aim(Tuple3f(0, 0, 0), Tuple3f(0, 0, -1));
			Tell(editor, "SelectObject");
			Tell(editor, "SelectGroup");
			EXPECT_EQ(selection->GetCurrObjID() != 0, mode == 1) << mode;
			EXPECT_EQ(page->calls.size(), mode == 1 ? 1u : 0u) << mode;
			if (mode != 1)
			{
				Engine::SendMessage(Message("CreateLevelEditor"));
				ProcessObjectChanges();
			}
		}
		EXPECT_EQ(selection->GetCurrObjID(), box->GetId());
		EXPECT_FALSE(selection->IsGroupSelected()) << "the default group has no origin";
	}

	TEST_F(SelectionModeInWorld, AGroupThenAnObjectKeepsTheGroupIdAndDeletesOnlyTheObject)
	{
		ObjectGroup& group = GroupWithBox(Tuple3f(0, 0, -5));
		const unsigned groupId = group.GetId();
		const unsigned originId = group.GetOriginObject().id;
		const unsigned nearId = Box(Tuple3f(0, 0, -3), Tuple3f(1, 1, 1), true, "Near")->GetId();
		StartEditor(1);
		Aim(Tuple3f(0, 0, 10), Tuple3f(0, 0, -1));
		Composition* member = Box(Tuple3f(0, 0, 9), Tuple3f(1, 1, 1), true, "Blocker");
		member->SetGroup(groupId);
		Tell(editor, "SelectGroup");
		EXPECT_EQ(selection->GetCurrObjID(), originId);
		EXPECT_TRUE(selection->IsGroupSelected());
		member->Destroy();
		ProcessObjectChanges();
		Tell(editor, "SelectObject");
		EXPECT_EQ(selection->GetCurrObjID(), nearId);
		EXPECT_EQ(selection->GetCurrGroupID(), groupId);
		selection->DeleteObj();
		ProcessObjectChanges();
		EXPECT_TRUE(ObjectFromId(nearId).IsDummy());
		EXPECT_NE(ObjectGroup::Find(groupId), nullptr);
		EXPECT_EQ(selection->GetCurrObjID(), nearId) << "the selection stays";
	}

	TEST_F(SelectionModeInWorld, DeletingASelectionThatIsGoneDoesNothing)
	{
		ObjectGroup& group = GroupWithBox(Tuple3f(0, 0, -5));
		const unsigned groupId = group.GetId();
		Composition* bystander = Box(Tuple3f(5, 0, 0), Tuple3f(1, 1, 1), true, "Bystander");
		StartEditor(1);
		Aim(Tuple3f(0, 0, 0), Tuple3f(0, 0, -1));
		Tell(editor, "SelectGroup");
		selection->DeleteObj();
		ProcessObjectChanges();
		EXPECT_EQ(ObjectGroup::Find(groupId), nullptr);
		const std::size_t defaultMembers = ObjectGroup::Default().GetMembers().size();
		selection->DeleteObj();
		ProcessObjectChanges();
		EXPECT_EQ(ObjectGroup::Default().GetMembers().size(), defaultMembers);
		EXPECT_FALSE(ObjectFromId(bystander->GetId()).IsDummy());
	}

	TEST_F(SelectionModeInWorld, TheSelectionHearsTransformUpdatedInModesOneAndTwoOnly)
	{
		Composition* box = Box(Tuple3f(0, 0, -5));
		PageCallProbe* probe = Probe(box);
		StartEditor(1);
		selection->SetCurrObjID(box->GetId());
		for (unsigned mode : {0u, 1u, 2u, 0u})
		{
			brain->SetCurrentMode(mode);
			Frame();
		}
		EXPECT_EQ(probe->transformUpdates, 2);
	}
}
