#include "Systems/Logic/NavMeshTileCache.h"

#include "Systems/Logic/MeshGeneration/LeanHeightfield.h"
#include "Systems/Logic/NavBuildContext.h"
#include "Systems/Logic/ObstacleSet.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Timer.h"

#include <lz4.h>
#include <recastnavigation/DetourAlloc.h>
#include <recastnavigation/DetourNavMesh.h>
#include <recastnavigation/DetourNavMeshBuilder.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace
{
	constexpr int kBufferGranule = 512;
	// Decoded fields kept: about 35 KB each with the default settings.
	constexpr std::size_t kDecodedFieldsKept = 16;
	// Walkable polygons carry this flag, so the default query filter takes them.
	constexpr unsigned short kWalkableFlag = 1;

	enum Stage
	{
		kDecompress = 0,
		kMarkAndErode = 1,
		kRegions = 2,
		kContours = 3,
		kPolyMesh = 4,
		kSwap = 5,
	};

	// The cell of a world coordinate, truncated toward zero as the grid's origin is its corner;
	// clamped so that a box far outside cannot overflow.
	int CellOf(float coordinate, float origin, float tileWidth)
	{
		const double cell = (static_cast<double>(coordinate) - origin) / tileWidth;
		return static_cast<int>(std::clamp(cell, -1.0, 1e6));
	}

	// Columns of the border that regions, contours and polygons do without: they keep the border
	// out of every region and read no span beyond its innermost column, so a field cut down to
	// that column gives the same polygons for half the columns of a default tile.
	int BorderColumnsCut(const rcConfig& config)
	{
		return std::max(0, config.borderSize - 1);
	}

	void RemoveTileAt(dtNavMesh& navMesh, int x, int z)
	{
		if (const dtTileRef ref = navMesh.getTileRefAt(x, z, 0); ref != 0)
			navMesh.removeTile(ref, nullptr, nullptr);
	}
}

NavMeshTileCache::NavMeshTileCache(const rcConfig& buildConfig) : config(buildConfig)
{
	agentHeight = static_cast<float>(config.walkableHeight) * config.ch;
	agentRadius = static_cast<float>(config.walkableRadius) * config.cs;
	agentClimb = static_cast<float>(config.walkableClimb) * config.ch;
}

NavMeshTileCache::~NavMeshTileCache() = default;

void NavMeshTileCache::Clear()
{
	rows.clear();
	decoded.clear();
	tileCount = 0;
	buffer.clear();
	buffer.shrink_to_fit();
}

void NavMeshTileCache::AddTile(std::unique_ptr<CachedTile> tile)
{
	const auto x = static_cast<std::size_t>(tile->x);
	const auto z = static_cast<std::size_t>(tile->z);
	if (rows.size() < z + 1)
		rows.resize(z + 1);
	if (rows[z].size() < x + 1)
		rows[z].resize(x + 1);
	rows[z][x] = std::move(tile);
	++tileCount;
}

CachedTile* NavMeshTileCache::GetTile(int x, int z) const
{
	if (x < 0 || z < 0 || static_cast<std::size_t>(z) >= rows.size() || static_cast<std::size_t>(x) >= rows[static_cast<std::size_t>(z)].size())
		return nullptr;
	return rows[static_cast<std::size_t>(z)][static_cast<std::size_t>(x)].get();
}

std::vector<CachedTile*> NavMeshTileCache::TilesOverlapping(const float* bmin, const float* bmax) const
{
	std::vector<CachedTile*> tiles;
	const float tileWidth = static_cast<float>(config.tileSize) * config.cs;
	if (!std::isfinite(bmin[0]) || !std::isfinite(bmin[2]) || !std::isfinite(bmax[0]) || !std::isfinite(bmax[2]))
		return tiles;
	const int x0 = CellOf(bmin[0], config.bmin[0], tileWidth);
	const int x1 = CellOf(bmax[0], config.bmin[0], tileWidth);
	const int z0 = CellOf(bmin[2], config.bmin[2], tileWidth);
	const int z1 = std::min(CellOf(bmax[2], config.bmin[2], tileWidth), static_cast<int>(rows.size()) - 1);
	for (int z = std::max(z0, 0); z <= z1; ++z)
	{
		const int lastX = std::min(x1, static_cast<int>(rows[static_cast<std::size_t>(z)].size()) - 1);
		for (int x = std::max(x0, 0); x <= lastX; ++x)
			if (CachedTile* tile = GetTile(x, z))
				tiles.push_back(tile);
	}
	return tiles;
}

bool NavMeshTileCache::ReserveBuffer(int size)
{
	buffer.clear();
	buffer.shrink_to_fit();
	if (size < 0)
		return false;
	try
	{
		buffer.resize(static_cast<std::size_t>((size + kBufferGranule) / kBufferGranule * kBufferGranule));
	}
	catch (const std::bad_alloc&)
	{
		return false;
	}
	return true;
}

std::uint64_t NavMeshTileCache::Key(int x, int z)
{
	return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(z)) << 32) | static_cast<std::uint32_t>(x);
}

