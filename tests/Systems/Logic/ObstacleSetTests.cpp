#include "Systems/Logic/ObstacleSet.h"

#include "Systems/Logic/NavTestLevels.h"
#include "Utilities/DebugDraw.h"

#include <gtest/gtest.h>

namespace
{
	using test::NavWorld;

	TEST(ObstacleSet, RemoveAndClearTakeEveryObstacleOffItsTiles)
	{
		CachedTile left;
		CachedTile right;
		const float bounds[6] = {};
		ObstacleSet set;
		TempObstacle& wide = set.Insert(1, bounds);
		wide.Attach(left);
		wide.Attach(right);
		set.Insert(2, bounds).Attach(right);
		EXPECT_TRUE(set.Remove(1));
		EXPECT_FALSE(set.Remove(1));
		EXPECT_EQ(left.obstacles.size(), 0u);
		ASSERT_EQ(right.obstacles.size(), 1u);
		EXPECT_EQ(right.obstacles[0]->objectId, 2u);
		set.Clear();
		EXPECT_EQ(right.obstacles.size(), 0u);
		EXPECT_EQ(set.Size(), 0u);
	}

	// A level of two by two tiles of 8 units.
	struct ObstacleLevel
	{
		ObstacleLevel()
		{
			world.AddFloorObject(16, 16);
			world.LevelLoaded();
		}
		NavMeshTileCache& Cache() { return *world.Nav().tileCache; }
		int ObstaclesIn(int x, int z) { return static_cast<int>(Cache().GetTile(x, z)->obstacles.size()); }

		NavWorld world;
	};

	TEST(NavObstacle, AnObstacleOverTileBordersIsListedInAndQueuesEveryTileItOverlaps)
	{
		ObstacleLevel level;
		NavWorld::RigidBodyOf(level.world.AddCrate(Tuple3f(7, 0, 7), Tuple3f(9, 1, 9))).Sleep();
		EXPECT_EQ(level.Cache().GetQueueLength(), 4u);
		for (const auto& [x, z] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}})
			EXPECT_EQ(level.ObstaclesIn(x, z), 1) << x << ", " << z;
	}

	TEST(NavObstacle, ABodyAsleepTwiceGivesOneObstacle)
	{
		ObstacleLevel level;
		RigidBody& body = NavWorld::RigidBodyOf(level.world.AddCrate(Tuple3f(1, 0, 1), Tuple3f(2, 1, 2)));
		body.Sleep();
		body.Sleep();
		EXPECT_EQ(level.world.logic->GetObstacles().Size(), 1u);
		EXPECT_EQ(level.ObstaclesIn(0, 0), 1);
	}

	TEST(NavObstacle, StaticBodiesObjectsWithoutABodyAndUnknownIdsAreNoObstacles)
	{
		ObstacleLevel level;
		const Object ground = ObjectFromName("Ground");
		const Object sign = CreateObject("Sign");
		for (const unsigned id : {ground.id, sign.id, 9999u})
			Engine::SendMessage(Message("AddObstacle").PushU32(id));
		EXPECT_EQ(level.world.logic->GetObstacles().Size(), 0u);
		EXPECT_EQ(level.Cache().GetQueueLength(), 0u);
	}

	TEST(NavObstacle, AWokenBodyThatMovedRequeuesItsOldAndNewTiles)
	{
		ObstacleLevel level;
		const Object crate = level.world.AddCrate(Tuple3f(1, 0, 1), Tuple3f(2, 1, 2));
		NavWorld::RigidBodyOf(crate).Sleep();
		level.world.RebuildQueued();
		NavWorld::SetBounds(crate, Tuple3f(12, 0, 1), Tuple3f(13, 1, 2));
		NavWorld::RigidBodyOf(crate).Wake();
		EXPECT_EQ(level.Cache().GetQueueLength(), 2u) << "(1, 0) where it is, (0, 0) where it slept";
		EXPECT_EQ(level.ObstaclesIn(0, 0), 0);
		EXPECT_EQ(level.world.logic->GetObstacles().Size(), 0u);
	}

	TEST(NavObstacle, ACrateDestroyedAsleepLeavesNoHole)
	{
		ObstacleLevel level;
		const Object crate = level.world.AddCrate(Tuple3f(3, 0, 3), Tuple3f(5, 1, 5));
		NavWorld::RigidBodyOf(crate).Sleep();
		level.world.RebuildQueued();
		EXPECT_GT(level.world.DistanceToMesh(Tuple3f(4, 0, 4)), 2.0f) << "a hole around the crate";
		crate.object->Destroy();
		level.world.Frame();
		level.world.RebuildQueued();
		EXPECT_LT(level.world.DistanceToMesh(Tuple3f(4, 0, 4)), 0.01f);
		EXPECT_EQ(level.world.logic->GetObstacles().Size(), 0u);
	}

	TEST(NavObstacle, ToggleNavMeshDrawsThreeGreenLinesOfWidth2PerPolygon)
	{
		ObstacleLevel level;
		static std::vector<std::pair<float, Tuple4f>> lines;
		lines.clear();
		const DebugDraw::DrawLineHook previous = DebugDraw::DrawLine;
		DebugDraw::DrawLine = [](Tuple3f, Tuple3f, float width, Tuple4f colour) { lines.emplace_back(width, colour); };
		Engine::SendMessage(Message("ToggleNavMesh"));
		level.world.logic->Update();
		DebugDraw::DrawLine = previous;
		int polygons = 0;
		for (int x = 0; x < 2; ++x)
			for (int z = 0; z < 2; ++z)
				polygons += level.world.Nav().navMesh->getTileAt(x, z, 0)->header->polyCount;
		ASSERT_GT(polygons, 0);
		EXPECT_EQ(lines.size(), 3u * static_cast<unsigned>(polygons));
		for (const auto& [width, colour] : lines)
			ASSERT_TRUE(width == 2.0f && colour.x == 0 && colour.y == 1 && colour.z == 0 && colour.w == 1);
	}
}

