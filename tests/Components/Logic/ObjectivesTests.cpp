#include "Components/Logic/Objectives.h"

#include "Components/Logic/StoredMessageWorld.h"
#include "Engine.h"

#include <gmock/gmock.h>

namespace
{
	using namespace test;
	using testing::HasSubstr;

	std::string Goal(const std::string& name, const std::string& watched, unsigned hits = 1, bool optional = false)
	{
		return "<Objective>" + Str(name) + Str(watched) + "<unsigned>" + std::to_string(hits) + "</unsigned>" + Str("") +
			"<bool>" + (optional ? "true" : "false") + "</bool></Objective>";
	}
	std::string Achieved(const std::string& text, const std::string& recipient, unsigned delay)
	{
		return "<AchievedMessage>" + Str(text) + Str(recipient) + "<unsigned>" + std::to_string(delay) + "</unsigned></AchievedMessage>";
	}
	std::string Messages(const std::string& records = "")
	{
		return "<Messages>" + records + "</Messages>";
	}

	const char* const kReports[] = {"ObjectiveProgress", "ObjectiveComplete", "AllObjectivesComplete"};

	// A player with the objectives and a listener for its reports, and the watched object "House".
	struct Level
	{
		explicit Level(const std::string& values)
		{
			house = CreateObject("House");
			player = StoredMessageWorld::Add<Objectives>("Player", values);
			for (const char* report : kReports)
				player.object->RegisterHandler(report, &Listener::OnHeard);
			player.object->Start();
			Engine::SendMessage(Message("LevelLoaded"));
		}
		StoredMessageWorld world;
		Object house{};
		Object player{};
	};

	TEST(Objectives, CompletesOnlyWhenAGoalMessageFindsEveryRequiredGoalMet)
	{
		struct Case
		{
			std::string goals;
			std::vector<std::string> sent, heard;
		};
		const Case cases[] = {
			{Goal("Met", "House", 0), {}, {}},
			{Goal("Met", "House", 0) + Goal("Bonus", "House", 3, true), {"Bonus"},
				{"ObjectiveProgress", "AllObjectivesComplete"}},
			{Goal("A", "House", 5, true) + Goal("B", "House", 5, true), {"A"}, {"ObjectiveProgress", "AllObjectivesComplete"}},
			{Goal("A", "House", 2) + Goal("B", "House"), {"A", "B", "Other"},
				{"ObjectiveProgress", "ObjectiveProgress", "ObjectiveComplete"}},
			{Goal("A", "House", 1), {"A", "A"}, {"ObjectiveProgress", "ObjectiveComplete", "AllObjectivesComplete",
				"ObjectiveProgress", "ObjectiveComplete", "AllObjectivesComplete"}},
		};
		for (const Case& c : cases)
		{
			Level level(Messages() + c.goals);
			level.world.Frame();
			for (const std::string& name : c.sent)
				level.house.SendMessage(Message(name));
			EXPECT_EQ(StoredMessageWorld::HeardNames(), c.heard) << c.goals;
		}
	}

	TEST(Objectives, AchievedMessagesGoAfterTheirDelaysAndWithoutRecipientEngineWide)
	{
		Level level(Messages(Achieved("First()", "Box", 0) + Achieved("Second()", "Box", 2000) + Achieved("Third()", "Nobody", 0)) +
			Goal("A", "House"));
		StoredMessageWorld::Add<Objectives>("Box", Messages(), Str("First") + Str("Second"));
		const Object ear = StoredMessageWorld::Add<Objectives>("Ear", Messages());
		Engine::Instance()->AddListener("Third", ear.id, &Listener::OnHeard);
		level.house.SendMessage(Message("A"));
		const std::uint32_t completed = GameClock::Read();
		Listener::Log().clear();
		level.world.Frame();
		EXPECT_EQ(StoredMessageWorld::HeardNames(), (std::vector<std::string>{"First", "Third"}));
		std::uint32_t secondAt = 0;
		for (int frame = 0; frame < 200 && secondAt == 0; ++frame)
		{
			const std::uint32_t now = GameClock::Read();
			level.world.Frame();
			if (StoredMessageWorld::HeardNames().size() == 3)
				secondAt = now;
		}
		EXPECT_GE(secondAt - completed, 2000u);
		EXPECT_LT(secondAt - completed, 2016u);
	}

	// The level change after the goals waits out its delay in game time, not through a pause.
	TEST(Objectives, AnAchievedMessageWaitsWhileTheGameIsPaused)
	{
		Level level(Messages(Achieved("Later()", "Box", 2000)) + Goal("A", "House"));
		StoredMessageWorld::Add<Objectives>("Box", Messages(), Str("Later"));
		level.house.SendMessage(Message("A"));
		Listener::Log().clear();
		Engine::SendMessage(Message("Pause").PushBool(true));
		GameClock::Advance(60000);
		level.world.Frame();
		Engine::SendMessage(Message("Pause").PushBool(false));
		level.world.Frame();
		EXPECT_TRUE(StoredMessageWorld::HeardNames().empty());
		for (int frame = 0; frame < 130; ++frame)
			level.world.Frame();
		EXPECT_EQ(StoredMessageWorld::HeardNames(), std::vector<std::string>{"Later"});
	}

