// The navigation build of a level: the triangles of its static colliders, cut into square tiles,
// each rasterised, filtered, kept as a compressed lean heightfield in the tile cache and built into
// a Detour navigation mesh tile. The Logic system runs it when a level has loaded.
#pragma once

#include "Systems/Logic/MeshGeneration/RecastChunkyTriMesh.h"
#include "Systems/Logic/NavMeshTileCache.h"
#include "Systems/Physics/Collider.h"
#include "Utilities/Tuple.h"

#include <recastnavigation/Recast.h>

#include <memory>
#include <string>
#include <vector>

class dtNavMesh;
class dtNavMeshQuery;
class NavBuildContext;

// The level's triangles as the build takes them, in world space.
class LevelGeometry
{
public:
	// Appends a collider's triangles. Vertices that are not finite are skipped with the triangles
	// on them, and so are triangles with an index past the vertices; one diagnostic names the owner.
	void Append(const std::vector<Tuple3f>& vertices, const std::vector<IndexTriple>& triangles, const std::string& owner);
	bool Empty() const { return triangles.empty(); }
	int VertexCount() const { return static_cast<int>(vertices.size() / 3); }
	int TriangleCount() const { return static_cast<int>(triangles.size() / 3); }

	// x, y, z of each vertex.
	std::vector<float> vertices;
	// Three vertex indices per triangle.
	std::vector<int> triangles;
	// Bounds of the vertices; inverted while there are none.
	float bmin[3] = {1e12f, 1e12f, 1e12f};
	float bmax[3] = {-1e12f, -1e12f, -1e12f};
};

// What a build leaves for the level: the Logic system owns it.
struct Navigation
{
	struct NavMeshDeleter
	{
		void operator()(dtNavMesh* navMesh) const;
	};
	struct NavQueryDeleter
	{
		void operator()(dtNavMeshQuery* query) const;
	};

	std::unique_ptr<rcChunkyTriMesh> chunkyMesh;
	std::unique_ptr<NavMeshTileCache> tileCache;
	std::unique_ptr<dtNavMesh, NavMeshDeleter> navMesh;
	std::unique_ptr<dtNavMeshQuery, NavQueryDeleter> navQuery;
	// The tile grid.
	int tilesX = 0;
	int tilesZ = 0;
};

// Levels wider than this many tiles get no navigation mesh: a tile reference keeps 10 bits of
// salt and at least 8 of polygon index.
constexpr int kMaxNavTiles = 1 << 14;
// Triangles per chunk of the chunky mesh.
constexpr int kTrisPerChunk = 256;

// Builds the level's navigation from the geometry with the configuration (whose bmin and bmax it
// takes from the geometry); false, with a diagnostic naming why, when the grid is too large or the
// mesh cannot be made. Every tile that fails is reported and skipped.
bool BuildNavMesh(rcConfig& config, const LevelGeometry& geometry, Navigation& navigation);

struct HeightfieldDeleter
{
	void operator()(rcHeightfield* field) const { rcFreeHeightField(field); }
};
using HeightfieldPtr = std::unique_ptr<rcHeightfield, HeightfieldDeleter>;

// The geometry's triangles (three vertex indices each) without copies, first copies in their
// order. A collision mesh may hold thousands of copies of one triangle, each of which would be
// rasterised again into every tile it touches for the same spans. A copy has the same corners bit
// for bit in the same turning order, from whichever corner; a triangle turned the other way faces
// the other side and is kept.
std::vector<int> DistinctTriangles(const LevelGeometry& geometry);

// The grid cell's bounds without its border: the level's whole height.
void TileBounds(const rcConfig& config, int x, int z, float* bmin, float* bmax);

// The level's triangles near the grid cell rasterised into a heightfield over the cell and its
// border, and filtered; null when no triangle is near or Recast fails (logged). Adds the
// triangles rasterised to triCount.
HeightfieldPtr RasteriseTile(const rcConfig& config, const rcChunkyTriMesh& chunkyMesh, const LevelGeometry& geometry, int x, int z,
	NavBuildContext& context, int& triCount);

// The cached tile at the grid cell: its rasterised, filtered spans as a compressed lean
// heightfield; null for a cell without walkable ground.
std::unique_ptr<CachedTile> BuildNavigation(const rcConfig& config, const rcChunkyTriMesh& chunkyMesh, const LevelGeometry& geometry,
	int x, int z, NavBuildContext& context);