namespace
{
	// Whether the polyline keeps out of the box's footprint (min x, min z, max x, max z).
	bool KeepsOut(const std::vector<Tuple3f>& path, float minX, float minZ, float maxX, float maxZ)
	{
		for (std::size_t i = 1; i < path.size(); ++i)
			for (int step = 0; step <= 100; ++step)
			{
				const float t = static_cast<float>(step) / 100.0f;
				const float x = path[i - 1].x + (path[i].x - path[i - 1].x) * t;
				const float z = path[i - 1].z + (path[i].z - path[i - 1].z) * t;
				if (x > minX && x < maxX && z > minZ && z < maxZ)
					return false;
			}
		return true;
	}

	// The real physics step: a crate dropped on a 64 x 64 floor falls asleep and becomes a hole
	// that paths go around; woken and moved away, the path runs straight again.
	TEST(NavObstacle, ACrateAsleepOnTheFloorIsAHoleThatPathsGoAround)
	{
		NavWorld world;
		const std::string cube = NavWorld::BodyValues("DEFAULT", "CompositePrimitive", "0 0 0", NavWorld::UnitCube());
		const Object floor = world.AddBodyObject("Floor", Tuple3f(32, -0.5f, 32), false, cube);
		floor.object->GetComponent<Transform>()->SetScale(Tuple3f(64, 1, 64));
		floor.object->Start();
		floor.object->HandleMessage(Message("SetStatic"));
		world.LevelLoaded();
		ASSERT_EQ(world.Nav().tilesX, 8);
		const Object crate = world.AddBodyObject("Crate", Tuple3f(36, 2, 36), false, cube);
		crate.object->GetComponent<Transform>()->SetScale(Tuple3f(2, 2, 2));
		crate.object->Start();
		int frame = 0;
		while (world.logic->GetObstacles().Size() == 0 && frame++ < 1000)
			world.Frame();
		ASSERT_EQ(world.logic->GetObstacles().Size(), 1u) << "the crate falls asleep";
		world.Frame(10);
		EXPECT_EQ(world.Nav().tileCache->GetQueueLength(), 0u) << "rebuilt within 10 frames";
		const float radius = world.Nav().tileCache->agentRadius - 0.3f;
		const std::vector<Tuple3f> around = test::StraightPath(world.Nav(), Tuple3f(10, 0, 36), Tuple3f(60, 0, 36));
		ASSERT_GT(around.size(), 2u);
		EXPECT_TRUE(KeepsOut(around, 35 - radius, 35 - radius, 37 + radius, 37 + radius));
		NavWorld::RigidBodyOf(crate).Wake();
		crate.object->HandleMessage(Message("SetPos").Push(Tuple3f(36, 1, 10)));
		world.Frame(10);
		EXPECT_EQ(test::StraightPath(world.Nav(), Tuple3f(10, 0, 36), Tuple3f(60, 0, 36)).size(), 2u);
	}
}
