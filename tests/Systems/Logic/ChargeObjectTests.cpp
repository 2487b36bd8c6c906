#include "Systems/Logic/ChargeObject.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
	using test::GameClock;
	using test::GameplayWorld;

	// A charger three units tall standing at the origin (its view point 1.1 above its position)
	// and a target straight ahead of that point along -z, neither falling.
	struct ChargeLevel
	{
		explicit ChargeLevel(float targetDistance)
		{
			const std::string tall = "<Collider><string>cube</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
									 "<Tuple3f>1 3 1</Tuple3f></Collider>";
			charger = world.AddBodyObject("Charger", Tuple3f(0, 1.5f, 0), true,
				GameplayWorld::BodyValues("NOGRAVITY", "CompositePrimitive", "0 0 0", tall));
			log = &test::Listen(charger, {"SetVelocity", "StopPathing", "ParticleActivate", "ParticleClear"});
			// Rays pass through the target as through the player, whose body is a controller.
			target = world.AddBodyObject("Target", Tuple3f(0, 2.6f, -targetDistance), true, GameplayWorld::CubeBody("CONTROLLER NOGRAVITY"));
			// The step files the new colliders for ray queries; without gravity nothing moves.
			world.Step();
		}
		std::unique_ptr<BehaviorNode> Start(float maxChargeDist, float impulseRate = 0.25f) const
		{
			std::ostringstream fields;
			fields << "<string>Target</string><float>10</float><float>" << impulseRate << "</float><float>" << maxChargeDist << "</float>";
			return test::StartNode("ChargeObject", fields.str(), charger.object);
		}
		RigidBody& Body() const { return GameplayWorld::RigidBodyOf(charger); }
		// Updates 16 ms apart until the node ends or the updates run out; the pushes it gave.
		int Run(BehaviorNode& node, int updates) const
		{
			int pushes = 0;
			for (int update = 0; update < updates && node.status == Running; ++update)
			{
				GameClock::Advance(16);
				Body().acceleration = Tuple3f();
				node.Update();
				pushes += Body().acceleration.LengthSquared() > 0.0f ? 1 : 0;
			}
			return pushes;
		}

		GameplayWorld world;
		Object charger;
		Object target;
		test::MessageLog* log = nullptr;
	};

	TEST(ChargeObject, StartsOnlyStrictlyWithinReachAndWhenTheTargetSeesTheCharger)
	{
		const struct
		{
			float maxChargeDist;
			bool wall;
			BehaviorStatus status;
		} cases[] = {{8.0f, false, Failure}, {8.01f, false, Running}, {8.01f, true, Failure}};
		for (const auto& c : cases)
		{
			ChargeLevel level(8.0f);
			if (c.wall)
			{
				GameplayWorld::AddStaticBox("Wall", Tuple3f(0, 2.6f, -4), Tuple3f(4, 4, 0.5f));
				level.world.Step();
			}
			EXPECT_EQ(level.Start(c.maxChargeDist)->status, c.status) << c.maxChargeDist << (c.wall ? " behind a wall" : "");
		}
	}

	TEST(ChargeObject, StopsTurnsForASecondThenPushesTowardTheTargetAtItsRateForFourAndAHalfSeconds)
	{
		ChargeLevel level(8.0f);
		auto charge = level.Start(9.0f);
		ASSERT_EQ(charge->status, Running);
		// Stopping, then 1000 ms of turning without a push, then one update to set off.
		EXPECT_EQ(level.Run(*charge, 1 + 63 + 1), 0);
		EXPECT_EQ(level.log->Named("StopPathing"), std::vector<std::string>{"StopPathing " + tw::TextOf(true)});
		EXPECT_EQ(level.Run(*charge, 14), 0);
		// A charger that stood still has fallen asleep: the push wakes it, or it would not move.
		level.Body().Sleep();
		EXPECT_EQ(level.Run(*charge, 1), 1);
		EXPECT_FALSE(level.Body().IsAsleep());
		EXPECT_LT(level.Body().acceleration.z, 0.0f);
		const int pushes = 1 + level.Run(*charge, 400);
		EXPECT_GE(pushes, 16);
		EXPECT_LE(pushes, 18);
		EXPECT_EQ(charge->status, Success);
		charge->Finish();
		EXPECT_EQ(level.log->Count("ParticleClear"), 1u);
		EXPECT_EQ(level.log->Named("ParticleActivate").back(), "ParticleActivate Dust " + tw::TextOf(false));
	}

	TEST(ChargeObject, ATargetRemovedWhileTheChargerTurnsOrChargesFailsTheNode)
	{
		for (const int updatesBefore : {2, 70})
		{
			ChargeLevel level(8.0f);
			auto charge = level.Start(9.0f);
			level.Run(*charge, updatesBefore);
			ASSERT_EQ(charge->status, Running);
			level.target.object->Destroy();
			ProcessObjectChanges();
			level.Run(*charge, 1);
			EXPECT_EQ(charge->status, Failure) << updatesBefore;
		}
	}
}
