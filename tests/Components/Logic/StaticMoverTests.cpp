#include "Components/Logic/StaticMover.h"

#include "Components/Logic/MotionWorld.h"

#include <cmath>

namespace
{
	using namespace test;

	// turn: degrees.
	Object AddDoor(MotionWorld& world, const Tuple3f& turn = Tuple3f())
	{
		return world.AddMoving(StaticMover::TypeId(), "<Tuple3f>1 0 0</Tuple3f>", Tuple3f(1, 0, 0), turn, true, "Door");
	}

	unsigned RunUntilStopped(MotionWorld& world, const Object& door)
	{
		unsigned frames = 0;
		for (; MotionWorld::Of<StaticMover>(door).IsMoving() && frames < 1000; ++frames)
			world.Frame();
		return frames;
	}

	TEST(StaticMover, SlidesFourUnitsAtTwoPerSecondSnapsToExactlyFourThenBackToExactlyZero)
	{
		// (turn of the door in degrees, world axis of its model x axis)
		const struct { Tuple3f turn; Tuple3f axis; } cases[] = {
			{Tuple3f(), Tuple3f(1, 0, 0)},
			{Tuple3f(0, 90, 0), Tuple3f(0, 0, -1)},
		};
		for (const auto& c : cases)
		{
			MotionWorld world;
			const Object door = AddDoor(world, c.turn);
			const Tuple3f start = MotionWorld::PositionOf(door);
			door.SendMessage(Message("Move").PushFloat(4.0f).PushFloat(2.0f));
			world.Frame(62);
			EXPECT_NEAR((MotionWorld::PositionOf(door) - start).DotProduct(c.axis), 62 * 0.032f, 0.02f);
			EXPECT_GT(RunUntilStopped(world, door), 55u);
			EXPECT_EQ(MotionWorld::PositionOf(door), start + c.axis * 4.0f);
			EXPECT_EQ(MotionWorld::RigidBodyOf(door).velocity, Tuple3f(0, 0, 0));
			door.SendMessage(Message("Move").PushFloat(0.0f).PushFloat(2.0f));
			world.Frame();
			EXPECT_NEAR((MotionWorld::PositionOf(door) - start).DotProduct(c.axis), 4.0f - 0.032f, 1e-3f);
			RunUntilStopped(world, door);
			EXPECT_EQ(MotionWorld::PositionOf(door), start);
		}
	}

	// Half a second into a move to 4, a new "Move" heads from where the door is: back to 0.5, or on to 2.
	TEST(StaticMover, ASecondMoveDuringATravelHeadsFromWhereTheDoorIs)
	{
		// (target, frames to arrive after the first): the travel counts from the door's place less
		// the step it made at the old speed.
		for (const auto& [target, frames] : {std::pair{0.5f, 14u}, {2.0f, 32u}})
		{
			MotionWorld world;
			const Object door = AddDoor(world);
			const Tuple3f start = MotionWorld::PositionOf(door);
			door.SendMessage(Message("Move").PushFloat(4.0f).PushFloat(2.0f));
			world.Frame(31);
			const float reached = MotionWorld::PositionOf(door).x - start.x;
			door.SendMessage(Message("Move").PushFloat(target).PushFloat(2.0f));
			world.Frame();
			const float step = MotionWorld::PositionOf(door).x - start.x - reached;
			EXPECT_NEAR(std::fabs(step), 0.032f, 0.01f) << target;
			EXPECT_EQ(step > 0.0f, target > reached) << target;
			EXPECT_EQ(RunUntilStopped(world, door), frames) << target;
			EXPECT_EQ(MotionWorld::PositionOf(door), start + Tuple3f(target, 0, 0));
		}
	}

	TEST(StaticMover, AMoveToThePresentDistanceEndsOnTheNextStepWithSetPosThere)
	{
		MotionWorld world;
		const Object door = AddDoor(world);
		MessageLog& log = Listen(door, {"SetPos"});
		door.SendMessage(Message("Move").PushFloat(0.0f).PushFloat(2.0f));
		world.Frame();
		EXPECT_FALSE(MotionWorld::Of<StaticMover>(door).IsMoving());
		EXPECT_EQ(log.Count("SetPos"), 1u);
		EXPECT_EQ(MotionWorld::PositionOf(door), Tuple3f(1, 0, 0));
	}

	TEST(StaticMover, WithoutABodyOrWithABadCommandNothingMoves)
	{
		MotionWorld world;
		const Object bare = world.AddMoving(StaticMover::TypeId(), "<Tuple3f>1 0 0</Tuple3f>");
		bare.SendMessage(Message("Move").PushFloat(4.0f).PushFloat(2.0f));
		const Object door = AddDoor(world);
		door.SendMessage(Message("Move").PushFloat(std::nanf("")).PushFloat(2.0f));
		door.SendMessage(Message("Move").PushFloat(4.0f));
		world.Frame(20);
		EXPECT_EQ(MotionWorld::PositionOf(bare), Tuple3f(0, 0, 0));
		EXPECT_EQ(MotionWorld::PositionOf(door), Tuple3f(1, 0, 0));
		EXPECT_FALSE(MotionWorld::Of<StaticMover>(door).IsMoving());
	}
}
