#include "Systems/Logic/NavMeshBuild.h"

#include "Systems/Logic/MeshGeneration/LeanHeightfield.h"
#include "Systems/Logic/NavBuildContext.h"
#include "Utilities/Diagnostics.h"

#include <lz4.h>
#include <recastnavigation/DetourNavMesh.h>
#include <recastnavigation/DetourNavMeshQuery.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <unordered_set>

namespace
{
	// At most this many chunks are rasterised into one tile.
	constexpr int kMaxChunkIds = 512;
	constexpr int kQueryNodes = 2048;
	// Bits of a 32-bit polygon reference left to tile and polygon indices after 10 bits of salt.
	constexpr int kTileAndPolyBits = 22;

	// Tiles over an extent: cells taken upwards, so geometry past the last whole tile keeps a
	// column of its own.
	double TileCount(float minimum, float maximum, const rcConfig& config)
	{
		const double cells = std::ceil((static_cast<double>(maximum) - minimum) / config.cs);
		return std::ceil(cells / config.tileSize);
	}

	// Far from the origin a float steps by more than a fraction of a cell, and Recast's clipping of
	// a triangle to the cells then writes past its fixed buffers: each cell spans at least this many
	// float steps at the level's farthest coordinate.
	constexpr float kFloatStepsPerCell = 64.0f;

	bool CellsResolvable(const LevelGeometry& geometry, const rcConfig& config)
	{
		float farthest = 0.0f;
		for (int axis = 0; axis < 3; ++axis)
			farthest = std::max({farthest, std::fabs(geometry.bmin[axis]), std::fabs(geometry.bmax[axis])});
		return farthest * std::numeric_limits<float>::epsilon() * kFloatStepsPerCell <= std::min(config.cs, config.ch);
	}

	// A triangle's corners bit for bit, from its lowest corner on in its turning order.
	struct TriangleKey
	{
		std::array<std::uint32_t, 9> bits;

		bool operator==(const TriangleKey&) const = default;
	};

	struct TriangleKeyHash
	{
		std::size_t operator()(const TriangleKey& key) const
		{
			std::uint64_t mixed = 0;
			for (std::uint32_t word : key.bits)
				mixed = (mixed ^ word) * 0x9E3779B97F4A7C15ull;
			return static_cast<std::size_t>(mixed ^ (mixed >> 32));
		}
	};

	TriangleKey TriangleKeyOf(const LevelGeometry& geometry, const int* corners)
	{
		std::array<std::array<std::uint32_t, 3>, 3> points;
		for (int corner = 0; corner < 3; ++corner)
			std::memcpy(points[corner].data(), &geometry.vertices[static_cast<std::size_t>(corners[corner]) * 3], sizeof points[corner]);
		const auto first = std::min_element(points.begin(), points.end()) - points.begin();
		TriangleKey key{};
		for (int corner = 0; corner < 3; ++corner)
			std::copy(points[(first + corner) % 3].begin(), points[(first + corner) % 3].end(), key.bits.begin() + corner * 3);
		return key;
	}

	std::string GeometryExtent(const LevelGeometry& geometry)
	{
		std::ostringstream text;
		text << "(" << geometry.bmin[0] << ", " << geometry.bmin[1] << ", " << geometry.bmin[2] << ") to (" << geometry.bmax[0] << ", "
			 << geometry.bmax[1] << ", " << geometry.bmax[2] << ")";
		return text.str();
	}
}

void Navigation::NavMeshDeleter::operator()(dtNavMesh* navMesh) const
{
	dtFreeNavMesh(navMesh);
}

void Navigation::NavQueryDeleter::operator()(dtNavMeshQuery* query) const
{
	dtFreeNavMeshQuery(query);
}

void LevelGeometry::Append(const std::vector<Tuple3f>& newVertices, const std::vector<IndexTriple>& newTriangles, const std::string& owner)
{
	const int first = VertexCount();
	// The level index of each new vertex; -1 for a skipped one.
	std::vector<int> index(newVertices.size(), -1);
	int kept = 0;
	for (std::size_t i = 0; i < newVertices.size(); ++i)
	{
		const Tuple3f& vertex = newVertices[i];
		if (!std::isfinite(vertex.x) || !std::isfinite(vertex.y) || !std::isfinite(vertex.z))
			continue;
		index[i] = first + kept++;
		for (int axis = 0; axis < 3; ++axis)
		{
			const float value = vertex[axis];
			vertices.push_back(value);
			bmin[axis] = std::min(bmin[axis], value);
			bmax[axis] = std::max(bmax[axis], value);
		}
	}
	std::size_t dropped = 0;
	for (const IndexTriple& triangle : newTriangles)
	{
		const unsigned corners[3] = {triangle.a, triangle.b, triangle.c};
		if (std::any_of(corners, corners + 3, [&](unsigned corner) { return corner >= index.size() || index[corner] < 0; }))
		{
			++dropped;
			continue;
		}
		for (unsigned corner : corners)
			triangles.push_back(index[corner]);
	}
	if (kept != static_cast<int>(newVertices.size()) || dropped > 0)
		tw::Diagnostics::Report("Navigation: \"" + owner + "\" has " + std::to_string(newVertices.size() - static_cast<std::size_t>(kept)) +
			" vertices that are not finite; " + std::to_string(dropped) + " of its triangles are left out of the navigation mesh");
}