bool NavMeshTileCache::QueueTile(int x, int z)
{
	if (queued.insert(Key(x, z)).second)
		queue.emplace_back(x, z);
	return true;
}

void NavMeshTileCache::PopFront()
{
	queue.pop_front();
}

NavMeshTileCache::StageResult NavMeshTileCache::Decompress(const CachedTile* tile, TileBuild& build, NavBuildContext& context, bool keep)
{
	if (tile == nullptr || tile->data.empty() || buffer.empty())
		return StageResult::Failed;
	const std::uint64_t key = Key(tile->x, tile->z);
	if (KeptTile* kept = FindKept(key); kept != nullptr)
	{
		std::rotate(kept, kept + 1, decoded.data() + decoded.size());
		build.field = decoded.back().field.get();
		return StageResult::Next;
	}
	const int raw = LZ4_decompress_safe(reinterpret_cast<const char*>(tile->data.data()), reinterpret_cast<char*>(buffer.data()),
		static_cast<int>(tile->data.size()), static_cast<int>(buffer.size()));
	std::string fault = raw == tile->rawSize ? CheckLeanHeightfield(buffer.data(), static_cast<std::size_t>(raw), config.width, config.height)
											 : "it decompresses to " + std::to_string(raw) + " bytes, not " + std::to_string(tile->rawSize);
	if (!fault.empty())
	{
		tw::Diagnostics::Report("Navigation tile (" + std::to_string(tile->x) + ", " + std::to_string(tile->z) +
			"): the cached heightfield is damaged (" + fault + "); the tile is not rebuilt");
		return StageResult::Failed;
	}
	auto field = std::make_unique<DecodedTileField>();
	if (!field->Decode(&context, config.walkableHeight, config.walkableClimb, BorderColumnsCut(config), buffer.data()))
		return StageResult::Failed;
	build.field = field.get();
	if (!keep)
	{
		build.ownField = std::move(field);
		return StageResult::Next;
	}
	if (decoded.size() == kDecodedFieldsKept)
		decoded.erase(decoded.begin());
	decoded.push_back({key, std::move(field), {}});
	return StageResult::Next;
}

NavMeshTileCache::KeptTile* NavMeshTileCache::FindKept(std::uint64_t key)
{
	const auto kept = std::find_if(decoded.begin(), decoded.end(), [key](const KeptTile& entry) { return entry.key == key; });
	return kept == decoded.end() ? nullptr : &*kept;
}

NavMeshTileCache::StageResult NavMeshTileCache::RunStage(int stageIndex, CachedTile* tile, TileBuild& build, NavBuildContext& context, bool keep)
{
	rcCompactHeightfield& compact = build.inside.Field();
	switch (stageIndex)
	{
	case kDecompress:
		build.ownField.reset();
		build.field = nullptr;
		build.contours.reset();
		build.polyMesh.reset();
		build.unobstructed.clear();
		build.markedObstacles = false;
		return Decompress(tile, build, context, keep);
	case kMarkAndErode:
	{
		// Obstacles go in before the erosion, so the agent radius stays clear around them too.
		std::vector<MarkedBox> boxes;
		for (const TempObstacle* obstacle : tile->obstacles)
			boxes.push_back({obstacle->bmin, obstacle->bmax});
		build.markedObstacles = !boxes.empty();
		build.field->MarkAndErode(&context, boxes, config.walkableRadius, build.work);
		build.field->CutInside(build.work.Field(), build.inside);
		return StageResult::Next;
	}
	case kRegions:
		return rcBuildRegionsMonotone(&context, compact, config.borderSize - BorderColumnsCut(config), config.minRegionArea, config.mergeRegionArea)
			? StageResult::Next
			: StageResult::Failed;
	case kContours:
		build.contours.reset(rcAllocContourSet());
		if (build.contours == nullptr ||
			!rcBuildContours(&context, compact, config.maxSimplificationError, config.maxEdgeLen, *build.contours))
			return StageResult::Failed;
		return build.contours->nconts == 0 ? StageResult::Empty : StageResult::Next;
	default:
		build.polyMesh.reset(rcAllocPolyMesh());
		if (build.polyMesh == nullptr || !rcBuildPolyMesh(&context, *build.contours, config.maxVertsPerPoly, *build.polyMesh))
			return StageResult::Failed;
		return build.polyMesh->npolys == 0 ? StageResult::Empty : StageResult::Next;
	}
}

