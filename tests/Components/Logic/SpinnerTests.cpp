#include "Components/Logic/Spinner.h"

#include "Components/Logic/MotionWorld.h"

namespace
{
	using namespace test;

	TEST(Spinner, TurnsAQuarterPerSecondAtNinetyWrapsAfterAFullTurnButNotBackwards)
	{
		constexpr double kStep = 0.016 * 1.5707963267948966;
		// (speed, frames, expected angle, paused)
		const struct { float speed; unsigned frames; double angle; bool paused; } cases[] = {
			{90.0f, 125, 125 * kStep, false},
			{90.0f, 300, 300 * kStep - 6.2831854820251465, false},
			{-90.0f, 300, -300 * kStep, false},
			{90.0f, 50, 0.0, true},
		};
		for (const auto& c : cases)
		{
			MotionWorld world;
			const Object wheel =
				world.AddMoving(Spinner::TypeId(), "<Tuple3f>0 0 1</Tuple3f><float>" + std::to_string(c.speed) + "</float>", Tuple3f(), Tuple3f(90, 0, 0));
			const Quaternion start = MotionWorld::OrientationOf(wheel);
			MotionWorld::PausePhysics(c.paused);
			world.Frame(c.frames);
			EXPECT_NEAR(MotionWorld::Of<Spinner>(wheel).GetAngle(), c.angle, 1e-3) << c.speed << " " << c.frames;
			// The turn comes after the start orientation, about the world axis.
			const Quaternion expected = QuaternionFromRotationVector(Tuple3f(0, 0, static_cast<float>(c.angle))) * start;
			EXPECT_LT(AngleBetween(MotionWorld::OrientationOf(wheel), expected), 1e-3) << c.speed << " " << c.frames;
		}
	}
}
