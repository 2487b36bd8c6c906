#include "Components/Logic/VelocityDamper.h"

#include "Components/Logic/GameplayWorld.h"
#include "Systems/Physics/ResolutionManager.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameplayWorld;

	TEST(VelocityDamper, DampsEachFrameAndCapsEachAxisOnlyWhilePhysicsSteps)
	{
		// (values, velocity, physics steps, velocity after one update)
		const struct { const char* values; Tuple3f in; bool steps; Tuple3f out; } cases[] = {
			{"<float>1</float>", {-7, 0, 3}, true, {-7, 0, 3}},
			{"<float>1</float><Tuple3f>5 100 5</Tuple3f>", {-7, 0, 3}, true, {-5, 0, 3}},
			{"<float>0.5</float><Tuple3f>5 100 5</Tuple3f>", {-7, 400, 3}, true, {-3.5f, 100, 1.5f}},
			{"<float>0.5</float>", {-7, 0, 3}, false, {-7, 0, 3}}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object object = world.AddLogic(VelocityDamper::TypeId(), c.values, Tuple3f(), true);
			RigidBody& body = GameplayWorld::RigidBodyOf(object);
			body.velocity = c.in;
			world.physics->GetResolution().updateEnabled = c.steps;
			object.object->GetComponent<VelocityDamper>()->Update();
			EXPECT_EQ(body.velocity, c.out) << c.values;
		}
	}
}
