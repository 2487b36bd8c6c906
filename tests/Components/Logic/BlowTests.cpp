#include "Components/Logic/Blow.h"

#include "Components/Logic/BreathWorld.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/Scaler.h"
#include "../../Utilities/ScriptMembers.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <fstream>
#include <limits>

namespace
{
	using test::BreathWorld;

	// A gust archetype file in the world's folder: a Transform and a cube Body named "Gust".
	std::string WriteGust(BreathWorld& world)
	{
		const std::string path = world.folder.Path() + "/gust.xml";
		std::ofstream(path) << "<Object><string name=\"Archetype\">Gust</string>"
			"<Component><string name=\"ComponentName\">Transform</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f>"
			"<Tuple3f>0 0 0</Tuple3f></Component><Component><string name=\"ComponentName\">Body</string>" +
			BreathWorld::CubeBody() + "</Component></Object>";
		return path;
	}

	void AddObject(const Object& player, const Object& taken)
	{
		player.object->HandleMessage(Message("AddObject").PushU32(taken.id));
	}

	void Gust(const Object& player, float strength)
	{
		player.object->HandleMessage(Message("StartGust").PushFloat(strength));
	}

	TEST(Blow, WithoutRoomRefusesObjectsAndShootsGustObjectsAboveTheStrengthThreshold)
	{
		// (strength, gust objects made)
		const struct { float strength; std::size_t gusts; } cases[] = {{0.00009f, 0}, {0.0001f, 1}, {1.5f, 1}};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(0, WriteGust(world))}});
			test::MessageLog& log = test::Listen(player, {"EnableSuck", "Blow"});
			const Object crate = world.AddCrate(Tuple3f(0, 1, -5));
			AddObject(player, crate);
			EXPECT_EQ(log.Named("EnableSuck"), std::vector<std::string>{"EnableSuck 0"});
			EXPECT_TRUE(player.object->GetComponent<Blow>()->heldObjs.empty());
			Gust(player, c.strength);
			EXPECT_EQ(ObjectIdsByName("Gust").size(), c.gusts) << c.strength;
			EXPECT_EQ(log.Count("Blow"), c.gusts);
			if (c.gusts == 1)
			{
				const Object gust = ObjectFromName("Gust");
				EXPECT_EQ(BreathWorld::RigidBodyOf(gust).GetPosition(), world.eye + Tuple3f(0, 0, -3));
				EXPECT_NEAR(BreathWorld::RigidBodyOf(gust).velocity.z, -5.0f, 1e-4f);
			}
		}
	}

	// A direction that points nowhere shoots neither a gust nor a held crate, and says so once.
	TEST(Blow, AGustWithAZeroOrNonFiniteDirectionShootsNothingAndReportsOnce)
	{
		const float nan = std::numeric_limits<float>::quiet_NaN();
		for (const Tuple3f& direction : {Tuple3f(), Tuple3f(nan, 0, -1), Tuple3f(0, std::numeric_limits<float>::infinity(), 0)})
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(1, WriteGust(world))}});
			const Object crate = world.AddCrate(Tuple3f(0, 1, -5));
			AddObject(player, crate);
			const auto gust = [&] { player.object->HandleMessage(Message("StartGust").PushFloat(1).Push(world.eye).Push(direction)); };
			tw::Diagnostics::Flush();
			const std::string printed = StderrOf([&] { gust(); gust(); });
			EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << direction << ": " << printed;
			EXPECT_NE(printed.find("\"StartGust\""), std::string::npos) << printed;
			EXPECT_EQ(player.object->GetComponent<Blow>()->heldObjs, std::vector<unsigned>{crate.id}) << direction;
			EXPECT_TRUE(ObjectIdsByName("Gust").empty()) << direction;
			EXPECT_TRUE(IsFinite(BreathWorld::RigidBodyOf(crate).velocity)) << direction;
		}
	}

	TEST(Blow, AnEmptyGustFileBlowsWithoutAGustOrADiagnostic)
	{
		BreathWorld world;
		const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(0, "")}});
		test::MessageLog& log = test::Listen(player, {"Blow"});
		const auto countObjects = [] {
			std::size_t count = 0;
			for (Object object = FirstObject(); !object.IsDummy(); object = NextObject(object))
				++count;
			return count;
		};
		const std::size_t objectsBefore = countObjects();
		EXPECT_EQ(StderrOf([&] { Gust(player, 1.0f); Gust(player, 1.0f); }), "");
		EXPECT_EQ(countObjects(), objectsBefore);
		EXPECT_EQ(log.Count("Blow"), 2u);
	}

	TEST(Blow, ShootsTheNewestFirstFromTheEyeWhenSomethingStandsWithinThreeUnits)
	{
		// (wall distance ahead of the eye, 0 for none; where the shot starts, ahead of the eye)
		const struct { float wall; float start; } cases[] = {{0, 3}, {2.5f, 0}, {4.5f, 3}};
		for (const auto& c : cases)
		{
			BreathWorld world(Tuple3f(0, 50, 0));
			if (c.wall > 0)
				world.AddStatic("Wall", world.eye + Tuple3f(0, 0, -c.wall - 0.5f));
			const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(2)}});
			const Object older = world.AddCrate(Tuple3f(10, 1, 0));
			const Object newer = world.AddCrate(Tuple3f(20, 1, 0));
			AddObject(player, older);
			AddObject(player, newer);
			world.FileColliders();
			Gust(player, 1.0f);
			EXPECT_EQ(player.object->GetComponent<Blow>()->heldObjs, std::vector<unsigned>{older.id});
			EXPECT_EQ(BreathWorld::RigidBodyOf(newer).GetPosition(), world.eye + Tuple3f(0, 0, -c.start)) << c.wall;
		}
	}

	TEST(Blow, LightObjectsFlyAtFullSpeedAndHeavyOnesAtHalf)
	{
		// (inverse mass, share of the interpolated speed 20)
		const struct { float inverseMass; float share; } cases[] = {{3757.0f, 1.0f}, {376.0f, 0.5f}, {0.0f, 0.5f}, {1e6f, 1.0f}};
		for (const auto& c : cases)
		{
			BreathWorld world(Tuple3f(0, 50, 0));
			const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(1)}});
			const Object crate = world.AddCrate(Tuple3f(10, 1, 0));
			AddObject(player, crate);
			BreathWorld::RigidBodyOf(crate).inverseMass = c.inverseMass;
			Gust(player, 1.0f);
			EXPECT_NEAR(BreathWorld::RigidBodyOf(crate).velocity.Length(), 20.0 * c.share, 0.01) << c.inverseMass;
		}
	}

	TEST(Blow, HeldObjectsWaitStillApartBelowTheLevelAndGetTheirGravityBackWhenShot)
	{
		BreathWorld world(Tuple3f(0, 50, 0));
		const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(3)}});
		std::vector<Object> held;
		for (int index = 0; index < 3; ++index)
		{
			held.push_back(world.AddCrate(Tuple3f(3.0f * index, 2, 0)));
			test::Listen(held.back(), {"Collision"});
			AddObject(player, held.back());
		}
		world.Frame(600);
		for (std::size_t first = 0; first < held.size(); ++first)
		{
			const RigidBody& body = BreathWorld::RigidBodyOf(held[first]);
			EXPECT_LE(body.GetPosition().y, Blow::kParkHeight);
			EXPECT_EQ(body.velocity, Tuple3f());
			EXPECT_EQ(held[first].object->GetComponent<test::MessageLog>()->Count("Collision"), 0u) << "parked objects never touch";
			for (std::size_t second = first + 1; second < held.size(); ++second)
				EXPECT_GT(body.GetPosition().DistanceSquared(BreathWorld::RigidBodyOf(held[second]).GetPosition()), 4.0f);
		}
		for (std::size_t shot = 0; shot < held.size(); ++shot)
			Gust(player, 0.5f);
		world.Frame(10);
		for (const Object& crate : held)
		{
			EXPECT_FALSE(BreathWorld::RigidBodyOf(crate).HasFlag(kBodyNoGravity));
			EXPECT_LT(BreathWorld::RigidBodyOf(crate).velocity.y, -0.5f) << "falls again";
		}
	}

	// A held object still flying is parked once it is slow or within a squared distance of 2.
	TEST(Blow, AHeldObjectIsParkedWhenSlowOrCloseToThePlayer)
	{
		const struct
		{
			Tuple3f offset, velocity;
			bool parked;
		} cases[] = {{{0, 0, -1.3f}, {0, 0, 5}, true}, {{0, 0, -1.5f}, {0, 0, 5}, false}, {{0, 0, -5}, {0, 0, 0.9f}, true}};
		for (const auto& c : cases)
		{
			BreathWorld world(Tuple3f(0, 50, 0));
			const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(1)}});
			const Object crate = world.AddCrate(world.eye + c.offset);
			AddObject(player, crate);
			BreathWorld::RigidBodyOf(crate).velocity = c.velocity;
			player.object->GetComponent<Blow>()->Update();
			EXPECT_EQ(BreathWorld::RigidBodyOf(crate).GetPosition().y <= Blow::kParkHeight, c.parked) << c.offset << " moving " << c.velocity;
		}
	}

	// A held object's clock stops while it is held and runs again once it is shot or set down.
	TEST(Blow, LettingAnObjectOutRunsItsClockAgain)
	{
		const std::function<void(const Object&)> letOuts[] = {
			[](const Object& player) { Gust(player, 1.0f); },
			[](const Object& player) { player.object->HandleMessage(Message("PlaceObject")); },
		};
		for (const auto& letOut : letOuts)
		{
			BreathWorld world(Tuple3f(0, 50, 0));
			const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(1)}});
			const Object crate = world.AddCrate(Tuple3f(10, 1, 0));
			test::MessageLog& log = test::Listen(crate, {"PauseClock"});
			AddObject(player, crate);
			letOut(player);
			EXPECT_EQ(log.Named("PauseClock"), (std::vector<std::string>{"PauseClock 1", "PauseClock 0"}));
		}
	}

	TEST(Blow, PlaceObjectSetsTheNewestDownStillInFrontOfTheCamera)
	{
		BreathWorld world(Tuple3f(0, 50, 0));
		const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(1)}});
		test::MessageLog& log = test::Listen(player, {"EnableSuck"});
		const Object crate = world.AddCrate(Tuple3f(10, 1, 0));
		AddObject(player, crate);
		world.Frame();
		player.object->HandleMessage(Message("PlaceObject"));
		player.object->HandleMessage(Message("PlaceObject"));
		const RigidBody& body = BreathWorld::RigidBodyOf(crate);
		EXPECT_EQ(body.GetPosition(), world.eye + Tuple3f(0, 0, -3));
		EXPECT_EQ(body.velocity, Tuple3f());
		EXPECT_FALSE(body.HasFlag(kBodyNoGravity));
		EXPECT_EQ(log.Named("EnableSuck"), (std::vector<std::string>{"EnableSuck 0", "EnableSuck 1"})) << "the second finds nothing";
	}

	// Caught again halfway through growing back, a crate still ends at the size it was made with.
	TEST(Blow, ACrateCaughtWhileGrowingBackRegrowsToItsOwnScale)
	{
		BreathWorld world(Tuple3f(0, 50, 0));
		const Object player = world.AddPlayer({{Blow::TypeId(), BreathWorld::BlowValues(1)}});
		const Object crate = world.AddCrate(Tuple3f(10, 1, 0));
		crate.SendMessage(Message("SetScale").Push(Tuple3f(1.5f, 1.5f, 1.5f)));
		Serializer shrink;
		BreathWorld::Parse(shrink, "<Tuple3f>0.2 0.2 0.2</Tuple3f><float>0.5</float>");
		const auto breatheIn = [&] {
			shrink.Rewind();
			player.object->HandleMessage(Message("AddObject").PushU32(crate.id).PushU32(Scaler::TypeId()).Push(&shrink));
		};
		breatheIn();
		world.Frame(40);
		player.object->HandleMessage(Message("PlaceObject"));
		world.Frame(16);
		breatheIn();
		world.Frame(40);
		player.object->HandleMessage(Message("PlaceObject"));
		world.Frame(40);
		EXPECT_LT(crate.object->GetComponent<Transform>()->GetScale().Distance(Tuple3f(1.5f, 1.5f, 1.5f)), 1e-4f);
	}

	TEST(Blow, ScriptClassBindsRoomCapacityAndTheHeldList)
	{
		EXPECT_EQ(test::ScriptMembers("Blow"), (std::vector<std::string>{"maxObjs", "empty read-only", "heldObjs"}));
	}
}
