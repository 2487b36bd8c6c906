#include "Systems/Logic/NavMeshTileCache.h"

#include "Systems/Logic/NavTestLevels.h"
#include "Systems/Logic/ObstacleSet.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Timer.h"

#include <gtest/gtest.h>

namespace
{
	// A 16 x 16 floor: two by two tiles of 8 units.
	struct TileCacheLevel
	{
		TileCacheLevel()
		{
			rcConfig config = test::NavTestConfig();
			EXPECT_TRUE(BuildNavMesh(config, test::Floor(16, 16), navigation));
		}
		NavMeshTileCache& Cache() { return *navigation.tileCache; }
		dtNavMesh& Mesh() { return *navigation.navMesh; }
		dtTileRef Ref(int x, int z) { return Mesh().getTileRefAt(x, z, 0); }
		void UpdateUntilIdle()
		{
			for (int update = 0; update < 100 && Cache().GetQueueLength() > 0; ++update)
				Cache().Update(Mesh());
		}

		Navigation navigation;
	};

	// Every reading of the game clock is 6 ms after the one before: each stage overruns the budget.
	struct SixMillisecondStages
	{
		SixMillisecondStages() { SetElapsedMillisecondsHook([] { return now += 6; }); }
		~SixMillisecondStages() { SetElapsedMillisecondsHook(nullptr); }
		static inline std::uint32_t now = 0;
	};

	TEST(NavTileCache, ReserveBufferRoundsSizePlus512DownToWhole512s)
	{
		rcConfig config = test::NavTestConfig();
		NavMeshTileCache cache(config);
		for (const auto& [size, reserved] : {std::pair{0, 512}, {1, 512}, {511, 512}, {512, 1024}, {1000, 1024}, {1024, 1536}})
		{
			EXPECT_TRUE(cache.ReserveBuffer(size));
			EXPECT_EQ(cache.GetBufferSize(), reserved) << size;
		}
	}

	TEST(NavTileCache, QueueRefusesAWaitingCellButTakesOneWhoseRebuildHasBegun)
	{
		TileCacheLevel level;
		const SixMillisecondStages clock;
		level.Cache().QueueTile(0, 0);
		level.Cache().QueueTile(1, 0);
		level.Cache().QueueTile(0, 0);
		EXPECT_EQ(level.Cache().GetQueueLength(), 2u);
		level.Cache().Update(level.Mesh());
		level.Cache().QueueTile(1, 0);
		EXPECT_EQ(level.Cache().GetQueueLength(), 2u) << "still waiting";
		level.Cache().QueueTile(0, 0);
		EXPECT_EQ(level.Cache().GetQueueLength(), 3u) << "its rebuild has begun";
		level.Cache().QueueTile(0, 0);
		EXPECT_EQ(level.Cache().GetQueueLength(), 3u);
	}

	// An obstacle that comes or goes while its tile is rebuilt, after the obstacles were marked:
	// the tile is rebuilt again with the change.
	TEST(NavTileCache, AnObstacleChangedDuringTheTilesRebuildIsKept)
	{
		const float bounds[6] = {11, -1, 11, 13, 3, 13};
		for (const bool arrives : {true, false})
		{
			TileCacheLevel level;
			const auto vertices = [&] {
				const dtMeshTile* tile = level.Mesh().getTileAt(1, 1, 0);
				return tile == nullptr ? std::vector<float>{} : std::vector<float>(tile->verts, tile->verts + 3 * tile->header->vertCount);
			};
			const std::vector<float> built = vertices();
			auto obstacle = std::make_unique<TempObstacle>(1, bounds);
			if (!arrives)
			{
				obstacle->Attach(*level.Cache().GetTile(1, 1));
				level.Cache().QueueTile(1, 1);
				level.UpdateUntilIdle();
			}
			const SixMillisecondStages clock;
			level.Cache().QueueTile(1, 1);
			level.Cache().Update(level.Mesh());
			level.Cache().Update(level.Mesh());
			ASSERT_GT(level.Cache().GetStage(), 1) << "past the marking";
			if (arrives)
				obstacle->Attach(*level.Cache().GetTile(1, 1));
			else
				obstacle.reset();
			level.Cache().QueueTile(1, 1);
			level.UpdateUntilIdle();
			EXPECT_EQ(vertices() != built, arrives) << (arrives ? "the hole is missing" : "the hole stays");
		}
	}

