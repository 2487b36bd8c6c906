// The navigation build and the tile cache against the library's own ways of doing the same work,
// on a 128 x 128-unit level of about 4,000 triangles (uneven ground and 200 boxes) with the
// default settings of the "Logic" element (tiles of 8 units: 16 x 16 tiles).
// - LevelBuild: our whole build (rasterise, filter, lean block, compress, then every tile from its
//   block) against the library's tiled pipeline on the same chunky mesh (rasterise, filter, compact
//   heightfield, erode, regions, contours, polygon mesh, tile data, add tile). Also at 1,024 tiles.
// - TileRebuild: one tile with a crate on it rebuilt from the cache against that pipeline's build
//   of it without the crate.
// - Obstacle: a box over four tiles added and then removed, each time until the mesh is current,
//   against DetourTileCache (heightfield layers, LZ4, a box obstacle) on the same level. Once the
//   box is gone our tiles get back the data of their last rebuild without obstacles.
// - StagedRebuild: every tile queued and rebuilt within the 5 ms budget per frame; how long frames
//   and stages take.
#include "NavBenchLevel.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Logic/NavBuildContext.h"
#include "Systems/Logic/NavMeshBuild.h"
#include "Systems/Logic/ObstacleSet.h"
#include "Utilities/Random.h"
#include "Utilities/Timer.h"

#include <benchmark/benchmark.h>
#include <lz4.h>
#include <recastnavigation/DetourNavMesh.h>
#include <recastnavigation/DetourNavMeshBuilder.h>
#include <recastnavigation/DetourTileCache.h>
#include <recastnavigation/DetourTileCacheBuilder.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>

namespace
{
	using bench::Level;

	// The library's tiled pipeline for one tile, added to the mesh.
	void LibraryTile(const rcConfig& config, const Navigation& navigation, const LevelGeometry& geometry, int x, int z)
	{
		NavBuildContext context;
		int triangles = 0;
		const HeightfieldPtr solid = RasteriseTile(config, *navigation.chunkyMesh, geometry, x, z, context, triangles);
		rcCompactHeightfield* chf = rcAllocCompactHeightfield();
		rcContourSet* cset = rcAllocContourSet();
		rcPolyMesh* pmesh = rcAllocPolyMesh();
		if (solid != nullptr && rcBuildCompactHeightfield(&context, config.walkableHeight, config.walkableClimb, *solid, *chf) &&
			rcErodeWalkableArea(&context, config.walkableRadius, *chf) &&
			rcBuildRegionsMonotone(&context, *chf, config.borderSize, config.minRegionArea, config.mergeRegionArea) &&
			rcBuildContours(&context, *chf, config.maxSimplificationError, config.maxEdgeLen, *cset) && cset->nconts > 0 &&
			rcBuildPolyMesh(&context, *cset, config.maxVertsPerPoly, *pmesh) && pmesh->npolys > 0)
		{
			for (int i = 0; i < pmesh->npolys; ++i)
				pmesh->flags[i] = pmesh->areas[i] == RC_WALKABLE_AREA ? 1 : 0;
			dtNavMeshCreateParams params{};
			params.verts = pmesh->verts;
			params.vertCount = pmesh->nverts;
			params.polys = pmesh->polys;
			params.polyFlags = pmesh->flags;
			params.polyAreas = pmesh->areas;
			params.polyCount = pmesh->npolys;
			params.nvp = pmesh->nvp;
			params.walkableHeight = 2.0f;
			params.walkableRadius = 1.25f;
			params.walkableClimb = 0.5f;
			params.tileX = x;
			params.tileY = z;
			std::copy(pmesh->bmin, pmesh->bmin + 3, params.bmin);
			std::copy(pmesh->bmax, pmesh->bmax + 3, params.bmax);
			params.cs = config.cs;
			params.ch = config.ch;
			params.buildBvTree = true;
			unsigned char* data = nullptr;
			int size = 0;
			if (dtCreateNavMeshData(&params, &data, &size))
				NavMeshTileCache::SwapIn(*navigation.navMesh, x, z, {data, size});
		}
		rcFreePolyMesh(pmesh);
		rcFreeContourSet(cset);
		rcFreeCompactHeightfield(chf);
	}

