#include "Components/Logic/ExplodeOnHit.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameplayWorld;

	std::string FuseValues(const std::string& speed, unsigned fuse)
	{
		return "<float>" + speed + "</float><int>25</int><unsigned>" + std::to_string(fuse) + "</unsigned>";
	}

	// Updates until the object is gone; the number of that update, 0 when it stays for the limit.
	unsigned UpdatesUntilGone(GameplayWorld& world, const Object& object, unsigned limit = 200)
	{
		for (unsigned update = 1; update <= limit; ++update)
		{
			world.Frame();
			if (ObjectFromId(object.id).IsDummy())
				return update;
		}
		return 0;
	}

	TEST(ExplodeOnHit, StrikeTestComparesTheLastStepsChangeOfVelocityWithTheSquaredSpeed)
	{
		// (explodeType, minExplodeVelocity, contact force on a 1 kg body, paused, explodes)
		const struct { unsigned type; const char* speed; Tuple3f force; bool paused; bool explodes; } cases[] = {
			{1, "3", {3, 0, 0}, false, false}, {1, "3", {3.01f, 0, 0}, false, true}, {1, "3", {0, 6, 0}, false, false},
			{1, "3", {0, 6.02f, 0}, false, true}, {0, "5", {1.01f, 0, 0}, false, true}, {1, "5", {1.01f, 0, 0}, false, false},
			{2, "0.1", {100, 100, 100}, false, false}, {1, "3", {0, 0, 3.01f}, true, true}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object object = world.AddLogic(ExplodeOnHit::TypeId(), FuseValues(c.speed, 0), Tuple3f(), true);
			test::MessageLog& log = test::Listen(object, {"Death"});
			object.object->HandleMessage(Message("SetExplodeType").PushU32(c.type));
			object.object->HandleMessage(Message("PauseClock").PushBool(c.paused));
			RigidBody& body = GameplayWorld::RigidBodyOf(object);
			body.mass = body.inverseMass = 1.0f;
			body.constraintForce[0] = c.force.x;
			body.constraintForce[1] = c.force.y;
			body.constraintForce[2] = c.force.z;
			object.object->GetComponent<ExplodeOnHit>()->Update();
			EXPECT_EQ(log.Count("Death"), c.explodes ? 1u : 0u) << c.type << " " << c.speed << " " << c.force.x;
		}
	}

	TEST(ExplodeOnHit, FuseCountsPhysicsStepsUnlessPausedOrZero)
	{
		// (fuse ms, paused, the update that ends the object; 0: none in 200)
		const struct { unsigned fuse; bool paused; unsigned endsAt; } cases[] = {
			{1000, false, 63}, {16, false, 1}, {17, false, 2}, {0, false, 0}, {1000, true, 0}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object object = world.AddLogic(ExplodeOnHit::TypeId(), FuseValues("100", c.fuse));
			object.object->HandleMessage(Message("PauseClock").PushBool(c.paused));
			EXPECT_EQ(UpdatesUntilGone(world, object), c.endsAt) << c.fuse << " " << c.paused;
		}
	}

	TEST(ExplodeOnHit, ACrateRestingOnAFloorReadsItsSupport)
	{
		// (minExplodeVelocity, explodeType, explodes while resting)
		const struct { const char* speed; unsigned type; bool explodes; } cases[] = {
			{"4.5", 1, true}, {"5.5", 1, false}, {"5.5", 0, true}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object floor = world.AddBodyObject("Floor", Tuple3f(0, -0.5f, 0), false, GameplayWorld::CubeBody());
			floor.object->GetComponent<Transform>()->SetScale(Tuple3f(20, 1, 20));
			floor.object->Start();
			floor.object->HandleMessage(Message("SetStatic"));
			const Object crate = world.AddLogic(ExplodeOnHit::TypeId(), FuseValues(c.speed, 0), Tuple3f(0, 0.5f, 0), true);
			Engine::SendMessage(Message("LevelLoaded"));
			// The first contact step closes the gap with twice the support; the test arms after it,
			// while the crate rests awake (it sleeps some 16 steps after landing).
			crate.object->HandleMessage(Message("SetExplodeType").PushU32(2));
			world.Frame(3);
			crate.object->HandleMessage(Message("SetExplodeType").PushU32(c.type));
			EXPECT_EQ(UpdatesUntilGone(world, crate, 8) != 0, c.explodes) << c.speed << " " << c.type;
		}
	}
}
