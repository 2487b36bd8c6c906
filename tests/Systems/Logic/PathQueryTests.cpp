#include "Components/Logic/GameplayRules.h"
#include "Systems/Logic/NavTestLevels.h"
#include "Systems/Logic/PathQuery.h"
#include "Utilities/Random.h"

#include <gtest/gtest.h>

namespace
{
	using test::NavWorld;

	// The default agent's radius.
	constexpr float kRadius = 1.25f;

	struct FloorLevel
	{
		explicit FloorLevel(std::initializer_list<std::array<float, 4>> rectangles = {{0, 0, 32, 32}})
		{
			world.AddFloorObject(rectangles);
			world.LevelLoaded();
		}
		NavWorld world;
	};

	void ExpectPathNear(const Tuple3f& actual, const Tuple3f& expected, float tolerance, const char* what)
	{
		EXPECT_LT(actual.Distance(expected), tolerance) << what << ": (" << actual.x << ", " << actual.y << ", " << actual.z << ")";
	}

	TEST(GeneratePath, AStartOnTheMeshStaysAndOneFarOffIsReplacedByTheNearestMeshPointWhichStandsFirst)
	{
		FloorLevel level;
		const Tuple3f end(16, 0, 16);
		const Tuple3f onMesh(8, 0, 9);
		EXPECT_EQ(NavWorld::Path(onMesh, end).front(), onMesh);
		// The mesh stops short of the floor's edge; this start lies more than three radii beyond it.
		const Tuple3f edge = level.world.NearestOnMesh(Tuple3f(0, 0, 9));
		const std::vector<Tuple3f> points = NavWorld::Path(Tuple3f(edge.x - 3.6f * kRadius, 0, 9), end);
		ASSERT_GE(points.size(), 2u);
		ExpectPathNear(points.front(), edge, 0.01f, "snapped start");
		ExpectPathNear(points.back(), end, 0.6f, "end");
	}

	TEST(GeneratePath, StartAndEndInOneTriangleGiveTwoPointsUnrounded)
	{
		FloorLevel level;
		const Tuple3f start = level.world.NearestOnMesh(Tuple3f(16, 0, 16));
		const Tuple3f end = start + Tuple3f(0.01f, 0, 0.01f);
		bool reached = false;
		const std::vector<Tuple3f> points = NavWorld::Path(start, end, &reached);
		ASSERT_EQ(points.size(), 2u);
		EXPECT_TRUE(reached);
		EXPECT_EQ(points[0], start);
		ExpectPathNear(points[1], end, 1e-3f, "end");
	}

	TEST(GeneratePath, OneInteriorCornerBecomesFiveCurvePointsBetweenStartAndEnd)
	{
		// An L of two 8-unit-wide arms: the walk from one arm's end to the other's turns once.
		FloorLevel level({{0, 0, 32, 8}, {0, 8, 8, 32}});
		const Tuple3f start(12, 0, 4);
		const Tuple3f end(4, 0, 12);
		Tuple3f last;
		const std::vector<Tuple3f> points = NavWorld::Path(start, end, nullptr, &last);
		ASSERT_EQ(points.size(), 7u);
		EXPECT_EQ(points.front(), start);
		EXPECT_EQ(last, points.back());
		// The bend lies round the inner corner (8, 8), off the floor's missing quarter.
		for (std::size_t i = 1; i < 6; ++i)
		{
			EXPECT_LT(points[i].Distance(Tuple3f(8, 0, 8)), 6.0f) << i;
			EXPECT_FALSE(points[i].x > 8.0f && points[i].z > 8.0f) << i;
		}
	}

	TEST(GeneratePath, AnEndOnAnUnconnectedFloorIsNotReachedButThePointsGoToTheCorridorsEnd)
	{
		FloorLevel level({{0, 0, 16, 16}, {24, 0, 40, 16}});
		// On the far floor, and beside it (moved onto it, and still not reached).
		for (const Tuple3f& end : {Tuple3f(32, 0, 8), Tuple3f(32, 0, 19)})
		{
			bool reached = true;
			Tuple3f last;
			const std::vector<Tuple3f> points = NavWorld::Path(Tuple3f(4, 0, 8), end, &reached, &last);
			EXPECT_FALSE(reached) << end;
			ASSERT_GE(points.size(), 2u) << end;
			EXPECT_LT(points.back().x, 16.0f) << end;
			EXPECT_GT(points.back().x, 12.0f) << end;
			EXPECT_EQ(last, points.back()) << end;
		}
	}

	TEST(GeneratePath, ThePointsAreAppendedAfterThoseTheRequesterHolds)
	{
		FloorLevel level;
		const Tuple3f kept(-7, -7, -7);
		const std::vector<Tuple3f> alone = NavWorld::Path(Tuple3f(4, 0, 4), Tuple3f(28, 0, 20));
		const std::vector<Tuple3f> appended = NavWorld::Path(Tuple3f(4, 0, 4), Tuple3f(28, 0, 20), nullptr, nullptr, {kept});
		ASSERT_EQ(appended.size(), alone.size() + 1);
		EXPECT_EQ(appended.front(), kept);
		EXPECT_TRUE(std::equal(alone.begin(), alone.end(), appended.begin() + 1));
	}

