#include "Components/GUI/PlayerHud.h"

#include "Components/GUI/HudWorld.h"
#include "Components/Graphics/OrthoPlane.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace gui_tests
{
	using PlayerHudTest = HudWorld;

	TEST_F(PlayerHudTest, ThePlayersPercentagesReachTheFieldsAndThePageReadsThemBack)
	{
		MakeHud();
		PlayerHud* display = hud->GetComponent<PlayerHud>();
		EXPECT_EQ(display->HealthPercentage_, 1.0f) << "the starting value";
		player->HandleMessage(Message("HealthPercentage").PushFloat(0.25f));
		player->HandleMessage(Message("LungsPercentage").PushFloat(0.75f));
		EXPECT_EQ(display->HealthPercentage_, 0.25f);
		EXPECT_THAT(Recorded(), ElementsAre("health 0.25", "lungs 0.75"));
	}

	TEST_F(PlayerHudTest, HiddenHudHidesAndShowsThePlane)
	{
		MakeHud();
		const OrthoPlane* plane = hud->GetComponent<OrthoPlane>();
		hud->HandleMessage(Message("HiddenHud").PushBool(true));
		EXPECT_FALSE(plane->IsVisible());
		hud->HandleMessage(Message("HiddenHud").PushBool(false));
		EXPECT_TRUE(plane->IsVisible());
	}

	TEST_F(PlayerHudTest, WithoutAPlayerNothingListensOnTheDummy)
	{
		MakeHud("", false);
		for (const char* name : {"HealthPercentage", "LungsPercentage", "ObjectiveComplete", "ObjectiveProgress"})
			EXPECT_TRUE(ObjectFromId(0).object->GetHandlerTargets(name).empty()) << name;
	}

	TEST_F(PlayerHudTest, HtmlCreatedSpansTheWindowAndListsTheObjectives)
	{
		MakeHud(GoalXml("Houses", 10, "Flatten them"));
		hud->GetComponent<PlayerHud>()->HtmlCreated();
		EXPECT_EQ(hud->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(640, 300, 0));
		EXPECT_EQ(hud->GetComponent<OrthoPlane>()->GetBounds(), Tuple4<int>(0, 0, 1280, 720));
		EXPECT_THAT(Recorded(), ElementsAre("init Houses 0 10 Flatten them 0"));
	}

	TEST_F(PlayerHudTest, TheCurrentResolutionIsTheFourThirdsOfTheWindowHeight)
	{
		for (const Tuple2<int> window : {Tuple2<int>(800, 600), Tuple2<int>(1280, 768)})
		{
			Open(window.x, window.y);
			PlayerHud display;
			EXPECT_EQ(display.GetCurrRes(), Tuple2f(window.y * 4 / 3, window.y)) << window.y;
		}
	}
}
