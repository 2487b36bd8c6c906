#include "Utilities/AABB.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

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

// Each lane answers as its box alone would, whether an axis runs through the slabs, along
// them (inside, outside, on a face) or away from the box.
TEST(AABB, FourBoxesAtOnceEnterAsEachAlone)
{
	const AABB boxes[RaySlabs::kBoxLanes] = {
		kUnitCube, {{2, 0, 0}, {3, 1, 1}}, {{-1, 1, -4}, {0, 2, 4}}, {{0.25f, 0.25f, -3}, {0.75f, 0.75f, -2}}};
	RaySlabs::BoxLanes lows[3], highs[3];
	for (int lane = 0; lane < RaySlabs::kBoxLanes; ++lane)
		for (int axis = 0; axis < 3; ++axis)
		{
			lows[axis][lane] = boxes[lane].min[axis];
			highs[axis][lane] = boxes[lane].max[axis];
		}
	const std::pair<Tuple3f, Tuple3f> rays[] = {
		{{-2, 0.5f, 0.5f}, {1, 0, 0}}, {{0.5f, 0.5f, 0.5f}, {0, 0, -1}}, {{-2, 1.0f, 0.5f}, {1, 5e-5f, 0}},
		{{-2, 1.5f, 0.5f}, {1, 5e-5f, 0}}, {{-1, -1, 0.5f}, {1, 1, 0}}, {{4, 0.5f, 0.5f}, {-1, 0.1f, -0.2f}},
		{{0.5f, 1.5f, 0}, {0, 0, 1}}, {{0.5f, 0.5f, 9}, {0.01f, -0.02f, -1}},
	};
	int entered = 0;
	for (const auto& [origin, direction] : rays)
	{
		const RaySlabs slabs(origin, direction);
		const RaySlabs::BoxLanes entries = slabs.Entries(lows, highs);
		for (int lane = 0; lane < RaySlabs::kBoxLanes; ++lane)
		{
			EXPECT_EQ(entries[lane], boxes[lane].RayEntry(slabs)) << origin << " along " << direction << ", box " << lane;
			entered += entries[lane] >= 0.0f;
		}
	}
	EXPECT_GE(entered, 10) << "most rays should enter some of the boxes";
}