	// The request fails: reached false, last as given, the requester's points as they were.
	void ExpectFailure(const Tuple3f& start, const Tuple3f& end, const Tuple3f& expectedLast)
	{
		bool reached = true;
		Tuple3f last;
		const Tuple3f kept(1, 2, 3);
		EXPECT_EQ(NavWorld::Path(start, end, &reached, &last, {kept}), std::vector<Tuple3f>{kept});
		EXPECT_FALSE(reached);
		ExpectPathNear(last, expectedLast, 0.3f, "last");
	}

	TEST(GeneratePath, WithoutAMeshOrWithAnEndFarFromItTheRequestFailsAndLeavesThePointsAlone)
	{
		{
			NavWorld bare;
			ExpectFailure(Tuple3f(8, 0, 8), Tuple3f(9, 0, 8), Tuple3f(8, 0, 8));
		}
		FloorLevel level;
		ExpectFailure(Tuple3f(8, 0, 8), Tuple3f(200, 0, 8), Tuple3f(8, 0, 8));
		// The start was snapped before the end failed: the snapped start is reported.
		ExpectFailure(Tuple3f(-3, 0, 8), Tuple3f(200, 0, 8), level.world.NearestOnMesh(Tuple3f(0, 0, 8)));
	}

	// Four 128-unit strips joined at alternate ends: the way from the first strip's start to the
	// last strip's end crosses hundreds of small triangles.
	struct ZigzagLevel : FloorLevel
	{
		ZigzagLevel() : FloorLevel({{0, 0, 128, 8}, {120, 8, 128, 16}, {0, 16, 128, 24}, {0, 24, 8, 32}, {0, 32, 128, 40},
			{120, 40, 128, 48}, {0, 48, 128, 56}})
		{
		}
	};

	TEST(GeneratePath, AnEndAcrossA128UnitZigzagIsReachedAndEveryPointIsFiniteAndOnTheMesh)
	{
		ZigzagLevel level;
		bool reached = false;
		const std::vector<Tuple3f> far = NavWorld::Path(Tuple3f(4, 0, 4), Tuple3f(4, 0, 52), &reached);
		EXPECT_TRUE(reached);
		ExpectPathNear(far.back(), Tuple3f(4, 0, 52), 0.6f, "end");
		tw::SeedRand(7);
		const auto random = [](float extent) { return extent * static_cast<float>(tw::Rand()) / 32767.0f; };
		for (int pair = 0; pair < 40; ++pair)
		{
			const Tuple3f from(random(128), 0, random(56));
			const Tuple3f to(random(128), 0, random(56));
			for (const Tuple3f& point : NavWorld::Path(from, to))
			{
				ASSERT_TRUE(IsFinite(point));
				const Tuple3f onMesh = level.world.NearestOnMesh(point);
				// Within a cell's height (0.5) of the mesh.
				EXPECT_LE(std::hypot(onMesh.x - point.x, onMesh.z - point.z), 0.5f) << point.x << ", " << point.z;
				EXPECT_LE(std::fabs(onMesh.y - point.y), 0.5f);
			}
		}
	}

	TEST(PathQuery, CornerRoundingKeepsTheEndsAndWithOnePointPerCornerPutsItHalfwayToTheRadius)
	{
		// Start, a right-angle corner at (4, 0, 0), end: with radius 1 the curve runs from 1 unit before
		// the corner to 1 unit after it.
		Tuple3f points[3 + 2 * 4] = {Tuple3f(0, 0, 0), Tuple3f(4, 0, 0), Tuple3f(4, 0, 4)};
		ASSERT_EQ(PathQuery::RoundCorners(points, 3, 1, 1.0f), 3);
		ExpectPathNear(points[1], Tuple3f(3, 0, 0), 1e-5f, "M1");
		Tuple3f curve[3 + 2 * 4] = {Tuple3f(0, 0, 0), Tuple3f(4, 0, 0), Tuple3f(4, 0, 4)};
		ASSERT_EQ(PathQuery::RoundCorners(curve, 3, 5, 1.0f), 7);
		EXPECT_EQ(curve[0], Tuple3f(0, 0, 0));
		EXPECT_EQ(curve[6], Tuple3f(4, 0, 4));
		ExpectPathNear(curve[1], Tuple3f(3, 0, 0), 1e-5f, "curve start");
		ExpectPathNear(curve[5], Tuple3f(4, 0, 1), 1e-5f, "curve end");
		// A corner on top of the start: the zero-length side contributes nothing and stays finite.
		Tuple3f doubled[3 + 2 * 4] = {Tuple3f(1, 0, 1), Tuple3f(1, 0, 1), Tuple3f(5, 0, 1)};
		PathQuery::RoundCorners(doubled, 3, 5, 1.0f);
		for (const Tuple3f& point : doubled)
			EXPECT_TRUE(IsFinite(point));
	}

	TEST(GeneratePath, TheNavPointsAreWhereTheCamerasViewMeetsABody)
	{
		FloorLevel level;
		NavWorld::AddStaticBox("Wall", Tuple3f(0, 1, -10), Tuple3f(20, 2, 1));
		NavWorld::AddCamera(Tuple3f(0, 1, 0));
		// The step files the wall for ray queries.
		level.world.Frame();
		Engine::SendMessage(Message("SetStartNavPoint"));
		ExpectPathNear(level.world.logic->GetDebugStartPoint(), Tuple3f(0, 1, -9.5f), 0.05f, "start");
		Engine::SendMessage(Message("SetEndNavPoint"));
		ExpectPathNear(level.world.logic->GetDebugEndPoint(), Tuple3f(0, 1, -9.5f), 0.05f, "end");
	}
}
