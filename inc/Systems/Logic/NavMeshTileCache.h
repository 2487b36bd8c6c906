// The navigation tile cache: for every tile of the level's navigation mesh, the tile's filtered
// walkable spans as a compressed lean heightfield, and the temporary obstacles over it. Queued
// tiles are rebuilt from there, without rasterising the level again, in stages between which a
// frame may end (5 ms of game time per frame), and swapped into the Detour mesh.
#pragma once

#include "Systems/Logic/MeshGeneration/DecodedTileField.h"
#include "Utilities/UnorderedVector.h"

#include <recastnavigation/Recast.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

class dtNavMesh;
class NavBuildContext;
struct TempObstacle;

struct CachedTile
{
	// Grid coordinates.
	int x = 0;
	int z = 0;
	// The tile's bounds without its border.
	float bmin[3]{};
	float bmax[3]{};
	int triCount = 0;
	// The LZ4-compressed lean heightfield; empty when none was built.
	std::vector<unsigned char> data;
	int compressedSize = 0;
	int rawSize = 0;
	// Not owned.
	tw::unordered_vector<TempObstacle*> obstacles;
};

// Detour tile data, allocated with dtAlloc, and its size.
struct NavTileData
{
	unsigned char* data = nullptr;
	int size = 0;
};

class NavMeshTileCache
{
public:
	// Rebuilding stops for the frame once this much game time has gone since the update began.
	static constexpr std::uint32_t kBudgetMilliseconds = 5;
	// The stage of a front entry that is finished.
	static constexpr int kFinished = -1;

	explicit NavMeshTileCache(const rcConfig& buildConfig);
	~NavMeshTileCache();
	NavMeshTileCache(const NavMeshTileCache&) = delete;
	NavMeshTileCache& operator=(const NavMeshTileCache&) = delete;

	// Releases every tile and the buffer; the queue and the rebuild in progress stay.
	void Clear();
	void AddTile(std::unique_ptr<CachedTile> tile);
	// Null outside the grid or for an empty cell.
	CachedTile* GetTile(int x, int z) const;
	// The tiles whose cells meet the box (min xyz, max xyz), rows outer.
	std::vector<CachedTile*> TilesOverlapping(const float* bmin, const float* bmax) const;
	int GetTileCount() const { return tileCount; }
	// The shared decompression buffer: (size + 512) rounded down to a multiple of 512 bytes.
	bool ReserveBuffer(int size);
	int GetBufferSize() const { return static_cast<int>(buffer.size()); }
	// Appends the cell unless it waits in the queue already; a cell whose rebuild has begun is
	// queued again, so that a change to its obstacles is not lost.
	bool QueueTile(int x, int z);
	std::size_t GetQueueLength() const { return queue.size(); }
	int GetStage() const { return stage; }
	// The whole rebuild of a tile at once, without touching a mesh: its Detour data or none.
	NavTileData BuildTile(int x, int z, NavBuildContext& context);
	// Puts the data in the cell's place in the mesh, which then owns it; a refusal is reported
	// with the cell and the polygon count, and the data freed.
	static bool SwapIn(dtNavMesh& navMesh, int x, int z, NavTileData data);
	// Advances the rebuild of the queued tiles within the frame's budget.
	void Update(dtNavMesh& navMesh);

	float agentHeight = 0.0f;
	float agentRadius = 0.0f;
	float agentClimb = 0.0f;

private:
	struct ContourDeleter
	{
		void operator()(rcContourSet* contours) const { rcFreeContourSet(contours); }
	};
	struct PolyMeshDeleter
	{
		void operator()(rcPolyMesh* mesh) const { rcFreePolyMesh(mesh); }
	};
	// A tile's intermediate results, kept between the stages of a rebuild; the working field's
	// arrays serve one tile after another.
	struct TileBuild
	{
		// The field decoded for this rebuild alone; or null, the field then kept by the cache.
		std::unique_ptr<DecodedTileField> ownField;
		const DecodedTileField* field = nullptr;
		ReusedCompactField work;
		// The working field without the outer columns of its border, which the later stages read.
		ReusedCompactField inside;
		std::unique_ptr<rcContourSet, ContourDeleter> contours;
		std::unique_ptr<rcPolyMesh, PolyMeshDeleter> polyMesh;
		// The tile's Detour data from an earlier rebuild without obstacles, when this one has
		// none either: swapped in as it is, the stages between skipped.
		std::vector<unsigned char> unobstructed;
		// Whether this rebuild marked any obstacle: the tile's list may have changed since.
		bool markedObstacles = false;
	};
	// A tile's field decoded by a rebuild, and what its rebuild without obstacles gave once there
	// has been one (its result, as the field and the settings do not change within a level).
	struct KeptTile
	{
		std::uint64_t key = 0;
		std::unique_ptr<DecodedTileField> field;
		std::vector<unsigned char> unobstructed;
	};
	enum class StageResult
	{
		Next,
		// No rebuild: the mesh keeps the tile it has.
		Failed,
		// Nothing walkable remains: the cell is emptied.
		Empty,
	};

	StageResult RunStage(int stageIndex, CachedTile* tile, TileBuild& build, NavBuildContext& context, bool keep);
	// Points the build at the tile's decoded field: kept from an earlier rebuild, or decoded now
	// and kept (`keep`) or owned by the build.
	StageResult Decompress(const CachedTile* tile, TileBuild& build, NavBuildContext& context, bool keep);
	NavTileData CreateTileData(const CachedTile& tile, rcPolyMesh& polyMesh) const;
	// The front entry's Detour data: kept from an earlier rebuild or made from its polygons, and
	// then kept when the tile has no obstacle.
	NavTileData FrontTileData(const CachedTile& tile);
	KeptTile* FindKept(std::uint64_t key);
	// Advances the front entry by one stage; the swap ends it.
	void Step(dtNavMesh& navMesh, NavBuildContext& context);
	void PopFront();
	static std::uint64_t Key(int x, int z);

	std::vector<std::vector<std::unique_ptr<CachedTile>>> rows;
	int tileCount = 0;
	std::vector<unsigned char> buffer;
	rcConfig config;
	std::deque<std::pair<int, int>> queue;
	// The cells waiting in the queue (not the one being rebuilt), to refuse a queued one without
	// walking the queue.
	std::unordered_set<std::uint64_t> queued;
	// The fields of the tiles rebuilt last, the most recent at the back: an obstacle's tiles are
	// rebuilt again when it goes.
	std::vector<KeptTile> decoded;
	int stage = 0;
	TileBuild front;
};
