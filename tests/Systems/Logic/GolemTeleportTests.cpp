#include "Systems/Logic/GolemTeleport.h"

#include "Components/Logic/GolemWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::GolemWorld;

	// Every phase of no time, so that a run takes five updates.
	std::string Teleport(const std::vector<Tuple2f>& places)
	{
		std::string values = "<float>0</float><float>0</float><float>0</float><float>0</float><float>0</float><float>360</float>"
			"<float>8</float><Tuple2f>1 1</Tuple2f><Places>";
		for (const Tuple2f& place : places)
			values += "<Tuple2f>" + std::to_string(place.x) + " " + std::to_string(place.y) + "</Tuple2f>";
		return values + "</Places>";
	}

	// Runs the node to its end; the number of updates it took.
	int RunTeleportToEnd(GolemTeleport& node)
	{
		GolemWorld::StartNode(node);
		int updates = 0;
		while (node.status == Running && updates < 20)
		{
			node.Update();
			++updates;
		}
		return updates;
	}

	TEST(GolemTeleport, GoesToAnotherPlaceEachRunAndSaysCycloneOnce)
	{
		for (const std::size_t count : {2u, 4u})
		{
			GolemWorld world;
			const Object golem = world.AddGolem(Tuple3f(0, 2, 0));
			std::vector<Tuple2f> places;
			for (std::size_t i = 0; i < count; ++i)
				places.push_back(Tuple2f(10.0f * static_cast<float>(i), 0.0f));
			auto node = GolemWorld::MakeNode<GolemTeleport>("GolemTeleport", golem, Teleport(places));
			std::uint32_t previous = node->GetLocationIndex();
			for (int run = 1; run <= 30; ++run)
			{
				EXPECT_EQ(RunTeleportToEnd(*node), 5) << "a phase of no time ends in its first update";
				EXPECT_EQ(node->status, Success);
				EXPECT_NE(node->GetLocationIndex(), previous) << count << " places, run " << run;
				if (count == 2)
				{
					EXPECT_EQ(node->GetLocationIndex(), 1u - previous);
				}
				previous = node->GetLocationIndex();
				const Tuple3f at = golem.object->GetComponent<Transform>()->GetWorldPosition();
				EXPECT_NEAR(at.x, 1.0f + places[previous].x, 1e-4) << "the place plus the offset";
				EXPECT_NEAR(at.z, 1.0f, 1e-4);
				EXPECT_NEAR(at.y, 2.0f, 1e-4) << "the height stays the body's";
				EXPECT_EQ(world.golemLog->Count("Cyclone"), static_cast<std::size_t>(run));
			}
		}
	}

	TEST(GolemTeleport, FlingsOnlyTheScrapsStillHangingAndLandsThem)
	{
		GolemWorld world;
		world.AddHead(Tuple3f(0, 4, 0));
		const Object golem = world.AddGolem(Tuple3f());
		world.AddScraps(20, Tuple3f(), 3.5f);
		world.Frame();
		golem.object->HandleMessage(Message("SummonScraps"));
		ASSERT_TRUE(world.FrameUntilReeledIn());
		auto node = GolemWorld::MakeNode<GolemTeleport>("GolemTeleport", golem,
			"<float>0</float><float>1</float><float>0</float><float>0</float><float>0</float><float>360</float>"
			"<float>8</float><Tuple2f>0 0</Tuple2f><Places><Tuple2f>0 0</Tuple2f><Tuple2f>5 0</Tuple2f></Places>");
		GolemWorld::StartNode(*node);
		node->Update();
		ASSERT_EQ(node->GetPhase(), GolemTeleport::kExplode);
		const std::vector<unsigned> attached = GolemWorld::Attached(golem);
		GolemWorld::PointsOf(golem).ReleaseObject(attached[0]);
		world.clock.Advance(1001);
		node->Update();
		EXPECT_FALSE(GolemWorld::RigidBodyOf(ObjectFromId(attached[0])).HasFlag(kBodyNoGravity)) << "shed: not flung";
		for (std::size_t i = 1; i < attached.size(); ++i)
		{
			const RigidBody& body = GolemWorld::RigidBodyOf(ObjectFromId(attached[i]));
			EXPECT_TRUE(body.HasFlag(kBodyNoGravity) && body.HasFlag(kBodyGhost));
			EXPECT_FLOAT_EQ(body.velocity.y, 8.0f);
		}
		while (node->status == Running)
			node->Update();
		for (std::size_t i = 1; i < attached.size(); ++i)
			EXPECT_FALSE(GolemWorld::RigidBodyOf(ObjectFromId(attached[i])).HasFlag(kBodyNoGravity)) << "landed";
		EXPECT_EQ(GolemWorld::RigidBodyOf(golem).angularVelocity, Tuple3f());
	}

	TEST(GolemTeleport, WithoutPlacesItFailsAtStartAndWithOneItGoesThere)
	{
		GolemWorld world;
		const Object golem = world.AddGolem(Tuple3f(3, 0, 3));
		auto none = GolemWorld::MakeNode<GolemTeleport>("GolemTeleport", golem, Teleport({}));
		GolemWorld::StartNode(*none);
		EXPECT_EQ(none->status, Failure);
		EXPECT_EQ(world.golemLog->Count("SetAnimation"), 0u);
		auto one = GolemWorld::MakeNode<GolemTeleport>("GolemTeleport", golem, Teleport({Tuple2f(7, -2)}));
		RunTeleportToEnd(*one);
		EXPECT_EQ(one->status, Success);
		EXPECT_NEAR(golem.object->GetComponent<Transform>()->GetWorldPosition().x, 8.0f, 1e-4);
	}
}
