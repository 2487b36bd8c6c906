#include "Components/Logic/StaticMover.h"

#include "Components/Logic/MotionWorld.h"

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
