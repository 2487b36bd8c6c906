#include "Systems/Logic/NavMeshBuild.h"

#include "Components/Logic/Health.h"
#include "Systems/Logic/NavTestLevels.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
	using test::NavWorld;

	TEST(NavMeshBuild, TheFirstVertexSetsBothBoundsOfEveryAxis)
	{
		LevelGeometry geometry;
		geometry.Append({Tuple3f(5, -2, 7), Tuple3f(1, 3, 9), Tuple3f(2, 0, 8)}, {{0, 1, 2}}, "Rock");
		EXPECT_EQ(std::vector<float>(geometry.bmin, geometry.bmin + 3), (std::vector<float>{1, -2, 7}));
		EXPECT_EQ(std::vector<float>(geometry.bmax, geometry.bmax + 3), (std::vector<float>{5, 3, 9}));
	}

	TEST(NavMeshBuild, VerticesThatAreNotFiniteAndIndicesPastTheVerticesAreLeftOut)
	{
		const float inf = std::numeric_limits<float>::infinity();
		const float nan = std::numeric_limits<float>::quiet_NaN();
		for (const Tuple3f bad : {Tuple3f(nan, 0, 0), Tuple3f(0, inf, 0), Tuple3f(0, 0, -inf)})
		{
			LevelGeometry geometry;
			const std::string reported = test::Reported(
				[&] { geometry.Append({Tuple3f(0, 0, 0), bad, Tuple3f(1, 0, 1), Tuple3f(1, 0, 0)}, {{0, 1, 2}, {0, 2, 3}, {0, 2, 9}}, "Rock"); });
			EXPECT_NE(reported.find("\"Rock\" has 1 vertices that are not finite; 2 of its triangles"), std::string::npos);
			EXPECT_EQ(geometry.triangles, (std::vector<int>{0, 1, 2})) << "the kept vertices are renumbered";
			EXPECT_EQ(geometry.bmax[0], 1.0f);
		}
	}

	TEST(NavMeshBuild, CopiesOfATriangleAreRasterisedOnceWhicheverCornerTheyStartAt)
	{
		// Vertices 0-2 a triangle, 3 a second vertex at the place of 0.
		const std::vector<Tuple3f> vertices = {Tuple3f(0, 0, 0), Tuple3f(0, 0, 4), Tuple3f(4, 0, 4), Tuple3f(0, 0, 0)};
		const struct { std::vector<IndexTriple> triangles; std::vector<int> distinct; } cases[] = {
			{{{0, 1, 2}, {0, 1, 2}, {0, 1, 2}}, {0, 1, 2}},
			{{{1, 2, 0}, {0, 1, 2}, {2, 0, 1}}, {1, 2, 0}},
			{{{0, 1, 2}, {3, 1, 2}}, {0, 1, 2}},
			{{{0, 1, 2}, {0, 2, 1}}, {0, 1, 2, 0, 2, 1}},
			{{{0, 2, 1}, {0, 1, 2}, {1, 0, 2}}, {0, 2, 1, 0, 1, 2}},
		};
		for (const auto& c : cases)
		{
			LevelGeometry geometry;
			geometry.Append(vertices, c.triangles, "Copies");
			EXPECT_EQ(DistinctTriangles(geometry), c.distinct) << c.triangles.size();
		}
	}

	// The walkable polygons of every tile, corner by corner.
	std::vector<float> MeshVertices(const dtNavMesh& mesh)
	{
		std::vector<float> corners;
		for (int i = 0; i < mesh.getMaxTiles(); ++i)
			if (const dtMeshTile* tile = mesh.getTile(i); tile->header != nullptr)
				for (int poly = 0; poly < tile->header->polyCount; ++poly)
					for (int corner = 0; corner < tile->polys[poly].vertCount; ++corner)
					{
						const float* at = &tile->verts[tile->polys[poly].verts[corner] * 3];
						corners.insert(corners.end(), at, at + 3);
					}
		return corners;
	}

	TEST(NavMeshBuild, ALevelHoldingThousandsOfCopiesOfARampBuildsTheMeshOfOneCopy)
	{
		const auto level = [](unsigned copies) {
			std::vector<Tuple3f> vertices;
			std::vector<IndexTriple> triangles;
			test::AddFloor(vertices, triangles, 0, 0, 24, 24);
			const auto first = static_cast<unsigned>(vertices.size());
			vertices.insert(vertices.end(), {Tuple3f(4, 0, 4), Tuple3f(4, 2, 12), Tuple3f(12, 2, 12)});
			for (unsigned copy = 0; copy < copies; ++copy)
				triangles.push_back({first, first + 1, first + 2});
			LevelGeometry geometry;
			geometry.Append(vertices, triangles, "Ramp");
			return geometry;
		};
		rcConfig config = test::NavTestConfig();
		Navigation once;
		Navigation copied;
		ASSERT_TRUE(BuildNavMesh(config, level(1), once));
		ASSERT_TRUE(BuildNavMesh(config, level(2000), copied));
		EXPECT_FALSE(MeshVertices(*once.navMesh).empty());
		EXPECT_EQ(MeshVertices(*copied.navMesh), MeshVertices(*once.navMesh));
	}

	TEST(NavMeshBuild, TileColumnsCoverTheWholeExtent)
	{
		for (const auto& [extent, columns] : {std::pair{8.0f, 1}, {8.1f, 2}, {16.0f, 2}, {3.0f, 1}})
		{
			rcConfig config = test::NavTestConfig();
			Navigation navigation;
			ASSERT_TRUE(BuildNavMesh(config, test::Floor(extent, 4), navigation));
			EXPECT_EQ(navigation.tilesX, columns) << extent;
			EXPECT_EQ(navigation.tilesZ, 1);
		}
	}

	TEST(NavMeshBuild, ASmallFloorFarFromTheOriginBuildsNoMeshWhereAFloatStepsByMoreThanAFractionOfACell)
	{
		// The test settings' cells are 0.25 wide: 64 float steps fit in one up to 32,768 units out.
		for (const auto& [offset, builds] : {std::pair{32760.0f, true}, {32768.0f, false}, {8.6e8f, false}})
		{
			std::vector<Tuple3f> vertices;
			std::vector<IndexTriple> triangles;
			test::AddFloor(vertices, triangles, offset, offset, offset + 8, offset + 8);
			LevelGeometry geometry;
			geometry.Append(vertices, triangles, "Far");
			rcConfig config = test::NavTestConfig();
			Navigation navigation;
			const std::string reported = test::Reported([&] { EXPECT_EQ(BuildNavMesh(config, geometry, navigation), builds) << offset; });
			EXPECT_EQ(reported.find("too far from the origin") != std::string::npos, !builds) << offset << reported;
		}
	}

	// An 8-unit ramp at the angle: beyond the 30 degrees a character climbs, no tile is walkable.
	TEST(NavMeshBuild, GroundSteeperThanTheWalkableSlopeYieldsNoTile)
	{
		for (const auto& [degrees, walkable] : {std::pair{20.0f, true}, {45.0f, false}, {60.0f, false}})
		{
			const float rise = 8.0f * std::tan(degrees * 3.14159265f / 180.0f);
			LevelGeometry geometry;
			geometry.Append({Tuple3f(0, 0, 0), Tuple3f(0, 0, 8), Tuple3f(8, rise, 8), Tuple3f(8, rise, 0)}, {{0, 1, 2}, {0, 2, 3}}, "Ramp");
			rcConfig config = test::NavTestConfig();
			Navigation navigation;
			BuildNavMesh(config, geometry, navigation);
			const int tiles = navigation.navMesh != nullptr ? test::MeshTileCount(*navigation.navMesh) : 0;
			EXPECT_EQ(tiles > 0, walkable) << degrees << " degrees";
		}
	}

	TEST(NavMeshBuild, GeometryFarAwayBuildsNoMeshAndNamesTheExtent)
	{
		LevelGeometry geometry = test::Floor(8, 8);
		geometry.Append({Tuple3f(1e30f, 0, 0), Tuple3f(1e30f, 0, 1), Tuple3f(1e30f, 1, 0)}, {{0, 1, 2}}, "FarAway");
		rcConfig config = test::NavTestConfig();
		Navigation navigation;
		const std::string reported = test::Reported([&] { EXPECT_FALSE(BuildNavMesh(config, geometry, navigation)); });
		EXPECT_NE(reported.find("spans (0, 0, 0) to (1e+30, 1, 8)"), std::string::npos) << reported;
		EXPECT_EQ(navigation.navMesh, nullptr);
	}

	// Every tile of a large level is in the mesh (fixed tile and polygon counts drop some), and every
	// tile vertex lies inside its tile. One test per size: each builds for seconds under the sanitizers.
	void ExpectEveryTileInsideTheMesh(float size)
	{
		rcConfig config = test::NavTestConfig();
		Navigation navigation;
		ASSERT_TRUE(BuildNavMesh(config, test::Floor(size, size, 8.0f), navigation));
		const int tiles = navigation.tilesX * navigation.tilesZ;
		EXPECT_EQ(tiles, static_cast<int>(size / 8) * static_cast<int>(size / 8));
		EXPECT_EQ(test::MeshTileCount(*navigation.navMesh), tiles);
		const dtNavMesh& mesh = *navigation.navMesh;
		for (int i = 0; i < mesh.getMaxTiles(); ++i)
			if (const dtMeshTile* tile = mesh.getTile(i); tile->header != nullptr)
				for (int v = 0; v < tile->header->vertCount; ++v)
				{
					const float* at = &tile->verts[v * 3];
					ASSERT_GE(at[0], tile->header->bmin[0] - 1e-3f);
					ASSERT_LE(at[0], tile->header->bmax[0] + 1e-3f);
					ASSERT_GE(at[2], tile->header->bmin[2] - 1e-3f);
					ASSERT_LE(at[2], tile->header->bmax[2] + 1e-3f);
				}
	}

	TEST(NavMeshBuild, A128UnitLevelAddsEveryTileWithItsVerticesInsideIt)
	{
		ExpectEveryTileInsideTheMesh(128.0f);
	}

	TEST(NavMeshBuild, A256UnitLevelAddsEveryTileWithItsVerticesInsideIt)
	{
		ExpectEveryTileInsideTheMesh(256.0f);
	}

	TEST(NavMeshBuild, APathAcrossTileBordersIsWhole)
	{
		rcConfig config = test::NavTestConfig();
		Navigation navigation;
		ASSERT_TRUE(BuildNavMesh(config, test::Floor(32, 32), navigation));
		const std::vector<Tuple3f> path = test::StraightPath(navigation, Tuple3f(3, 0, 3), Tuple3f(29, 0, 27));
		ASSERT_GE(path.size(), 2u) << "a partial path is no path";
		EXPECT_NEAR(path.back().x, 29.0f, 0.1f);
		EXPECT_NEAR(path.back().z, 27.0f, 0.1f);
	}

	TEST(NavMeshBuild, ALevelWithoutStaticTrianglesBuildsNothingYetRegistersItsLogicObjects)
	{
		NavWorld world;
		world.AddFloorObject(16, 16);
		world.LevelLoaded();
		ASSERT_FALSE(test::StraightPath(world.Nav(), Tuple3f(3, 0, 3), Tuple3f(12, 0, 12)).empty());
		DestroyAllObjects();
		const Object guard = CreateObject("Guard");
		guard.object->AddComponent(Health::TypeId());
		world.logic->UnloadLevel();
		world.LevelLoaded();
		EXPECT_TRUE(world.logic->IsLogicObject(guard.id));
		EXPECT_EQ(world.Nav().navQuery, nullptr) << "path queries fail instead of using the last level's mesh";
		EXPECT_EQ(world.Nav().tileCache, nullptr);
	}

	TEST(NavMeshBuild, ASecondLevelsMeshHoldsOnlyItsOwnColliders)
	{
		NavWorld world;
		world.AddFloorObject(16, 16);
		world.LevelLoaded();
		DestroyAllObjects();
		world.logic->UnloadLevel();
		world.AddFloorObject(108, 8, 100, 0);
		world.LevelLoaded();
		EXPECT_EQ(world.Nav().tilesX, 1);
		EXPECT_TRUE(test::StraightPath(world.Nav(), Tuple3f(3, 0, 3), Tuple3f(12, 0, 12)).empty());
		EXPECT_FALSE(test::StraightPath(world.Nav(), Tuple3f(102, 0, 2), Tuple3f(106, 0, 6)).empty());
	}
}