	struct BenchLevel
	{
		explicit BenchLevel(float size = 128.0f) : geometry(Level(size, static_cast<int>(200 * size * size / (128 * 128))))
		{
			BuildNavMesh(config, geometry, navigation);
		}
		rcConfig config = test::NavTestConfig();
		LevelGeometry geometry;
		Navigation navigation;
	};

	void BM_LevelBuild_Ours(benchmark::State& state)
	{
		const LevelGeometry geometry = Level(static_cast<float>(state.range(0)), static_cast<int>(200 * state.range(0) * state.range(0) / (128 * 128)));
		for (auto _ : state)
		{
			rcConfig config = test::NavTestConfig();
			Navigation navigation;
			BuildNavMesh(config, geometry, navigation);
			state.counters["tiles"] = navigation.tilesX * navigation.tilesZ;
		}
		state.counters["triangles"] = geometry.TriangleCount();
	}
	BENCHMARK(BM_LevelBuild_Ours)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

	// The bench level with a collision mesh of copies of one triangle across it, as a hostile level
	// file may hold; 0 copies is the level alone, the reference the others are held to.
	void BM_LevelBuild_CopiedTriangle(benchmark::State& state)
	{
		LevelGeometry geometry = Level(128, 200);
		if (const auto copies = static_cast<std::size_t>(state.range(0)); copies > 0)
			geometry.Append({Tuple3f(0, 1, 0), Tuple3f(0, 1, 128), Tuple3f(128, 1, 128)}, std::vector<IndexTriple>(copies, IndexTriple{0, 1, 2}),
				"Copies");
		for (auto _ : state)
		{
			rcConfig config = test::NavTestConfig();
			Navigation navigation;
			BuildNavMesh(config, geometry, navigation);
		}
		state.counters["triangles"] = geometry.TriangleCount();
	}
	BENCHMARK(BM_LevelBuild_CopiedTriangle)->Arg(0)->Arg(16000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

	void BM_LevelBuild_Library(benchmark::State& state)
	{
		BenchLevel level(static_cast<float>(state.range(0)));
		for (auto _ : state)
			for (int z = 0; z < level.navigation.tilesZ; ++z)
				for (int x = 0; x < level.navigation.tilesX; ++x)
					LibraryTile(level.config, level.navigation, level.geometry, x, z);
	}
	BENCHMARK(BM_LevelBuild_Library)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

	// A crate stays on the tile: a tile without obstacles would get back the data of its last
	// rebuild without them instead of being rebuilt.
	void BM_TileRebuild_Ours(benchmark::State& state)
	{
		BenchLevel level;
		const float crate[6] = {45, -2, 61, 46, 3, 62};
		TempObstacle obstacle(1, crate);
		obstacle.Attach(*level.navigation.tileCache->GetTile(5, 7));
		for (auto _ : state)
		{
			level.navigation.tileCache->QueueTile(5, 7);
			while (level.navigation.tileCache->GetQueueLength() > 0)
				level.navigation.tileCache->Update(*level.navigation.navMesh);
		}
	}
	BENCHMARK(BM_TileRebuild_Ours)->Unit(benchmark::kMicrosecond);

	void BM_TileRebuild_Library(benchmark::State& state)
	{
		BenchLevel level;
		for (auto _ : state)
			LibraryTile(level.config, level.navigation, level.geometry, 5, 7);
	}
	BENCHMARK(BM_TileRebuild_Library)->Unit(benchmark::kMicrosecond);

	// A box over the corner where tiles (7, 7), (8, 7), (7, 8) and (8, 8) meet.
	constexpr float kBoxMin[3] = {63, -2, 63};
	constexpr float kBoxMax[3] = {65, 3, 65};

	void BM_Obstacle_Ours(benchmark::State& state)
	{
		BenchLevel level;
		NavMeshTileCache& cache = *level.navigation.tileCache;
		const float box[6] = {kBoxMin[0], kBoxMin[1], kBoxMin[2], kBoxMax[0], kBoxMax[1], kBoxMax[2]};
		ObstacleSet obstacles;
		for (auto _ : state)
		{
			TempObstacle& obstacle = obstacles.Insert(1, box);
			for (CachedTile* tile : cache.TilesOverlapping(box, box + 3))
			{
				obstacle.Attach(*tile);
				cache.QueueTile(tile->x, tile->z);
			}
			while (cache.GetQueueLength() > 0)
				cache.Update(*level.navigation.navMesh);
			for (CachedTile* tile : obstacle.tiles)
				cache.QueueTile(tile->x, tile->z);
			obstacles.Remove(1);
			while (cache.GetQueueLength() > 0)
				cache.Update(*level.navigation.navMesh);
		}
	}
	BENCHMARK(BM_Obstacle_Ours)->Unit(benchmark::kMillisecond);

	// The game clock read by the cache's update, on real time: the time between two readings is
	// one stage, as the update reads the clock when it starts and after every stage.
	struct StageClock
	{
		using Clock = std::chrono::steady_clock;
		StageClock() { SetElapsedMillisecondsHook(&Read); }
		~StageClock() { SetElapsedMillisecondsHook(nullptr); }
		StageClock(const StageClock&) = delete;
		StageClock& operator=(const StageClock&) = delete;

		static std::uint32_t Read()
		{
			previous = last;
			last = Clock::now();
			return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(last - start).count());
		}
		static double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

		static inline const Clock::time_point start = Clock::now();
		static inline Clock::time_point last;
		static inline Clock::time_point previous;
	};

