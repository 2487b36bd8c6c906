#include "Components/Logic/Reflection.h"

#include "Components/Logic/ExplodeOnHit.h"
#include "Components/Logic/GameplayWorld.h"
#include "Utilities/MathCommon.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	using test::GameplayWorld;

	TEST(Reflection, SendsBodiesFlyingInsideTheConeBackAlongTheView)
	{
		// (degrees off the view, approach speed, reflected); the cone's half-angle is 30 degrees.
		const struct { double degrees; float speed; bool reflected; } cases[] = {
			{0, 5, true}, {29, 5, true}, {31, 5, false}, {0, 2.9f, false}, {0, -5, false}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object eye = GameplayWorld::AddCamera(Tuple3f());
			// minimumSpeed_ plays no part: the approach speed is fixed.
			GameplayWorld::AddLoaded(eye, Reflection::TypeId(), "<float>1</float><float>12</float><float>30</float><float>6</float>");
			const double angle = c.degrees * kDegreesToRadians;
			const Tuple3f towards(static_cast<float>(std::sin(angle)), 0, static_cast<float>(-std::cos(angle)));
			const Object shot = world.AddLogic(ExplodeOnHit::TypeId(), "<float>100</float><int>1</int><unsigned>0</unsigned>",
				towards * 3.0f, true, "Shot");
			world.Step();
			RigidBody& body = GameplayWorld::RigidBodyOf(shot);
			body.velocity = towards * -c.speed;
			eye.object->HandleMessage(Message("Reflect"));
			EXPECT_EQ(body.velocity == Tuple3f(0, 0, -12), c.reflected) << c.degrees << " " << c.speed;
			EXPECT_EQ(shot.object->GetComponent<ExplodeOnHit>()->GetExplodeType(), c.reflected ? 0 : 1) << c.degrees;
		}
	}
}
