#include "Systems/Logic/MeshGeneration/RecastChunkyTriMesh.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace
{
	struct BoundsItem
	{
		float bmin[2];
		float bmax[2];
		int i;
	};

	int compareItemX(const void* va, const void* vb)
	{
		const float a = static_cast<const BoundsItem*>(va)->bmin[0];
		const float b = static_cast<const BoundsItem*>(vb)->bmin[0];
		return a < b ? -1 : (a > b ? 1 : 0);
	}

	int compareItemY(const void* va, const void* vb)
	{
		const float a = static_cast<const BoundsItem*>(va)->bmin[1];
		const float b = static_cast<const BoundsItem*>(vb)->bmin[1];
		return a < b ? -1 : (a > b ? 1 : 0);
	}

	void calcExtends(const BoundsItem* items, int imin, int imax, float* bmin, float* bmax)
	{
		bmin[0] = items[imin].bmin[0];
		bmin[1] = items[imin].bmin[1];
		bmax[0] = items[imin].bmax[0];
		bmax[1] = items[imin].bmax[1];
		for (int i = imin + 1; i < imax; ++i)
		{
			const BoundsItem& it = items[i];
			bmin[0] = std::min(bmin[0], it.bmin[0]);
			bmin[1] = std::min(bmin[1], it.bmin[1]);
			bmax[0] = std::max(bmax[0], it.bmax[0]);
			bmax[1] = std::max(bmax[1], it.bmax[1]);
		}
	}

	struct Subdivision
	{
		BoundsItem* items;
		int trisPerChunk;
		const int* inTris;
		rcChunkyTriMesh& mesh;
		int curTri = 0;

		void Subdivide(int imin, int imax)
		{
			if (mesh.nnodes >= static_cast<int>(mesh.nodes.size()))
				return;
			const int icur = mesh.nnodes;
			rcChunkyTriMeshNode& node = mesh.nodes[static_cast<std::size_t>(mesh.nnodes++)];
			calcExtends(items, imin, imax, node.bmin, node.bmax);
			const int inum = imax - imin;
			if (inum <= trisPerChunk)
			{
				node.i = curTri;
				node.n = inum;
				for (int i = imin; i < imax; ++i)
				{
					const int* src = &inTris[items[i].i * 3];
					std::copy(src, src + 3, &mesh.tris[static_cast<std::size_t>(curTri) * 3]);
					++curTri;
				}
				return;
			}
			// Split along the longer side, so chunks stay about square.
			const bool alongZ = node.bmax[1] - node.bmin[1] > node.bmax[0] - node.bmin[0];
			std::qsort(items + imin, static_cast<std::size_t>(inum), sizeof(BoundsItem), alongZ ? compareItemY : compareItemX);
			const int isplit = imin + inum / 2;
			Subdivide(imin, isplit);
			Subdivide(isplit, imax);
			mesh.nodes[static_cast<std::size_t>(icur)].i = -(mesh.nnodes - icur);
		}
	};

	bool checkOverlapRect(const float amin[2], const float amax[2], const float bmin[2], const float bmax[2])
	{
		return amin[0] <= bmax[0] && amax[0] >= bmin[0] && amin[1] <= bmax[1] && amax[1] >= bmin[1];
	}
}

bool rcCreateChunkyTriMesh(const float* verts, const int* tris, int ntris, int trisPerChunk, rcChunkyTriMesh* mesh)
{
	if (ntris < 0 || trisPerChunk < 1)
		return false;
	const int nchunks = (ntris + trisPerChunk - 1) / trisPerChunk;
	std::vector<BoundsItem> items;
	try
	{
		mesh->nodes.assign(static_cast<std::size_t>(nchunks) * 4, rcChunkyTriMeshNode{});
		mesh->tris.assign(static_cast<std::size_t>(ntris) * 3, 0);
		items.resize(static_cast<std::size_t>(ntris));
	}
	catch (const std::bad_alloc&)
	{
		return false;
	}
	mesh->ntris = ntris;
	mesh->nnodes = 0;
	for (int i = 0; i < ntris; ++i)
	{
		const int* t = &tris[i * 3];
		BoundsItem& it = items[static_cast<std::size_t>(i)];
		it.i = i;
		it.bmin[0] = it.bmax[0] = verts[t[0] * 3 + 0];
		it.bmin[1] = it.bmax[1] = verts[t[0] * 3 + 2];
		for (int j = 1; j < 3; ++j)
		{
			const float* v = &verts[t[j] * 3];
			it.bmin[0] = std::min(it.bmin[0], v[0]);
			it.bmin[1] = std::min(it.bmin[1], v[2]);
			it.bmax[0] = std::max(it.bmax[0], v[0]);
			it.bmax[1] = std::max(it.bmax[1], v[2]);
		}
	}
	if (ntris > 0)
		Subdivision{items.data(), trisPerChunk, tris, *mesh}.Subdivide(0, ntris);
	mesh->maxTrisPerChunk = 0;
	for (int i = 0; i < mesh->nnodes; ++i)
	{
		const rcChunkyTriMeshNode& node = mesh->nodes[static_cast<std::size_t>(i)];
		if (node.i >= 0)
			mesh->maxTrisPerChunk = std::max(mesh->maxTrisPerChunk, node.n);
	}
	return true;
}

int rcGetChunksOverlappingRect(const rcChunkyTriMesh* mesh, const float bmin[2], const float bmax[2], int* ids, int maxIds)
{
	int i = 0;
	int n = 0;
	while (i < mesh->nnodes)
	{
		const rcChunkyTriMeshNode& node = mesh->nodes[static_cast<std::size_t>(i)];
		const bool overlap = checkOverlapRect(bmin, bmax, node.bmin, node.bmax);
		const bool isLeafNode = node.i >= 0;
		if (isLeafNode && overlap && n < maxIds)
			ids[n++] = i;
		if (overlap || isLeafNode)
			++i;
		else
			i += -node.i;
	}
	return n;
}
