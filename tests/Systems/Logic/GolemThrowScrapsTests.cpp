#include "Systems/Logic/GolemThrowScraps.h"

#include "Components/Logic/GolemWorld.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
	using test::GolemWorld;

	constexpr float kSpeed = 10.0f;

	std::string Throw(const std::string& target, unsigned count = 2)
	{
		return "<string>" + target + "</string><float>10</float><float>0.2</float><float>0.5</float><float>1</float>"
			"<string>Pebble.xml</string><unsigned>" + std::to_string(count) + "</unsigned><float>0.5</float><float>12</float>";
	}

	struct ThrowWorld
	{
		explicit ThrowWorld(bool dressed)
		{
			world.WritePebble(true);
			golem = world.AddGolem(Tuple3f());
			player = world.AddPlayer(Tuple3f(0, 0.5f, 15));
			if (dressed)
			{
				world.AddScraps(20, Tuple3f(), 3.5f);
				world.Frame();
				golem.object->HandleMessage(Message("SummonScraps"));
				EXPECT_TRUE(world.FrameUntilReeledIn());
			}
		}

		GolemWorld world;
		Object golem;
		Object player;
	};

	TEST(GolemThrowScraps, WithoutATargetItFailsAndThrowsNothing)
	{
		ThrowWorld thrower(true);
		auto node = GolemWorld::MakeNode<GolemThrowScraps>("GolemThrowScraps", thrower.golem, Throw("Nobody"));
		GolemWorld::StartNode(*node);
		EXPECT_EQ(node->status, Failure);
		EXPECT_TRUE(node->GetThrown().empty());
		EXPECT_TRUE(ObjectIdsByName("Pebble").empty());
	}

	TEST(GolemThrowScraps, TakesNumObjectsScrapsFromEachForearmAndLeadsTheTarget)
	{
		ThrowWorld thrower(true);
		std::vector<unsigned> right;
		GolemWorld::GolemOf(thrower.golem).GetScrapsByName("lowerArm_R", 10, right);
		ASSERT_EQ(right.size(), 3u);
		const Tuple3f targetVelocity(3, 0, -1);
		GolemWorld::RigidBodyOf(thrower.player).velocity = targetVelocity;
		const Tuple3f target = GolemWorld::RigidBodyOf(thrower.player).GetPosition();
		auto node = GolemWorld::MakeNode<GolemThrowScraps>("GolemThrowScraps", thrower.golem, Throw("Player"));
		GolemWorld::StartNode(*node);
		ASSERT_EQ(node->GetThrown().size(), 4u);
		EXPECT_TRUE(std::equal(right.begin(), right.begin() + 2, node->GetThrown().begin()));
		EXPECT_FALSE(GolemWorld::RigidBodyOf(ObjectFromId(right[2])).HasFlag(kBodyNoGravity)) << "the third stays";
		for (const unsigned id : node->GetThrown())
		{
			const RigidBody& body = GolemWorld::RigidBodyOf(ObjectFromId(id));
			const Tuple3f from = body.GetPosition();
			const float flight = static_cast<float>((target - from).Length()) / kSpeed;
			const Tuple3f aim = target + targetVelocity * flight - from;
			ExpectNear(body.velocity, aim * (kSpeed / static_cast<float>(aim.Length())), 1e-3);
			EXPECT_TRUE(body.HasFlag(kBodyGhost) && body.HasFlag(kBodyNoGravity));
		}
		EXPECT_TRUE(ObjectIdsByName("Pebble").empty());

		// Ghosts until ghostTime, then reeled from waitTime over reelTime; Finish lets them fall.
		thrower.world.clock.Advance(201);
		node->Update();
		EXPECT_FALSE(GolemWorld::RigidBodyOf(ObjectFromId(node->GetThrown()[0])).HasFlag(kBodyGhost));
		const std::vector<unsigned> thrown = node->GetThrown();
		for (int update = 0; update < 200 && node->status == Running; ++update)
		{
			thrower.world.clock.Advance(16);
			node->Update();
		}
		EXPECT_EQ(node->status, Success);
		node->Finish();
		for (const unsigned id : thrown)
			EXPECT_FALSE(GolemWorld::RigidBodyOf(ObjectFromId(id)).HasFlag(kBodyNoGravity));
	}

	TEST(GolemThrowScraps, BareArmsThrowARingFromEachHandAtTheSameSpeed)
	{
		ThrowWorld thrower(false);
		auto node = GolemWorld::MakeNode<GolemThrowScraps>("GolemThrowScraps", thrower.golem, Throw("Player", 3));
		GolemWorld::StartNode(*node);
		EXPECT_TRUE(node->GetThrown().empty());
		ASSERT_EQ(node->GetSpawned().size(), 6u);
		const Tuple3f hands[] = {Tuple3f(1.2f, 0.9f, 0), Tuple3f(-1.2f, 0.9f, 0)};
		for (std::size_t ring = 0; ring < 2; ++ring)
			for (std::size_t i = 0; i < 3; ++i)
			{
				const Object pebble = ObjectFromId(node->GetSpawned()[ring * 3 + i]);
				const RigidBody& body = GolemWorld::RigidBodyOf(pebble);
				EXPECT_NEAR(body.velocity.Length(), kSpeed, 1e-3);
				EXPECT_EQ(body.velocity, GolemWorld::RigidBodyOf(ObjectFromId(node->GetSpawned()[ring * 3])).velocity);
				const Tuple3f offset = pebble.object->GetComponent<Transform>()->GetWorldPosition() - hands[ring];
				EXPECT_NEAR(offset.Length(), 0.5, 1e-3) << "on the ring about the hand";
				EXPECT_NEAR(offset.DotProduct(body.velocity), 0.0, 1e-3) << "in the plane across the throw";
				EXPECT_TRUE(body.HasFlag(kBodyNoGravity));
			}
		node->Finish();
		EXPECT_TRUE(GolemWorld::RigidBodyOf(ObjectFromId(node->GetSpawned()[0])).HasFlag(kBodyNoGravity)) << "rings keep it";
	}
}
