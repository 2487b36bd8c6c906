#include "Utilities/AABB.h"

#include <gtest/gtest.h>

#include <tuple>

namespace
{
	const AABB kUnitCube{{0, 0, 0}, {1, 1, 1}};
}

TEST(AABB, UnionOverlapAndContainment)
{
	const AABB other{{2, -1, 0.5f}, {3, 0.5f, 4}};
	EXPECT_EQ(AABB::Union(kUnitCube, other), (AABB{{0, -1, 0}, {3, 1, 4}}));
	EXPECT_FALSE(kUnitCube.Overlaps(other));
	EXPECT_TRUE(kUnitCube.Overlaps(AABB{{1, 1, 1}, {2, 2, 2}})) << "touching corners overlap";
	EXPECT_FALSE(kUnitCube.Overlaps(AABB{{1.0001f, 0, 0}, {2, 1, 1}}));
	EXPECT_TRUE(kUnitCube.Contains(Tuple3f(1, 0, 0.5f)));
	EXPECT_FALSE(kUnitCube.Contains(Tuple3f(1, -0.001f, 0.5f)));
	EXPECT_EQ(other.Volume(), 1 * 1.5 * 3.5);
	EXPECT_EQ(kUnitCube.SurfaceArea(), 6.0);
}

TEST(AABB, QuarterTurnSwapsTheOtherHalfExtents)
{
	AABB box{{0, 0, 0}, {2, 4, 6}};
	box.RotateQuarterTurn(2);
	EXPECT_EQ(box, (AABB{{-1, 1, 0}, {3, 3, 6}}));
	box.RotateQuarterTurn(0);
	EXPECT_EQ(box, (AABB{{-1, -1, 2}, {3, 5, 4}}));
	EXPECT_EQ(box.Centre(), Tuple3f(1, 2, 3));
}

TEST(AABB, RayEntry)
{
	// Origin, direction, entry distance in units of the direction (-1 for a miss).
	const std::tuple<Tuple3f, Tuple3f, float> cases[] = {
		{{-2, 0.5f, 0.5f}, {1, 0, 0}, 2.0f}, {{-2, 0.5f, 0.5f}, {2, 0, 0}, 1.0f},
		{{0.5f, 0.5f, 0.5f}, {0, 0, 1}, 0.0f},     // from inside
		{{3, 0.5f, 0.5f}, {1, 0, 0}, -1.0f},       // box behind the ray
		{{-2, 1.5f, 0.5f}, {1, 5e-5f, 0}, -1.0f},  // parallel to the y slab, outside it
		{{-2, 1.0f, 0.5f}, {1, 5e-5f, 0}, 2.0f},   // parallel, on the slab's face
		{{-1, -1, 0.5f}, {1, 1, 0}, 1.0f},         // through an edge
		{{-1, -2.5f, 0.5f}, {1, 1, 0}, -1.0f},
	};
	for (const auto& [origin, direction, entry] : cases)
		EXPECT_EQ(kUnitCube.RayEntry(origin, direction), entry) << origin << " along " << direction;
}
