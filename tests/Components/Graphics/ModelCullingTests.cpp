#include "Components/Graphics/Model.h"

#include "Components/Physics/PhysicsComponentWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::PhysicsComponentWorld;

	TEST(ModelCulling, AnObjectIsCulledByItsBodysBoxAgainstTheView)
	{
		const std::unique_ptr<PhysicsComponentWorld> world = PhysicsComponentWorld::WithGraphics();
		if (world == nullptr)
			GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
		PhysicsComponentWorld::AddCamera(Tuple3f());
		Graphics& graphics = *Graphics::Find();
		const std::string cube = PhysicsComponentWorld::BodyValues("DEFAULT", "CompositePrimitive", "0 0 0",
			PhysicsComponentWorld::UnitCube());
		const struct
		{
			const char* name;
			Tuple3f position;
			bool culled;
		} cases[] = {
			{"in front", Tuple3f(0, 0, -10), false},
			{"behind the eye", Tuple3f(0, 0, 10), true},
			{"far to the side", Tuple3f(200, 0, -10), true},
			{"beyond the far plane", Tuple3f(0, 0, -150), true},
			// The near plane lies 1 in front of the eye.
			{"between the eye and the near plane", Tuple3f(0, 0, 0.2f), true},
			{"straddling the near plane", Tuple3f(0, 0, -0.8f), false},
		};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.name);
			const Object object = world->AddBodyObject("Crate", c.position, true, cube);
			// The frame has not set the view up yet: nothing is culled.
			EXPECT_FALSE(Graphics::IsOutsideView(&PhysicsComponentWorld::BodyOf(object)));
		}
		graphics.UpdateFrustum(graphics.GetActiveCamera());
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.name);
			const Object object = world->AddBodyObject("Crate", c.position, true, cube);
			EXPECT_EQ(Graphics::IsOutsideView(&PhysicsComponentWorld::BodyOf(object)), c.culled);
		}
		const Object bodiless = CreateObject("Sign");
		bodiless.object->AddComponent(Transform::TypeId());
		EXPECT_FALSE(Graphics::IsOutsideView(bodiless.object->GetComponent<Transform>())) << "no body: always drawn";
	}
}