std::vector<int> DistinctTriangles(const LevelGeometry& geometry)
{
	std::vector<int> distinct;
	distinct.reserve(geometry.triangles.size());
	std::unordered_set<TriangleKey, TriangleKeyHash> seen;
	seen.reserve(static_cast<std::size_t>(geometry.TriangleCount()));
	for (std::size_t first = 0; first < geometry.triangles.size(); first += 3)
	{
		const int* corners = &geometry.triangles[first];
		if (seen.insert(TriangleKeyOf(geometry, corners)).second)
			distinct.insert(distinct.end(), corners, corners + 3);
	}
	return distinct;
}

void TileBounds(const rcConfig& config, int x, int z, float* bmin, float* bmax)
{
	const float tileWidth = static_cast<float>(config.tileSize) * config.cs;
	bmin[0] = config.bmin[0] + static_cast<float>(x) * tileWidth;
	bmin[1] = config.bmin[1];
	bmin[2] = config.bmin[2] + static_cast<float>(z) * tileWidth;
	bmax[0] = config.bmin[0] + static_cast<float>(x + 1) * tileWidth;
	bmax[1] = config.bmax[1];
	bmax[2] = config.bmin[2] + static_cast<float>(z + 1) * tileWidth;
}

HeightfieldPtr RasteriseTile(const rcConfig& config, const rcChunkyTriMesh& chunkyMesh, const LevelGeometry& geometry, int x, int z,
	NavBuildContext& context, int& triCount)
{
	context.SetTile(x, z);
	float bmin[3];
	float bmax[3];
	TileBounds(config, x, z, bmin, bmax);
	const float border = static_cast<float>(config.borderSize) * config.cs;
	bmin[0] -= border;
	bmin[2] -= border;
	bmax[0] += border;
	bmax[2] += border;
	HeightfieldPtr solid(rcAllocHeightfield());
	if (solid == nullptr)
	{
		context.log(RC_LOG_ERROR, "buildNavigation: Out of memory 'solid'.");
		return nullptr;
	}
	if (!rcCreateHeightfield(&context, *solid, config.width, config.height, bmin, bmax, config.cs, config.ch))
	{
		context.log(RC_LOG_ERROR, "buildNavigation: Could not create solid heightfield.");
		return nullptr;
	}
	std::vector<unsigned char> areas(static_cast<std::size_t>(chunkyMesh.maxTrisPerChunk));
	const float rectMin[2] = {bmin[0], bmin[2]};
	const float rectMax[2] = {bmax[0], bmax[2]};
	int chunkIds[kMaxChunkIds];
	const int chunkCount = rcGetChunksOverlappingRect(&chunkyMesh, rectMin, rectMax, chunkIds, kMaxChunkIds);
	if (chunkCount == 0)
		return nullptr;
	const float* vertices = geometry.vertices.data();
	for (int chunk = 0; chunk < chunkCount; ++chunk)
	{
		const rcChunkyTriMeshNode& node = chunkyMesh.nodes[static_cast<std::size_t>(chunkIds[chunk])];
		const int* triangles = &chunkyMesh.tris[static_cast<std::size_t>(node.i) * 3];
		triCount += node.n;
		std::fill_n(areas.begin(), node.n, 0);
		rcMarkWalkableTriangles(&context, config.walkableSlopeAngle, vertices, geometry.VertexCount(), triangles, node.n, areas.data());
		if (!rcRasterizeTriangles(&context, vertices, geometry.VertexCount(), triangles, areas.data(), node.n, *solid, config.walkableClimb))
			return nullptr;
	}
	rcFilterLowHangingWalkableObstacles(&context, config.walkableClimb, *solid);
	rcFilterLedgeSpans(&context, config.walkableHeight, config.walkableClimb, *solid);
	rcFilterWalkableLowHeightSpans(&context, config.walkableHeight, *solid);
	return solid;
}

