#include "Components/Logic/StaticRotater.h"

#include "Components/Logic/MotionWorld.h"

namespace
{
	using namespace test;

	TEST(StaticRotater, RotateNinetyAtFortyFiveTurnsTwoSecondsAndEndsExactlyAboutTheWorldAxis)
	{
		// (target, speed, frames at least, frames at most); a turn to the present angle ends at once.
		const struct { float target; float speed; unsigned least; unsigned most; } cases[] = {
			{90.0f, 45.0f, 124, 127},
			{0.0f, 45.0f, 1, 1},
		};
		for (const auto& c : cases)
		{
			MotionWorld world;
			// Laid on its side (turned 90 degrees about x), so its model y axis is no longer the world's.
			const Object gate = world.AddMoving(StaticRotater::TypeId(), "<Tuple3f>0 1 0</Tuple3f>", Tuple3f(), Tuple3f(90, 0, 0), true, "Gate");
			const Quaternion start = MotionWorld::OrientationOf(gate);
			const Tuple3f worldAxis = Quaternion::Rotate(start, Tuple3f(0, 1, 0));
			gate.SendMessage(Message("Rotate").PushFloat(c.target).PushFloat(c.speed));
			unsigned frames = 0;
			for (; MotionWorld::Of<StaticRotater>(gate).IsMoving() && frames < 1000; ++frames)
			{
				world.Frame();
				if (frames == 62)
				{
					EXPECT_NEAR(AngleBetween(MotionWorld::OrientationOf(gate), start), 63 * 0.016 * 0.7853981633974483, 0.02);
				}
			}
			EXPECT_GE(frames, c.least);
			EXPECT_LE(frames, c.most);
			const Quaternion expected = QuaternionFromRotationVector(worldAxis * static_cast<float>(c.target * 0.017453292519943295)) * start;
			EXPECT_LT(AngleBetween(MotionWorld::OrientationOf(gate), expected), 1e-5);
			EXPECT_EQ(MotionWorld::RigidBodyOf(gate).angularVelocity, Tuple3f(0, 0, 0));
		}
	}

	// Half a second into a turn to 90 degrees, a new "Rotate" turns from where the gate is: back
	// to 10 degrees, or on to 45, and ends exactly there.
	TEST(StaticRotater, ASecondRotateDuringATurnHeadsFromWhereTheGateIs)
	{
		for (const auto& [target, arrival] : {std::pair{10.0f, 16u}, {45.0f, 32u}})
		{
			MotionWorld world;
			const Object gate = world.AddMoving(StaticRotater::TypeId(), "<Tuple3f>0 1 0</Tuple3f>", Tuple3f(), Tuple3f(), true, "Gate");
			const Quaternion start = MotionWorld::OrientationOf(gate);
			gate.SendMessage(Message("Rotate").PushFloat(90.0f).PushFloat(45.0f));
			world.Frame(31);
			const float reached = static_cast<float>(31 * 0.016 * 45.0);
			gate.SendMessage(Message("Rotate").PushFloat(target).PushFloat(45.0f));
			world.Frame();
			EXPECT_EQ(MotionWorld::RigidBodyOf(gate).angularVelocity.y > 0.0f, target > reached) << target;
			unsigned frames = 0;
			for (; MotionWorld::Of<StaticRotater>(gate).IsMoving() && frames < 1000; ++frames)
				world.Frame();
			EXPECT_EQ(frames, arrival) << target;
			const Quaternion expected = QuaternionFromRotationVector(Tuple3f(0, target * 0.017453292f, 0)) * start;
			EXPECT_LT(AngleBetween(MotionWorld::OrientationOf(gate), expected), 1e-5) << target;
		}
	}
}
