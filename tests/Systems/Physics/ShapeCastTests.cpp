#include "Systems/Physics/ShapeCast.h"

#include "Systems/Physics/NarrowPhaseTestSupport.h"
#include "Systems/Physics/PhysicsSettings.h"
#include "Utilities/MathCommon.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
	// A unit cube cast one unit down or sideways onto a floor whose top is at y = 0: a plane, a
	// 5 cm slab or a 1 m slab. Where the cube starts says which of its parts is still clear of the
	// floor, and so where it stops: a cube clear of the floor a centimetre past its first touch, one
	// grazing it a centimetre past where its core touches, one sunk deeper with its centre just
	// short of the floor, which it must never cross; one moving along the floor, or with its centre
	// inside a solid, is not stopped.
	TEST(ShapeCast, APieceStopsPastWhereItTouchesOrWithItsCentreShortOfTheSurface)
	{
		const Tuple3f down(0, -1, 0), along(1, 0, 0);
		const struct
		{
			const char* what;
			float startHeight;
			Tuple3f step;
			float share;
		} cases[] = {{"clear, falling", 1.0f, down, 0.5f + ShapeCast::kPenetration},
			{"grazing, falling", 0.49f, down, 0.01f + ShapeCast::kPenetration},
			{"sunk past its core, falling", 0.3f, down, 0.3f - ShapeCast::kCentreReach},
			{"sunk past its core, sliding", 0.3f, along, ShapeCast::kFree}};
		const struct
		{
			const char* what;
			PrimitiveCollider floor;
		} floors[] = {
			{"plane", test::Primitive("plane", {40, 40, 1}, {}, QuaternionFromRotationVector(Tuple3f(static_cast<float>(-90 * kDegreesToRadians), 0, 0)))},
			{"5 cm slab", test::Primitive("cube", {40, 0.05f, 40}, {0, -0.025f, 0})},
			{"1 m slab", test::Primitive("cube", {40, 1, 40}, {0, -0.5f, 0})}};
		const int iterations = PhysicsSettings().gjkIterations;
		GjkWorkspace work;
		for (const auto& floor : floors)
			for (const auto& c : cases)
			{
				const PrimitiveCollider cube = test::Primitive("cube", {1, 1, 1}, {0, c.startHeight, 0});
				const float share = ShapeCast::FirstTouch(work, cube, Quaternion(), c.step, floor.floor, iterations);
				EXPECT_NEAR(share, c.share, 1.0f / 1024) << floor.what << ", " << c.what;
			}
		const PrimitiveCollider inside = test::Primitive("cube", {1, 1, 1}, {0, -0.4f, 0});
		EXPECT_EQ(ShapeCast::FirstTouch(work, inside, Quaternion(), down, floors[2].floor, iterations), ShapeCast::kFree)
			<< "a centre inside a solid is the contacts' to push out";
	}
}