std::unique_ptr<CachedTile> BuildNavigation(const rcConfig& config, const rcChunkyTriMesh& chunkyMesh, const LevelGeometry& geometry,
	int x, int z, NavBuildContext& context)
{
	auto tile = std::make_unique<CachedTile>();
	tile->x = x;
	tile->z = z;
	TileBounds(config, x, z, tile->bmin, tile->bmax);
	const HeightfieldPtr solid = RasteriseTile(config, chunkyMesh, geometry, x, z, context, tile->triCount);
	if (solid == nullptr || rcGetHeightFieldSpanCount(&context, *solid) == 0)
		return nullptr;
	const std::vector<unsigned char> lean = rcBuildLeanHeightfield(&context, *solid, config.walkableHeight);
	if (lean.empty())
		return tile;
	const int rawSize = static_cast<int>(lean.size());
	tile->data.resize(static_cast<std::size_t>(LZ4_compressBound(rawSize)));
	const int compressed = LZ4_compress_default(reinterpret_cast<const char*>(lean.data()), reinterpret_cast<char*>(tile->data.data()),
		rawSize, static_cast<int>(tile->data.size()));
	if (compressed <= 0)
	{
		context.log(RC_LOG_ERROR, "buildNavigation: Could not compress the heightfield (%d bytes).", rawSize);
		tile->data.clear();
		return tile;
	}
	tile->data.resize(static_cast<std::size_t>(compressed));
	tile->data.shrink_to_fit();
	tile->rawSize = rawSize;
	tile->compressedSize = compressed;
	return tile;
}

bool BuildNavMesh(rcConfig& config, const LevelGeometry& geometry, Navigation& navigation)
{
	navigation = Navigation{};
	std::copy(geometry.bmin, geometry.bmin + 3, config.bmin);
	std::copy(geometry.bmax, geometry.bmax + 3, config.bmax);
	// A flat extent still has a row or column of tiles: a zero count must not let the other pass.
	const double tilesX = std::max(1.0, TileCount(geometry.bmin[0], geometry.bmax[0], config));
	const double tilesZ = std::max(1.0, TileCount(geometry.bmin[2], geometry.bmax[2], config));
	// A box far away must not make the game allocate billions of cells.
	if (!(tilesX * tilesZ <= kMaxNavTiles))
	{
		tw::Diagnostics::Report("Navigation: the level's static geometry spans " + GeometryExtent(geometry) + ", " + std::to_string(tilesX) +
			" x " + std::to_string(tilesZ) + " tiles, more than " + std::to_string(kMaxNavTiles) + "; no navigation mesh is built");
		return false;
	}
	if (!CellsResolvable(geometry, config))
	{
		tw::Diagnostics::Report("Navigation: the level's static geometry spans " + GeometryExtent(geometry) +
			", too far from the origin for its cells; no navigation mesh is built");
		return false;
	}
	navigation.tilesX = static_cast<int>(tilesX);
	navigation.tilesZ = static_cast<int>(tilesZ);
	navigation.tileCache = std::make_unique<NavMeshTileCache>(config);
	navigation.chunkyMesh = std::make_unique<rcChunkyTriMesh>();
	const std::vector<int> triangles = DistinctTriangles(geometry);
	const int triangleCount = static_cast<int>(triangles.size() / 3);
	if (!rcCreateChunkyTriMesh(geometry.vertices.data(), triangles.data(), triangleCount, kTrisPerChunk, navigation.chunkyMesh.get()))
	{
		tw::Diagnostics::Report("Navigation: out of memory grouping " + std::to_string(triangleCount) + " triangles");
		navigation = Navigation{};
		return false;
	}
	// Tile and polygon bits sized to the level, keeping 10 bits of salt in a 32-bit reference:
	// fixed counts would drop the tiles of large levels or the polygons of detailed tiles.
	const auto tileCount = static_cast<unsigned>(navigation.tilesX * navigation.tilesZ);
	const int tileBits = std::min(14, static_cast<int>(std::bit_width(tileCount - 1)));
	dtNavMeshParams params{};
	std::copy(config.bmin, config.bmin + 3, params.orig);
	params.tileWidth = params.tileHeight = static_cast<float>(config.tileSize) * config.cs;
	params.maxTiles = 1 << tileBits;
	params.maxPolys = 1 << (kTileAndPolyBits - tileBits);
	navigation.navMesh.reset(dtAllocNavMesh());
	navigation.navQuery.reset(dtAllocNavMeshQuery());
	if (navigation.navMesh == nullptr || navigation.navQuery == nullptr || dtStatusFailed(navigation.navMesh->init(&params)) ||
		dtStatusFailed(navigation.navQuery->init(navigation.navMesh.get(), kQueryNodes)))
	{
		tw::Diagnostics::Report("Navigation: the navigation mesh of " + std::to_string(tileCount) + " tiles cannot be made");
		navigation = Navigation{};
		return false;
	}
	NavBuildContext context;
	int largestRaw = 0;
	for (int z = 0; z < navigation.tilesZ; ++z)
		for (int x = 0; x < navigation.tilesX; ++x)
			if (std::unique_ptr<CachedTile> tile = BuildNavigation(config, *navigation.chunkyMesh, geometry, x, z, context))
			{
				largestRaw = std::max(largestRaw, tile->rawSize);
				navigation.tileCache->AddTile(std::move(tile));
			}
	navigation.tileCache->ReserveBuffer(largestRaw);
	for (int z = 0; z < navigation.tilesZ; ++z)
		for (int x = 0; x < navigation.tilesX; ++x)
			NavMeshTileCache::SwapIn(*navigation.navMesh, x, z, navigation.tileCache->BuildTile(x, z, context));
	return true;
}