	TEST(Objectives, AchievedMessagesGoOnceThoughCompletionRepeats)
	{
		Level level(Messages(Achieved("First()", "Box", 0)) + Goal("A", "House"));
		StoredMessageWorld::Add<Objectives>("Box", Messages(), Str("First"));
		for (int hit = 0; hit < 3; ++hit)
		{
			level.house.SendMessage(Message("A"));
			level.world.Frame(3);
		}
		const std::vector<std::string> heard = StoredMessageWorld::HeardNames();
		EXPECT_EQ(std::count(heard.begin(), heard.end(), "AllObjectivesComplete"), 3);
		EXPECT_EQ(std::count(heard.begin(), heard.end(), "First"), 1);
	}

	TEST(Objectives, ObjectsNamedAfterTheLevelLoadedAreNotWatched)
	{
		Level level(Messages() + Goal("A", "House"));
		const Object late = CreateObject("House");
		late.SendMessage(Message("A"));
		EXPECT_TRUE(StoredMessageWorld::HeardNames().empty());
		level.house.SendMessage(Message("A"));
		EXPECT_EQ(level.world.Of<Objectives>(level.player).GetGoals().Entries()[0].second.count, 1u);
	}

	TEST(Objectives, CastleDestroyedRevealsDeathOnlyWhenThatGoalExists)
	{
		for (const bool withDeath : {true, false})
		{
			Level level(Messages() + Goal("CastleDestroyed", "House") + (withDeath ? Goal("Death", "House") : ""));
			StoredMessageWorld::Add<Objectives>("PlayerHudObj", Messages(), Str("AddHudObjective"));
			level.house.SendMessage(Message("CastleDestroyed"));
			EXPECT_EQ(StoredMessageWorld::HeardNames().back() == "AddHudObjective", withDeath);
			const auto& goals = level.world.Of<Objectives>(level.player).GetGoals();
			EXPECT_TRUE(goals.Entries()[0].second.hidden);
			EXPECT_TRUE(!withDeath || !goals.Entries()[1].second.hidden);
		}
	}

	TEST(Objectives, DetachDropsItsHandlersFromTheWatchedObjects)
	{
		Level level(Messages() + Goal("A", "House") + Goal("B", "House"));
		EXPECT_EQ(level.house.GetAffected("A").size(), 1u);
		level.player.object->Destroy();
		level.world.Frame();
		EXPECT_TRUE(level.house.GetAffected("A").empty());
		EXPECT_TRUE(level.house.GetAffected("B").empty());
	}

	TEST(Objectives, ASelfReportingGoalDoesNotRecurse)
	{
		Level level(Messages() + Goal("ObjectiveProgress", "Player", 1));
		const std::string printed = Printed([&] { level.player.SendMessage(Message("ObjectiveProgress")); });
		EXPECT_THAT(printed, HasSubstr("arrived again while it was being handled"));
		EXPECT_EQ(level.world.Of<Objectives>(level.player).GetGoals().Entries()[0].second.count, 1u);
	}

	TEST(Objectives, GoalsSaveInTheOrderReadAndReloadByteIdentical)
	{
		std::string goals;
		for (int index = 0; index < 25; ++index)
			goals += Goal("Goal" + std::to_string(index), "House" + std::to_string(index % 3), index % 4, index % 2 == 1);
		const std::string values = Messages(Achieved("NextLevel()", "", 1000) + Achieved("Bad(1 +)", "Box", 0)) + goals +
			Goal("Goal3", "Elsewhere");
		StoredMessageWorld world;
		Object first{};
		const std::string printed = Printed([&] { first = StoredMessageWorld::Add<Objectives>("Player", values); });
		EXPECT_THAT(printed, HasSubstr("a second goal \"Goal3\" is dropped"));
		EXPECT_THAT(printed, HasSubstr("\"Bad(1 +)\" does not parse"));
		const std::string saved = world.Saved(world.Of<Objectives>(first));
		EXPECT_LT(saved.find(">Goal0<"), saved.find(">Goal24<"));
		EXPECT_EQ(saved.find("Elsewhere"), std::string::npos);
		EXPECT_THAT(saved, HasSubstr(">Bad(1 +)<"));
		const Object second = StoredMessageWorld::Reloaded<Objectives>(first);
		EXPECT_EQ(world.Saved(world.Of<Objectives>(second)), saved);
	}
}
