#include "Components/GUI/PlayerHud.h"

#include "Components/GUI/HudWorld.h"
#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/PlayerDeath.h"
#include "Archetype.h"
#include "Components/Graphics/OrthoPlane.h"
#include "Components/Transform.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdint>
#include <string>

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

namespace gui_tests
{
	// The shipped display ("PlayerHudObj.xml" and its page) for the first level's goal, watching
	// the object "Hut", in a window of the size asked, a few frames after it started.
	class ShippedHudTest : public HudWorld
	{
	protected:
		void ShowShippedHud(int width, int height)
		{
			Open(width, height);
			Objectives::Register();
			MakeShippedHud();
		}
		void MakeShippedHud()
		{
			player = StartedObject(test::TransformXml("0 0 0") +
					test::ComponentXml("Objectives", "<Messages/>" + GoalXml("HouseDestroyed", 1, "Bring the house down")),
				"Player");
			hud = CreateObjectFromArchetype("PlayerHudObj.xml").object;
			ASSERT_NE(hud, nullptr);
			hud->Start();
			Frames(5);
		}
		void Frames(int count)
		{
			for (int frame = 0; frame < count; ++frame)
				gui->Update();
		}
		const HTMLView& View() const { return *hud->GetComponent<HTMLPane>()->GetView(); }
	};

	namespace
	{
	struct PixelExtent
	{
		int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
	};

	// The extent of the page's pixels, within the area given, that are not transparent.
	PixelExtent DrawnExtent(const HTMLView& view, const PixelExtent& within = {0, 0, 1 << 30, 1 << 30})
	{
		PixelExtent extent;
		for (int y = std::max(0, within.top); y < std::min(view.GetHeight(), within.bottom + 1); ++y)
			for (int x = std::max(0, within.left); x < std::min(view.GetWidth(), within.right + 1); ++x)
			{
				const std::uint8_t* pixel = view.GetPixels() + y * view.GetBytesPerRow() + x * 4;
				if (pixel[3] > 0)
					extent = {std::min(extent.left, x), std::min(extent.top, y), std::max(extent.right, x), std::max(extent.bottom, y)};
			}
		return extent;
	}
	}

	TEST_F(ShippedHudTest, FillsFourThirdsFiveFourthsAndWideWindowsWithNothingCutOffAndTheAimAtTheCentre)
	{
		for (const Tuple2<int> window : {Tuple2<int>(1024, 768), Tuple2<int>(1280, 1024), Tuple2<int>(1280, 720)})
		{
			SCOPED_TRACE(std::to_string(window.x) + "x" + std::to_string(window.y));
			ShowShippedHud(window.x, window.y);
			ASSERT_EQ(View().GetWidth(), window.x);
			ASSERT_EQ(View().GetHeight(), window.y);
			EXPECT_EQ(hud->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(window.x / 2, window.y / 2, 0));
			// Everything drawn keeps clear of the edges: the head on the left, the goal on the right.
			const PixelExtent drawn = DrawnExtent(View());
			EXPECT_GE(drawn.left, 8);
			EXPECT_GE(drawn.top, 8);
			EXPECT_LE(drawn.right, window.x - 9);
			EXPECT_GE(drawn.right, window.x - 24) << "the goal is not at the right edge";
			EXPECT_LE(drawn.bottom, window.y - 9);
			// The aim mark, alone near the centre, away from the bars and the goal.
			const int cx = window.x / 2, cy = window.y / 2;
			const PixelExtent centred = DrawnExtent(View(), {cx - 20, cy - 20, cx + 20, cy + 20});
			ASSERT_GE(centred.right, 0) << "no aim mark at the centre";
			EXPECT_NEAR((centred.left + centred.right + 1) / 2.0, cx, 1.0);
			EXPECT_NEAR((centred.top + centred.bottom + 1) / 2.0, cy, 1.0);
		}
	}

	TEST_F(ShippedHudTest, TheGoalMetReadsDoneAfterTheListIsRebuilt)
	{
		MakeShippedHud();
		const Object hut = CreateObject("Hut");
		Engine::SendMessage(Message("LevelLoaded"));
		hut.SendMessage(Message("HouseDestroyed"));
		Frames(3);
		EXPECT_THAT(Run(*hud->GetComponent<HTMLPane>(),
						"record(document.getElementById('met').textContent, document.getElementById('objectives').children.length);"),
			ElementsAre("Done: Bring the house down 0"));
	}

	// The page passes the use and carry keys, which no built-in binding takes, on to the player,
	// except while it shows the player knocked out.
	TEST_F(ShippedHudTest, TheUseAndCarryKeysReachThePlayer)
	{
		MakeShippedHud();
		const test::MessageLog& heard = test::Listen(ObjectFromId(player->GetId()), {"ActivateTarget", "Grab", "Release"});
		const struct
		{
			const char* event;
			int symbol;
			std::vector<std::string> heardSoFar;
		} steps[] = {
			{"KeyDown", 'e', {"ActivateTarget"}},
			{"KeyUp", 'e', {"ActivateTarget"}},
			{"KeyDown", 'f', {"ActivateTarget", "Grab"}},
			{"KeyUp", 'f', {"ActivateTarget", "Grab", "Release"}},
			{"KeyDown", 'w', {"ActivateTarget", "Grab", "Release"}},
			{"ShowDeath", 0, {"ActivateTarget", "Grab", "Release"}},
			{"KeyDown", 'e', {"ActivateTarget", "Grab", "Release"}},
			{"KeyDown", 'f', {"ActivateTarget", "Grab", "Release"}},
			{"ShowRestartRefused", 0, {"ActivateTarget", "Grab", "Release"}},
			{"KeyDown", 'e', {"ActivateTarget", "Grab", "Release", "ActivateTarget"}},
		};
		for (const auto& step : steps)
		{
			if (std::string(step.event).starts_with("Show"))
				hud->HandleMessage(Message("CallJSFunction").PushString(std::string(step.event) + "(); void(0);"));
			else
				Send(step.event, {step.symbol, 0, 0});
			EXPECT_EQ(heard.entries, step.heardSoFar) << step.event << " " << static_cast<char>(step.symbol);
		}
	}

	// What happens while nothing is asked of the player reads across the middle of the display: a
	// level's news, and a death.
	TEST_F(ShippedHudTest, NewsAndADeathReadAcrossTheMiddle)
	{
		const struct
		{
			const char* told;
			const char* text;
		} rows[] = {
			{"news", "Its lair is next."},
			{"death", "You are knocked out. The level starts again."},
		};
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.told);
			ShowShippedHud(1024, 768);
			if (std::string(row.told) == "news")
				hud->HandleMessage(Message("CallJSFunction").PushString(std::string("ShowNews('") + row.text + "'); void(0);"));
			else
			{
				PlayerDeath::Register();
				player->AddComponent(PlayerDeath::TypeId());
				player->GetComponent<PlayerDeath>()->Start();
				player->HandleMessage(Message("Death"));
			}
			Frames(3);
			EXPECT_THAT(Run(*hud->GetComponent<HTMLPane>(), "record(document.getElementById('news').textContent);"), ElementsAre(row.text));
			const PixelExtent drawn = DrawnExtent(View(), {200, 220, 824, 260});
			EXPECT_GE(drawn.right, 0) << "nothing drawn across the middle";
		}
	}
}
