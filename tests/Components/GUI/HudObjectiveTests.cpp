#include "Components/GUI/HudObjective.h"

#include "Components/GUI/HudWorld.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace gui_tests
{
	using HudObjectiveTest = HudWorld;

	TEST_F(HudObjectiveTest, HiddenGoalsTakeNoRow)
	{
		MakeHud(GoalXml("Houses", 10, "Flatten") + GoalXml("Secret", 1, "Hidden", true) + GoalXml("Crates", 3, "Lift"));
		hud->HandleMessage(Message("InitHudObjective"));
		EXPECT_THAT(Recorded(), ElementsAre("init Houses 0 10 Flatten 0", "init Crates 0 3 Lift 1"));
		hud->HandleMessage(Message("AddHudObjective").PushString("Secret"));
		EXPECT_EQ(Recorded().back(), "init Secret 0 1 Hidden 2") << "added by name, hidden or not";
	}

	TEST_F(HudObjectiveTest, ACompletedGoalRebuildsTheListFromRowZero)
	{
		MakeHud(GoalXml("Houses", 10, "Flatten") + GoalXml("Crates", 3, "Lift"));
		hud->HandleMessage(Message("InitHudObjective"));
		Recorded().clear();
		player->HandleMessage(Message("ObjectiveComplete").PushString("Houses").PushU32(10).PushBool(false));
		EXPECT_THAT(Recorded(), ElementsAre("clear", "init Houses 0 10 Flatten 0", "init Crates 0 3 Lift 1"));
		EXPECT_EQ(hud->GetComponent<HudObjective>()->GetObjectiveRow(), 2u);
	}

	TEST_F(HudObjectiveTest, ProgressUpdatesTheRowWithCountAndRequired)
	{
		MakeHud(GoalXml("Houses", 10, "Flatten"));
		player->HandleMessage(Message("ObjectiveProgress").PushString("Houses").PushU32(3).PushU32(10));
		EXPECT_THAT(Recorded(), ElementsAre("update Houses 3 10"));
	}

	TEST_F(HudObjectiveTest, NamesAndDescriptionsReachThePageUnchanged)
	{
		// Each would end the script string early, or run the rest as script, if inserted raw.
		const std::string description = "say \"hi\" \\ back\xE2\x80\xA8line\xE2\x80\xA9'); record('escaped";
		MakeHud(GoalXml("Odd\"name", 2, description));
		hud->HandleMessage(Message("AddHudObjective").PushString("Odd\"name"));
		EXPECT_THAT(Recorded(), ElementsAre("init Odd\"name 0 2 " + description + " 0"));
		Recorded().clear();
		const std::string name = "line\nbreak\ttab\x01\")";
		player->HandleMessage(Message("ObjectiveProgress").PushString(name).PushU32(1).PushU32(2));
		EXPECT_THAT(Recorded(), ElementsAre("update " + name + " 1 2"));
	}
}
