#include "Utilities/AABB.h"

#include "Utilities/DebugDraw.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
	const AABB kUnitCube{{0, 0, 0}, {1, 1, 1}};

	struct DrawnLine
	{
		Tuple3f start;
		Tuple3f end;
	};
	std::vector<DrawnLine> drawnLines;

	void RecordLine(Tuple3f start, Tuple3f end, float, Tuple4f)
	{
		drawnLines.push_back({start, end});
	}
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
	const struct
	{
		Tuple3f origin;
		Tuple3f direction;
		float expected;
	} cases[] = {
		{{-2, 0.5f, 0.5f}, {1, 0, 0}, 2.0f},
		{{-2, 0.5f, 0.5f}, {2, 0, 0}, 1.0f},       // distances are in units of the direction
		{{0.5f, 0.5f, 0.5f}, {0, 0, 1}, 0.0f},     // from inside
		{{3, 0.5f, 0.5f}, {1, 0, 0}, -1.0f},       // box behind the ray
		{{-2, 1.5f, 0.5f}, {1, 5e-5f, 0}, -1.0f},  // parallel to the y slab, outside it
		{{-2, 1.0f, 0.5f}, {1, 5e-5f, 0}, 2.0f},   // parallel, on the slab's face
		{{-1, -1, 0.5f}, {1, 1, 0}, 1.0f},         // through an edge
		{{-1, -2.5f, 0.5f}, {1, 1, 0}, -1.0f},
	};
	for (const auto& c : cases)
		EXPECT_EQ(kUnitCube.RayEntry(c.origin, c.direction), c.expected) << c.origin << " along " << c.direction;
}

TEST(AABB, DebugDrawDrawsTheTwelveEdges)
{
	drawnLines.clear();
	const DebugDraw::DrawLineHook previous = DebugDraw::DrawLine;
	DebugDraw::DrawLine = RecordLine;
	AABB{{0, 0, 0}, {1, 2, 3}}.DebugDraw(Tuple4f(1, 0, 0, 1));
	DebugDraw::DrawLine = previous;

	ASSERT_EQ(drawnLines.size(), 12u);
	int perAxis[3] = {0, 0, 0};
	for (const DrawnLine& line : drawnLines)
	{
		const Tuple3f along = line.end - line.start;
		const int axis = along.x != 0 ? 0 : (along.y != 0 ? 1 : 2);
		EXPECT_EQ(along.Length(), axis + 1.0) << "an edge runs along one axis for the box's extent";
		++perAxis[axis];
	}
	EXPECT_EQ(perAxis[0], 4);
	EXPECT_EQ(perAxis[1], 4);
	EXPECT_EQ(perAxis[2], 4);
}
