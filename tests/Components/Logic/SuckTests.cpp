#include "Components/Logic/Suck.h"

#include "Components/Logic/BreathWorld.h"
#include "Components/Logic/GameplayRules.h"
#include "../../Utilities/ScriptMembers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
	using test::BreathWorld;
	using testing::HasSubstr;

	// grabDist, maxGrabDist, maxForce, perpForce 6, parForce 10, aoeScale, maxVolume, Scaler.
	std::string SuckValues(const std::string& grabDist, const std::string& maxGrabDist, const std::string& aoeScale,
		const std::string& maxVolume = "2")
	{
		return "<float>" + grabDist + "</float><float>" + maxGrabDist + "</float><float>50</float><float>6</float><float>10</float>"
			"<Tuple3f>" + aoeScale + "</Tuple3f><float>" + maxVolume + "</float>"
			"<Scaler><Tuple3f>0.2 0.2 0.2</Tuple3f><float>0.5</float></Scaler>";
	}

	Suck& StartSucking(const Object& player)
	{
		player.object->HandleMessage(Message("SetSucking").PushBool(true));
		return *player.object->GetComponent<Suck>();
	}

	TEST(Suck, AreaPullFallsOffAlongTheConeAndTowardsItsAxis)
	{
		// (offset from the eye, expected force per unit of inverse mass); parForce 10, perpForce 6,
		// cone 4 wide and 10 long; no aimed pull (no reach).
		const struct { Tuple3f offset; Tuple3f force; } cases[] = {
			{{0, 0, -1.2f}, {0, 0, 8.8f}},
			{{1, 0, -6}, {-1.2f, 0, 4}},
			{{0, 0, -10}, {0, 0, 0}},
		};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Suck::TypeId(), SuckValues("0", "0", "4 10 4")}});
			const Object crate = world.AddCrate(world.eye + c.offset, "NOGRAVITY");
			world.FileColliders();
			RigidBody& body = BreathWorld::RigidBodyOf(crate);
			body.acceleration = Tuple3f();
			StartSucking(player).Update();
			ASSERT_TRUE(IsFinite(body.acceleration));
			for (int axis = 0; axis < 3; ++axis)
				EXPECT_NEAR(body.acceleration[axis] / body.inverseMass, c.force[axis], 0.05f) << c.offset.z << " axis " << axis;
		}
	}

	// The cone runs ahead of the player by one physics step of its velocity: a crate 20 units
	// aside is in it only when the player moves that far in a step.
	TEST(Suck, TheAreaConeLeadsByThePlayersVelocityOverAStep)
	{
		for (const float lead : {0.0f, 20.0f})
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Suck::TypeId(), SuckValues("0", "0", "4 10 4")}});
			const Object crate = world.AddCrate(world.eye + Tuple3f(20, 0, -5), "NOGRAVITY");
			world.FileColliders();
			RigidBody& body = BreathWorld::RigidBodyOf(crate);
			body.acceleration = Tuple3f();
			BreathWorld::RigidBodyOf(player).velocity = Tuple3f(lead / world.Settings().timeStep, 0, 0);
			StartSucking(player).Update();
			EXPECT_NEAR(body.acceleration.z / body.inverseMass, lead > 0.0f ? 5.0f : 0.0f, 0.05f) << "lead " << lead;
		}
	}

	// maxForce 50, reach 10: (1 - min(d^2 / 100, 0.8)) x 50 at the squared distance of the hit point.
	TEST(Suck, TheAimedPullWeakensWithTheSquaredDistanceDownToAFifth)
	{
		for (const auto& [nearFace, force] : {std::pair{2.0f, 48.0f}, {6.0f, 32.0f}, {9.0f, 10.0f}})
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Suck::TypeId(), SuckValues("0", "10", "0 0 0")}});
			const Object crate = world.AddCrate(world.eye + Tuple3f(0, 0, -nearFace - 0.5f), "NOGRAVITY");
			world.FileColliders();
			RigidBody& body = BreathWorld::RigidBodyOf(crate);
			body.acceleration = Tuple3f();
			StartSucking(player).Update();
			EXPECT_NEAR(body.acceleration.z / body.inverseMass, force, 0.05f) << "near face " << nearFace << " away";
		}
	}

	TEST(Suck, AimedBodiesThatCannotMoveAreToldButNotPulled)
	{
		// (flags, made static, "Sucked" received, pulled)
		const struct { const char* flags; bool makeStatic; std::size_t sucked; bool pulled; } cases[] = {
			{"DEFAULT", false, 1, true}, {"DEFAULT", true, 1, false}, {"LOGIC", false, 1, false}, {"CONTROLLER", false, 0, false}};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Suck::TypeId(), SuckValues("0.1", "10", "0 0 0")}});
			const Object crate = world.AddCrate(world.eye + Tuple3f(0, 0, -3), c.flags);
			if (c.makeStatic)
				crate.object->HandleMessage(Message("SetStatic"));
			world.FileColliders();
			test::MessageLog& log = test::Listen(crate, {"Sucked"});
			StartSucking(player).Update();
			const RigidBody& body = BreathWorld::RigidBodyOf(crate);
			EXPECT_EQ(log.Count("Sucked"), c.sucked) << c.flags;
			EXPECT_EQ(body.velocity.z > 0.0f && body.acceleration.z > 0.0f, c.pulled) << c.flags << c.makeStatic;
		}
	}

	TEST(Suck, HandsOverOnlyLooseSmallObjectsWithinGrabDist)
	{
		// (grabDist, maxVolume, crate has a PhysicsId, hand-overs); the unit crate's near face is 1 away.
		const struct { const char* grabDist; const char* maxVolume; bool physicsId; std::size_t handOvers; } cases[] = {
			{"3", "2", false, 1}, {"1", "2", false, 0}, {"3", "0.5", false, 0}, {"3", "2", true, 0}};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Suck::TypeId(), SuckValues(c.grabDist, "10", "0 0 0", c.maxVolume)}});
			test::MessageLog& log = test::Listen(player, {"AddObject"});
			const Object crate = world.AddCrate(world.eye + Tuple3f(0, 0, -1.5f));
			if (c.physicsId)
				BreathWorld::GivePhysicsId(crate, 7);
			world.FileColliders();
			StartSucking(player).Update();
			EXPECT_EQ(log.Count("AddObject"), c.handOvers) << c.grabDist << " " << c.maxVolume;
			EXPECT_GT(BreathWorld::RigidBodyOf(crate).velocity.z, 0.0f) << "pulled either way";
		}
	}

	TEST(Suck, SucksOnlyWhileBothSwitchedOnAndEnabled)
	{
		// (messages in order, active after them)
		const struct { std::vector<std::pair<const char*, bool>> messages; bool active; } cases[] = {
			{{{"SetSucking", true}}, true},
			{{{"EnableSuck", false}, {"SetSucking", true}}, false},
			{{{"SetSucking", true}, {"EnableSuck", false}, {"EnableSuck", true}}, false},
			{{{"EnableSuck", false}, {"EnableSuck", true}, {"SetSucking", true}}, true},
		};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Suck::TypeId(), SuckValues("1", "1", "1 1 1")}});
			for (const auto& [name, value] : c.messages)
				player.object->HandleMessage(Message(name).PushBool(value));
			EXPECT_EQ(player.object->GetComponent<Suck>()->active, c.active) << c.messages.size();
		}
	}

	TEST(Suck, SavesWhatItReadsAndLeavesThePlayersOwnScalerAlone)
	{
		BreathWorld world;
		const Object player = world.AddPlayer({{Scaler::TypeId(), "<Tuple3f>3 3 3</Tuple3f><float>9</float>"},
			{Suck::TypeId(), SuckValues("3", "10", "1 2 3")}});
		Component* ownScaler = player.object->GetComponent<Scaler>();
		const std::string ownSaved = BreathWorld::Saved(*ownScaler);
		Suck& suck = *player.object->GetComponent<Suck>();
		world.Frame();
		const std::string saved = BreathWorld::Saved(suck);
		EXPECT_THAT(saved, HasSubstr("<float name=\"grabDist\">3</float>"));
		EXPECT_THAT(saved, HasSubstr("<Scaler>"));
		EXPECT_THAT(saved, HasSubstr("<Tuple3f name=\"endScale\">0.2 0.2 0.2</Tuple3f>"));
		EXPECT_EQ(suck.grabDist, 9.0f);
		EXPECT_EQ(player.object->GetComponent<Scaler>(), ownScaler);
		EXPECT_EQ(BreathWorld::Saved(*ownScaler), ownSaved);
		BreathWorld::ExpectSavedTextReloads(suck, world.AddCrate(Tuple3f(5, 5, 5)));
	}

	TEST(Suck, DistancesWhoseSquaresLoseThemAreSavedAsRead)
	{
		// A negative distance squares to a positive one, and a tiny one to zero.
		for (const char* distance : {"-2", "1e-30"})
		{
			BreathWorld world;
			const Object player = world.AddPlayer({{Suck::TypeId(), SuckValues(distance, distance, "1 2 3")}});
			const std::string saved = BreathWorld::Saved(*player.object->GetComponent<Suck>());
			EXPECT_THAT(saved, HasSubstr(std::string("<float name=\"maxGrabDist\">") + distance + "</float>")) << saved;
		}
	}

	TEST(Suck, ScriptClassesOfTheBreathBindTheirProperties)
	{
		const struct { const char* name; std::vector<std::string> properties; } cases[] = {
			{"Suck", {"active", "grabDist"}},
			{"Lungs", {"standardRegenRate", "inhaleRegenRate", "asymptoteRegenMod", "curCapacity", "baseCapacity", "maxCapacity", "burstMultiplier"}},
		};
		for (const auto& c : cases)
		{
			EXPECT_EQ(test::ScriptMembers(c.name), c.properties) << c.name;
		}
	}
}