NavTileData NavMeshTileCache::CreateTileData(const CachedTile& tile, rcPolyMesh& polyMesh) const
{
	// The contour step has already taken the border off: the vertices run from 0 to tileSize.
	for (int i = 0; i < polyMesh.npolys; ++i)
		polyMesh.flags[i] = polyMesh.areas[i] == RC_WALKABLE_AREA ? kWalkableFlag : 0;
	dtNavMeshCreateParams params{};
	params.verts = polyMesh.verts;
	params.vertCount = polyMesh.nverts;
	params.polys = polyMesh.polys;
	params.polyFlags = polyMesh.flags;
	params.polyAreas = polyMesh.areas;
	params.polyCount = polyMesh.npolys;
	params.nvp = polyMesh.nvp;
	params.walkableHeight = agentHeight;
	params.walkableRadius = agentRadius;
	params.walkableClimb = agentClimb;
	params.tileX = tile.x;
	params.tileY = tile.z;
	std::copy(tile.bmin, tile.bmin + 3, params.bmin);
	std::copy(tile.bmax, tile.bmax + 3, params.bmax);
	// Floors sit up to a cell above the level's top once rasterised; with the level's top as the
	// tile's, Detour's queries would clip them away and find no polygon on a flat level. The
	// compact heightfield is raised by the same walkable height.
	params.bmax[1] += agentHeight;
	params.cs = config.cs;
	params.ch = config.ch;
	params.buildBvTree = true;
	NavTileData result;
	if (!dtCreateNavMeshData(&params, &result.data, &result.size))
	{
		tw::Diagnostics::Report("Navigation tile (" + std::to_string(tile.x) + ", " + std::to_string(tile.z) + "): Detour cannot take its " +
			std::to_string(polyMesh.npolys) + " polygons and " + std::to_string(polyMesh.nverts) + " vertices");
		return {};
	}
	return result;
}

NavTileData NavMeshTileCache::BuildTile(int x, int z, NavBuildContext& context)
{
	CachedTile* tile = GetTile(x, z);
	context.SetTile(x, z);
	TileBuild build;
	for (int stageIndex = kDecompress; stageIndex < kSwap; ++stageIndex)
		if (RunStage(stageIndex, tile, build, context, false) != StageResult::Next)
			return {};
	return CreateTileData(*tile, *build.polyMesh);
}

void NavMeshTileCache::Step(dtNavMesh& navMesh, NavBuildContext& context)
{
	const auto [x, z] = queue.front();
	context.SetTile(x, z);
	CachedTile* tile = GetTile(x, z);
	if (stage == kSwap)
	{
		stage = kFinished;
		SwapIn(navMesh, x, z, FrontTileData(*tile));
		return;
	}
	switch (RunStage(stage, tile, front, context, true))
	{
	case StageResult::Next:
		++stage;
		if (const KeptTile* kept = FindKept(Key(x, z)); stage == kMarkAndErode && tile->obstacles.empty() && kept != nullptr)
			if (!kept->unobstructed.empty())
			{
				front.unobstructed = kept->unobstructed;
				stage = kSwap;
			}
		return;
	case StageResult::Failed:
		stage = kFinished;
		return;
	case StageResult::Empty:
		// A tile left empty is removed: keeping the one from before the obstacle would let
		// characters walk through a crate that covers the whole tile.
		RemoveTileAt(navMesh, x, z);
		stage = kFinished;
		return;
	}
}

NavTileData NavMeshTileCache::FrontTileData(const CachedTile& tile)
{
	if (!front.unobstructed.empty())
	{
		NavTileData copy{static_cast<unsigned char*>(dtAlloc(front.unobstructed.size(), DT_ALLOC_PERM)), static_cast<int>(front.unobstructed.size())};
		if (copy.data != nullptr)
			std::copy(front.unobstructed.begin(), front.unobstructed.end(), copy.data);
		return copy;
	}
	const NavTileData made = CreateTileData(tile, *front.polyMesh);
	// Copied before the mesh takes the data: adding a tile writes its links into it. Kept as the
	// unobstructed form only from a build that marked no obstacle: a tile whose obstacle goes
	// during its rebuild has none at the swap yet still carries the hole, which every later rebuild
	// would otherwise bring back.
	if (KeptTile* kept = FindKept(Key(tile.x, tile.z)); kept != nullptr && made.data != nullptr && !front.markedObstacles)
		kept->unobstructed.assign(made.data, made.data + made.size);
	return made;
}

bool NavMeshTileCache::SwapIn(dtNavMesh& navMesh, int x, int z, NavTileData data)
{
	if (data.data == nullptr)
		return false;
	RemoveTileAt(navMesh, x, z);
	if (dtStatusSucceed(navMesh.addTile(data.data, data.size, DT_TILE_FREE_DATA, 0, nullptr)))
		return true;
	const auto* header = reinterpret_cast<const dtMeshHeader*>(data.data);
	tw::Diagnostics::Report("Navigation tile (" + std::to_string(x) + ", " + std::to_string(z) + "): the navigation mesh refuses its " +
		std::to_string(header->polyCount) + " polygons");
	dtFree(data.data);
	return false;
}

void NavMeshTileCache::Update(dtNavMesh& navMesh)
{
	if (queue.empty() || buffer.empty())
		return;
	const std::uint32_t start = GetElapsedMilliseconds();
	NavBuildContext context;
	while (!queue.empty())
	{
		if (stage == kFinished)
		{
			PopFront();
			stage = kDecompress;
			if (queue.empty())
				return;
		}
		// A cell leaves the queued set once its rebuild begins, so an obstacle that comes or goes
		// after its obstacles are marked queues it again; refused while the rebuild runs, that
		// change would be lost.
		if (stage == kDecompress)
			queued.erase(Key(queue.front().first, queue.front().second));
		Step(navMesh, context);
		if (GetElapsedMilliseconds() - start > kBudgetMilliseconds)
			return;
	}
}