	// Every tile of the level queued at once and rebuilt a frame (one update) at a time: the
	// longest frame, the longest stage, and the longest time a frame had spent before its last
	// stage began, which the 5 ms budget bounds (read on a millisecond clock: under 6 ms).
	void BM_StagedRebuild_Ours(benchmark::State& state)
	{
		BenchLevel level;
		NavMeshTileCache& cache = *level.navigation.tileCache;
		const StageClock clock;
		double longestFrame = 0;
		double longestStage = 0;
		double longestBeforeLastStage = 0;
		int frames = 0;
		for (auto _ : state)
		{
			for (int z = 0; z < level.navigation.tilesZ; ++z)
				for (int x = 0; x < level.navigation.tilesX; ++x)
					cache.QueueTile(x, z);
			while (cache.GetQueueLength() > 0)
			{
				const StageClock::Clock::time_point frameStart = StageClock::Clock::now();
				StageClock::last = StageClock::previous = frameStart;
				cache.Update(*level.navigation.navMesh);
				const StageClock::Clock::time_point frameEnd = StageClock::Clock::now();
				longestFrame = std::max(longestFrame, StageClock::Milliseconds(frameEnd - frameStart));
				longestStage = std::max(longestStage, StageClock::Milliseconds(StageClock::last - StageClock::previous));
				longestBeforeLastStage = std::max(longestBeforeLastStage, StageClock::Milliseconds(StageClock::previous - frameStart));
				++frames;
			}
		}
		state.counters["frames"] = benchmark::Counter(frames, benchmark::Counter::kAvgIterations);
		state.counters["longestFrameMs"] = longestFrame;
		state.counters["longestStageMs"] = longestStage;
		state.counters["beforeLastStageMs"] = longestBeforeLastStage;
		state.counters["budgetMs"] = NavMeshTileCache::kBudgetMilliseconds;
	}
	BENCHMARK(BM_StagedRebuild_Ours)->Unit(benchmark::kMillisecond);

	struct LZ4Compressor : dtTileCacheCompressor
	{
		int maxCompressedSize(const int bufferSize) override { return LZ4_compressBound(bufferSize); }
		dtStatus compress(const unsigned char* buffer, const int bufferSize, unsigned char* compressed, const int maxSize, int* compressedSize) override
		{
			*compressedSize = LZ4_compress_default(reinterpret_cast<const char*>(buffer), reinterpret_cast<char*>(compressed), bufferSize, maxSize);
			return *compressedSize > 0 ? DT_SUCCESS : DT_FAILURE;
		}
		dtStatus decompress(const unsigned char* compressed, const int compressedSize, unsigned char* buffer, const int maxBufferSize, int* bufferSize) override
		{
			*bufferSize = LZ4_decompress_safe(reinterpret_cast<const char*>(compressed), reinterpret_cast<char*>(buffer), compressedSize, maxBufferSize);
			return *bufferSize >= 0 ? DT_SUCCESS : DT_FAILURE;
		}
	};

	struct WalkableFlags : dtTileCacheMeshProcess
	{
		void process(dtNavMeshCreateParams* params, unsigned char* areas, unsigned short* flags) override
		{
			for (int i = 0; i < params->polyCount; ++i)
				flags[i] = areas[i] == RC_WALKABLE_AREA ? 1 : 0;
		}
	};

