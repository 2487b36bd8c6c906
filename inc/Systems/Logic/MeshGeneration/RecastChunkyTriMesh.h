// The chunky triangle mesh: the level's triangles grouped into a bounding-box tree of chunks, so
// that each navigation tile build rasterises only the triangles near the tile. Built once per level
// by the Logic system's navigation build, queried once per tile.
#pragma once

#include <vector>

struct rcChunkyTriMeshNode
{
	// x and z of the node's bounds.
	float bmin[2];
	float bmax[2];
	// A leaf (i >= 0): its triangles start at tris[3 * i], n of them. An inner node (i < 0): -i is
	// the node count of its subtree, itself included, the distance to the next node not below it.
	int i;
	int n;
};

struct rcChunkyTriMesh
{
	// Depth-first order.
	std::vector<rcChunkyTriMeshNode> nodes;
	int nnodes = 0;
	// The index triples, reordered so that each leaf's triangles are contiguous.
	std::vector<int> tris;
	int ntris = 0;
	int maxTrisPerChunk = 0;
};

// Fills the mesh from ntris index triples into verts (x, y, z each); false when out of memory.
bool rcCreateChunkyTriMesh(const float* verts, const int* tris, int ntris, int trisPerChunk, rcChunkyTriMesh* mesh);

// Writes the node indices of the leaves whose x-z bounds meet the rectangle (touching borders
// count), at most maxIds of them; returns their count.
int rcGetChunksOverlappingRect(const rcChunkyTriMesh* mesh, const float bmin[2], const float bmax[2], int* ids, int maxIds);
