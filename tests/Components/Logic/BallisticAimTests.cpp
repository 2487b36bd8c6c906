#include "Components/Logic/BallisticAim.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	TEST(BallisticAim, ReachesTheTargetHeightAfterTheHorizontalFlightTime)
	{
		// (to target, speed, gravity y, aim)
		const struct { Tuple3f toTarget; float speed; float gravityY; Tuple3f aim; } cases[] = {
			{Tuple3f(10, 0, 0), 10.0f, -9.8f, Tuple3f(1, 0.49f, 0)},
			{Tuple3f(0, 0, -10), 10.0f, -9.8f, Tuple3f(0, 0.49f, -1)},
			{Tuple3f(10, 10, 0), 10.0f, 0.0f, Tuple3f(0.70710677f, 0.70710677f, 0)},
			{Tuple3f(0, 5, 0), 10.0f, -9.8f, Tuple3f(0, 1, 0)},
			{Tuple3f(0, -5, 0), 10.0f, -9.8f, Tuple3f(0, 1, 0)},
			{Tuple3f(0, 0, 0), 10.0f, -9.8f, Tuple3f(0, 1, 0)},
		};
		for (const auto& c : cases)
		{
			const Tuple3f aim = BallisticAim(c.toTarget, c.speed, c.gravityY);
			EXPECT_LT((aim - c.aim).Length(), 1e-5) << c.toTarget.x << " " << c.toTarget.y << " " << c.toTarget.z;
		}
	}

	TEST(BallisticAim, AProjectileLaunchedAlongTheAimLandsOnTheTarget)
	{
		// Integrates the flight the aim implies: horizontal speed s along the level direction.
		for (const Tuple3f target : {Tuple3f(7, 2, -3), Tuple3f(-4, -6, 12), Tuple3f(0.5f, 0, 20)})
		{
			const float speed = 12.0f;
			const Tuple3f aim = BallisticAim(target, speed, -9.8f);
			const Tuple3f velocity = aim * speed;
			const double horizontal = std::hypot(target.x, target.z);
			const double time = horizontal / std::hypot(velocity.x, velocity.z);
			EXPECT_NEAR(velocity.y * time - 0.5 * 9.8 * time * time, target.y, 1e-3) << target.x;
		}
	}
}