	void BM_Obstacle_DetourTileCache(benchmark::State& state)
	{
		BenchLevel level;
		const rcConfig& config = level.config;
		LZ4Compressor compressor;
		WalkableFlags process;
		dtTileCacheAlloc allocator;
		dtTileCache* tileCache = dtAllocTileCache();
		dtTileCacheParams params{};
		std::copy(config.bmin, config.bmin + 3, params.orig);
		params.cs = config.cs;
		params.ch = config.ch;
		params.width = params.height = config.tileSize;
		params.walkableHeight = 2.0f;
		params.walkableRadius = 1.25f;
		params.walkableClimb = 0.5f;
		params.maxSimplificationError = config.maxSimplificationError;
		params.maxTiles = level.navigation.tilesX * level.navigation.tilesZ * 4;
		params.maxObstacles = 16;
		tileCache->init(&params, &allocator, &compressor, &process);
		// Boxes add layers above the ground: a mesh of its own, with room for them.
		dtNavMeshParams meshParams{};
		std::copy(config.bmin, config.bmin + 3, meshParams.orig);
		meshParams.tileWidth = meshParams.tileHeight = static_cast<float>(config.tileSize) * config.cs;
		meshParams.maxTiles = params.maxTiles;
		meshParams.maxPolys = 1 << 12;
		level.navigation.navMesh.reset(dtAllocNavMesh());
		level.navigation.navMesh->init(&meshParams);
		NavBuildContext context;
		for (int z = 0; z < level.navigation.tilesZ; ++z)
			for (int x = 0; x < level.navigation.tilesX; ++x)
			{
				int triangles = 0;
				const HeightfieldPtr solid = RasteriseTile(config, *level.navigation.chunkyMesh, level.geometry, x, z, context, triangles);
				rcCompactHeightfield* chf = rcAllocCompactHeightfield();
				rcHeightfieldLayerSet* layers = rcAllocHeightfieldLayerSet();
				if (solid != nullptr && rcBuildCompactHeightfield(&context, config.walkableHeight, config.walkableClimb, *solid, *chf) &&
					rcBuildHeightfieldLayers(&context, *chf, config.borderSize, config.walkableHeight, *layers))
					for (int i = 0; i < layers->nlayers; ++i)
					{
						const rcHeightfieldLayer& layer = layers->layers[i];
						dtTileCacheLayerHeader header{};
						header.magic = DT_TILECACHE_MAGIC;
						header.version = DT_TILECACHE_VERSION;
						header.tx = x;
						header.ty = z;
						header.tlayer = i;
						std::copy(layer.bmin, layer.bmin + 3, header.bmin);
						std::copy(layer.bmax, layer.bmax + 3, header.bmax);
						header.width = static_cast<unsigned char>(layer.width);
						header.height = static_cast<unsigned char>(layer.height);
						header.minx = static_cast<unsigned char>(layer.minx);
						header.maxx = static_cast<unsigned char>(layer.maxx);
						header.miny = static_cast<unsigned char>(layer.miny);
						header.maxy = static_cast<unsigned char>(layer.maxy);
						header.hmin = static_cast<unsigned short>(layer.hmin);
						header.hmax = static_cast<unsigned short>(layer.hmax);
						unsigned char* data = nullptr;
						int size = 0;
						if (dtStatusSucceed(dtBuildTileCacheLayer(&compressor, &header, layer.heights, layer.areas, layer.cons, &data, &size)))
							tileCache->addTile(data, size, DT_COMPRESSEDTILE_FREE_DATA, nullptr);
					}
				rcFreeHeightfieldLayerSet(layers);
				rcFreeCompactHeightfield(chf);
				tileCache->buildNavMeshTilesAt(x, z, level.navigation.navMesh.get());
			}
		for (auto _ : state)
		{
			dtObstacleRef ref = 0;
			tileCache->addBoxObstacle(kBoxMin, kBoxMax, &ref);
			for (bool upToDate = false; !upToDate;)
				tileCache->update(0, level.navigation.navMesh.get(), &upToDate);
			tileCache->removeObstacle(ref);
			for (bool upToDate = false; !upToDate;)
				tileCache->update(0, level.navigation.navMesh.get(), &upToDate);
		}
		dtFreeTileCache(tileCache);
	}
	BENCHMARK(BM_Obstacle_DetourTileCache)->Unit(benchmark::kMillisecond);
}
