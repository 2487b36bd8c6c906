// Fuzzes the navigation build from level triangles: the input gives vertices (any float bits:
// NaN, infinities and huge values included) and index triples (any value). Whatever the soup,
// the build must refuse or finish, and a box obstacle over it must rebuild its tiles.
#include "Systems/Logic/NavBuildContext.h"
#include "Systems/Logic/NavMeshBuild.h"
#include "Systems/Logic/ObstacleSet.h"

#include <recastnavigation/DetourNavMesh.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	if (size < 2)
		return 0;
	const std::size_t vertexCount = data[0] % 32;
	const std::size_t triangleCount = data[1] % 32;
	std::size_t at = 2;
	std::vector<Tuple3f> vertices;
	for (std::size_t i = 0; i < vertexCount && at + 12 <= size; ++i, at += 12)
	{
		float xyz[3];
		std::memcpy(xyz, data + at, sizeof(xyz));
		vertices.emplace_back(xyz[0], xyz[1], xyz[2]);
	}
	std::vector<IndexTriple> triangles;
	for (std::size_t i = 0; i < triangleCount && at + 3 <= size; ++i, at += 3)
		triangles.push_back({data[at] % 40u, data[at + 1] % 40u, data[at + 2] % 40u});
	LevelGeometry geometry;
	geometry.Append(vertices, triangles, "Fuzz");
	if (geometry.Empty())
		return 0;
	// Large cells keep the grid of a soup spread wide small enough to build quickly.
	rcConfig config{};
	config.cs = 2.0f;
	config.ch = 0.5f;
	config.walkableSlopeAngle = 45.0f;
	config.walkableHeight = 4;
	config.walkableClimb = 2;
	config.walkableRadius = 1;
	config.maxEdgeLen = 12;
	config.maxSimplificationError = 1.3f;
	config.minRegionArea = 2;
	config.mergeRegionArea = 8;
	config.maxVertsPerPoly = 3;
	config.tileSize = 16;
	config.borderSize = config.walkableRadius + 3;
	config.width = config.height = config.tileSize + 2 * config.borderSize;
	Navigation navigation;
	if (!BuildNavMesh(config, geometry, navigation) || navigation.tilesX * navigation.tilesZ > 64)
		return 0;
	const float box[6] = {geometry.bmin[0], geometry.bmin[1], geometry.bmin[2], (geometry.bmin[0] + geometry.bmax[0]) / 2, geometry.bmax[1],
		(geometry.bmin[2] + geometry.bmax[2]) / 2};
	ObstacleSet obstacles;
	TempObstacle& obstacle = obstacles.Insert(1, box);
	for (CachedTile* tile : navigation.tileCache->TilesOverlapping(box, box + 3))
	{
		obstacle.Attach(*tile);
		navigation.tileCache->QueueTile(tile->x, tile->z);
	}
	for (int update = 0; update < 1000 && navigation.tileCache->GetQueueLength() > 0; ++update)
		navigation.tileCache->Update(*navigation.navMesh);
	obstacles.Clear();
	return 0;
}