	TEST(NavTileCache, StagesOverrunningTheBudgetRunOnePerUpdateAndTheMeshChangesOnlyAtTheSwap)
	{
		TileCacheLevel level;
		const dtTileRef before = level.Ref(0, 0);
		const SixMillisecondStages clock;
		level.Cache().QueueTile(0, 0);
		for (int stage = 1; stage <= 5; ++stage)
		{
			level.Cache().Update(level.Mesh());
			EXPECT_EQ(level.Cache().GetStage(), stage);
			EXPECT_EQ(level.Ref(0, 0), before);
		}
		level.Cache().Update(level.Mesh());
		EXPECT_EQ(level.Cache().GetStage(), NavMeshTileCache::kFinished);
		EXPECT_NE(level.Ref(0, 0), before);
		EXPECT_NE(level.Ref(0, 0), 0u);
	}

	TEST(NavTileCache, AfterAClearTheUpdateDoesNothing)
	{
		TileCacheLevel level;
		const dtTileRef before = level.Ref(1, 1);
		level.Cache().QueueTile(1, 1);
		level.Cache().Clear();
		level.Cache().Update(level.Mesh());
		EXPECT_EQ(level.Cache().GetQueueLength(), 1u);
		EXPECT_EQ(level.Ref(1, 1), before);
		EXPECT_EQ(level.Cache().GetTileCount(), 0);
	}

	TEST(NavTileCache, ADamagedBlockRebuildsNothingAndKeepsTheOldTile)
	{
		const std::function<void(CachedTile&)> damages[] = {
			[](CachedTile& tile) { tile.data[1] ^= 0x40; },
			[](CachedTile& tile) { ++tile.rawSize; },
			[](CachedTile& tile) { tile.data.resize(tile.data.size() / 2); },
		};
		for (const auto& damage : damages)
		{
			TileCacheLevel level;
			const dtTileRef before = level.Ref(0, 1);
			damage(*level.Cache().GetTile(0, 1));
			level.Cache().QueueTile(0, 1);
			EXPECT_NE(test::Reported([&] { level.UpdateUntilIdle(); }).find("Navigation tile (0, 1): the cached heightfield is damaged"), std::string::npos);
			EXPECT_EQ(level.Ref(0, 1), before);
		}
	}

	TEST(NavTileCache, AnObstacleOverTheWholeTileEmptiesTheCell)
	{
		TileCacheLevel level;
		const float bounds[6] = {-1, -1, -1, 9, 3, 9};
		TempObstacle obstacle(1, bounds);
		obstacle.Attach(*level.Cache().GetTile(0, 0));
		level.Cache().QueueTile(0, 0);
		level.UpdateUntilIdle();
		EXPECT_EQ(level.Ref(0, 0), 0u) << "characters must not walk through the crate";
		EXPECT_NE(level.Ref(1, 0), 0u);
	}

	// The decoded field kept from the obstacle's rebuild serves the rebuild once it goes: the
	// tile comes back as the level's build made it, rebuild after rebuild.
	TEST(NavTileCache, TilesRebuiltFromTheirKeptFieldsComeBackAsBuilt)
	{
		TileCacheLevel level;
		const auto vertices = [&] {
			const dtMeshTile* tile = level.Mesh().getTileAt(1, 1, 0);
			return tile == nullptr ? std::vector<float>{} : std::vector<float>(tile->verts, tile->verts + 3 * tile->header->vertCount);
		};
		const std::vector<float> built = vertices();
		ASSERT_FALSE(built.empty());
		const float bounds[6] = {11, -1, 11, 13, 3, 13};
		for (int round = 0; round < 2; ++round)
		{
			{
				TempObstacle obstacle(1, bounds);
				obstacle.Attach(*level.Cache().GetTile(1, 1));
				level.Cache().QueueTile(1, 1);
				level.UpdateUntilIdle();
				EXPECT_NE(vertices(), built) << "round " << round;
			}
			level.Cache().QueueTile(1, 1);
			level.UpdateUntilIdle();
			EXPECT_EQ(vertices(), built) << "round " << round;
		}
	}
}
