#include "Systems/Logic/GolemFollowObject.h"

#include "Components/Logic/GolemWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace
{
	using test::GolemWorld;

	// A golem at the origin facing +z, following "Player" at 90 degrees per second up to radius 3.
	struct Follow
	{
		Follow()
		{
			golem = world.AddGolem(Tuple3f());
			player = world.AddPlayer(Tuple3f(0, 0, 20));
			node = GolemWorld::MakeNode<GolemFollowObject>("GolemFollowObject", golem,
				"<string>Player</string><float>5</float><float>90</float><float>3</float><float>10</float><Tuple3f>0 0 1</Tuple3f>");
			GolemWorld::StartNode(*node);
		}

		void PlaceTarget(const Tuple3f& position) const
		{
			player.object->GetComponent<Transform>()->SetWorldPosition(position);
			world.golemLog->entries.clear();
		}

		// The angle between the golem's forward direction and the way to the target, on the ground.
		float AngleToTarget() const
		{
			const Transform& own = *golem.object->GetComponent<Transform>();
			const Tuple3f look = Quaternion::Rotate(own.GetWorldOrientation(), Tuple3f(0, 0, 1));
			const Tuple3f to = player.object->GetComponent<Transform>()->GetWorldPosition() - own.GetWorldPosition();
			return std::fabs(std::atan2(look.x * to.z - look.z * to.x, look.x * to.x + look.z * to.z));
		}

		GolemWorld world;
		Object golem;
		Object player;
		std::unique_ptr<GolemFollowObject> node;
	};

	TEST(GolemFollowObject, StepsTowardsTheTargetOnTheGroundAndStopsShortOfItsRadius)
	{
		const float step = 5.0f * Physics::Settings().timeStep;
		struct Case
		{
			const char* what;
			Tuple3f target;
			std::size_t moves;
			std::size_t turns;
			Tuple3f reached;
		};
		const Case cases[] = {
			{"far and high: a level step", Tuple3f(10, 7, 0), 1, 1, Tuple3f(step, 0, 0)},
			{"within the radius: turning only", Tuple3f(-2, 0, 0), 0, 1, Tuple3f()},
			{"within half a unit: nothing", Tuple3f(0.3f, 4, -0.3f), 0, 0, Tuple3f()},
		};
		for (const Case& c : cases)
		{
			Follow follow;
			follow.PlaceTarget(c.target);
			follow.node->Update();
			EXPECT_EQ(follow.world.golemLog->Count("SetPos"), c.moves) << c.what;
			EXPECT_EQ(follow.world.golemLog->Count("SetRot"), c.turns) << c.what;
			const Tuple3f at = follow.golem.object->GetComponent<Transform>()->GetWorldPosition();
			EXPECT_NEAR((at - c.reached).Length(), 0.0, 1e-5) << c.what;
			EXPECT_EQ(follow.node->status, Running);
		}
	}

	TEST(GolemFollowObject, TurnsTheShorterWayAtMostItsRatePerFrame)
	{
		const float limit = 90.0f * 0.017453292f * Physics::Settings().timeStep;
		for (const Tuple3f& target : {Tuple3f(10, 0, 0), Tuple3f(-10, 0, 0), Tuple3f(-10, 0, -10), Tuple3f(10, 0, -10),
				 Tuple3f(0.5f, 0, -10), Tuple3f(-0.5f, 0, -10), Tuple3f(0, 0, 10), Tuple3f(0.001f, 0, 10)})
		{
			Follow follow;
			follow.PlaceTarget(target);
			const float before = follow.AngleToTarget();
			follow.node->Update();
			const float after = follow.AngleToTarget();
			EXPECT_NEAR(before - after, std::min(before, limit), 2e-3f) << "target " << target;
		}
	}

	TEST(GolemFollowObject, FailsWhenItsTimeIsUpOrTheTargetIsGone)
	{
		struct Case
		{
			const char* what;
			std::function<void(Follow&)> meanwhile;
			BehaviorStatus status;
		};
		const Case cases[] = {
			{"1 ms short of stateTime", [](Follow& follow) { follow.world.clock.Advance(9999); }, Running},
			{"stateTime is up", [](Follow& follow) { follow.world.clock.Advance(10000); }, Failure},
			{"the target is gone",
				[](Follow& follow) {
					follow.player.object->Destroy();
					follow.world.Frame();
				},
				Failure},
		};
		for (const Case& c : cases)
		{
			Follow follow;
			c.meanwhile(follow);
			follow.node->Update();
			EXPECT_EQ(follow.node->status, c.status) << c.what;
		}
	}
}
