#include "Components/Logic/PowerUp.h"
#include "Components/Logic/WinCollision.h"

#include "Components/Logic/StoredMessageWorld.h"
#include "Engine.h"

namespace
{
	using namespace test;

	Object AddCollector(const std::string& name, const std::string& team)
	{
		const Object collector = StoredMessageWorld::Add<PowerUpCollector>(name, Str(team), Str("Heal"));
		return collector;
	}

	TEST(PowerUp, DeliversTheEffectOfTheTouchersTeamOnceAndGoes)
	{
		struct Case
		{
			std::vector<std::string> touchers;
			std::vector<std::string> heard;
			bool taken;
		};
		// "Rock" has no collector; "Blue" is of a team without an effect.
		const Case cases[] = {
			{{"Rock"}, {}, false},
			{{"Blue"}, {}, false},
			{{"Red"}, {"Heal"}, true},
			{{"Red", "Red2"}, {"Heal"}, true},
		};
		for (const Case& c : cases)
		{
			StoredMessageWorld world;
			Object pickUp{};
			const std::string printed = Printed([&] {
				pickUp = world.Add<PowerUp>("Medkit", Element(Str("red") + Str("Heal(25)")) +
					Element(Str("red") + Str("Hurt(1)")) + Element(Str("green") + Str("Heal(5)")));
			});
			EXPECT_NE(printed.find("object \"Medkit\" (id " + std::to_string(pickUp.id) +
				"), PowerUp: a second effect for team \"red\" (\"Hurt(1)\") is dropped; the first one stays"), std::string::npos) << printed;
			const std::map<std::string, Object> touchers = {{"Rock", world.Add<Listener>("Rock", "", Str("Heal"))},
				{"Blue", AddCollector("Blue", "blue")}, {"Red", AddCollector("Red", "red")}, {"Red2", AddCollector("Red2", "red")}};
			for (const std::string& toucher : c.touchers)
				pickUp.SendMessage(Message("Collision").PushU32(touchers.at(toucher).id));
			const unsigned id = pickUp.id;
			world.Frame();
			EXPECT_EQ(world.HeardNames(), c.heard);
			EXPECT_EQ(ObjectFromId(id).IsDummy(), c.taken);
		}
	}

	TEST(WinCollision, TouchingTheNamedObjectRequestsTheNextLevelAndAnEmptyNameNever)
	{
		for (const std::string winObj : {"Exit", ""})
		{
			StoredMessageWorld world;
			const Object player = world.Add<WinCollision>("Player", Str(winObj));
			player.object->Start();
			for (const std::string touched : {"Wall", ""})
				player.SendMessage(Message("Collision").PushU32(CreateObject(touched).id));
			EXPECT_EQ(Engine::Instance()->GetRequestedState(), Engine::kRunning);
			player.SendMessage(Message("Collision").PushU32(CreateObject("Exit").id));
			EXPECT_EQ(Engine::Instance()->GetRequestedState(), winObj.empty() ? Engine::kRunning : Engine::kChangeLevel);
		}
	}

	TEST(WinCollision, SeveralTouchesInOneFrameChangeToTheNamedLevelOnce)
	{
		StoredMessageWorld world;
		const std::string next = world.WriteLevel("Next.xml", "<Level><string>Beyond.xml</string><string></string></Level>");
		const std::string first = world.WriteLevel("First.xml", "<Level><string>" + next + "</string><string></string><ObjectGroup>"
			"<Object><string>Player</string><Component><string>WinCollision</string><string>Exit</string></Component></Object>"
			"<Object><string>Exit</string></Object></ObjectGroup></Level>");
		std::map<unsigned, std::function<void()>> script;
		script[2] = [] {
			const Object player = ObjectFromId(ObjectIdsByName("Player").at(0));
			for (int touch = 0; touch < 3; ++touch)
				player.SendMessage(Message("Collision").PushU32(ObjectIdsByName("Exit").at(0)));
		};
		script[5] = [] { Engine::Instance()->RequestState(Engine::kQuit); };
		world.Run(first, script, 10);
		EXPECT_EQ(Events(), (Names{"LevelLoaded " + first, "UnloadingLevel " + first, "LevelLoaded " + next, "UnloadingLevel " + next}));
	}
}
