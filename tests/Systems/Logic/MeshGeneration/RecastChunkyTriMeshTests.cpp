#include "Systems/Logic/MeshGeneration/RecastChunkyTriMesh.h"

#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace
{
	// Triangles of side 1 at random places in a 100 x 100 square; index i's vertices are 3i to 3i + 2.
	struct Soup
	{
		explicit Soup(int count)
		{
			tw::SeedRand(7);
			for (int i = 0; i < count; ++i)
			{
				const float x = static_cast<float>(tw::Rand() % 10000) / 100.0f;
				const float z = static_cast<float>(tw::Rand() % 10000) / 100.0f;
				vertices.insert(vertices.end(), {x, 0, z, x + 1, 0, z, x, 0, z + 1});
				tris.insert(tris.end(), {3 * i, 3 * i + 1, 3 * i + 2});
			}
		}
		rcChunkyTriMesh Build(int perChunk = 256) const
		{
			rcChunkyTriMesh mesh;
			EXPECT_TRUE(rcCreateChunkyTriMesh(vertices.data(), tris.data(), static_cast<int>(tris.size() / 3), perChunk, &mesh));
			return mesh;
		}
		std::vector<float> vertices;
		std::vector<int> tris;
	};

	std::vector<const rcChunkyTriMeshNode*> ChunkyLeaves(const rcChunkyTriMesh& mesh)
	{
		std::vector<const rcChunkyTriMeshNode*> leaves;
		for (int i = 0; i < mesh.nnodes; ++i)
			if (mesh.nodes[static_cast<std::size_t>(i)].i >= 0)
				leaves.push_back(&mesh.nodes[static_cast<std::size_t>(i)]);
		return leaves;
	}

	TEST(ChunkyTriMesh, UpTo256TrianglesMakeOneLeaf)
	{
		for (const auto& [triangles, nodes] : {std::pair{1, 1}, {255, 1}, {256, 1}, {257, 3}})
		{
			const rcChunkyTriMesh mesh = Soup(triangles).Build();
			EXPECT_EQ(mesh.nnodes, nodes) << triangles;
			EXPECT_EQ(mesh.maxTrisPerChunk, triangles <= 256 ? triangles : 129);
		}
	}

	// Every triangle is in exactly one leaf, and a rectangle query finds the leaf of every
	// triangle that meets it (brute force over all triangles).
	TEST(ChunkyTriMesh, EveryTriangleIsInOneLeafThatTheQueryFinds)
	{
		const Soup soup(3000);
		const rcChunkyTriMesh mesh = soup.Build();
		std::vector<int> seen(3000, 0);
		for (const rcChunkyTriMeshNode* leaf : ChunkyLeaves(mesh))
		{
			EXPECT_LE(leaf->n, 256);
			for (int k = 0; k < leaf->n; ++k)
				++seen[static_cast<std::size_t>(mesh.tris[static_cast<std::size_t>(leaf->i + k) * 3] / 3)];
		}
		EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 3000);
		const float rmin[2] = {30, 40};
		const float rmax[2] = {45, 52};
		int ids[512];
		const int count = rcGetChunksOverlappingRect(&mesh, rmin, rmax, ids, 512);
		std::vector<int> found(3000, 0);
		for (int id = 0; id < count; ++id)
		{
			const rcChunkyTriMeshNode& leaf = mesh.nodes[static_cast<std::size_t>(ids[id])];
			for (int k = 0; k < leaf.n; ++k)
				found[static_cast<std::size_t>(mesh.tris[static_cast<std::size_t>(leaf.i + k) * 3] / 3)] = 1;
		}
		for (int i = 0; i < 3000; ++i)
		{
			const float* v = &soup.vertices[static_cast<std::size_t>(i) * 9];
			const bool meets = v[0] <= rmax[0] && v[0] + 1 >= rmin[0] && v[2] <= rmax[1] && v[2] + 1 >= rmin[1];
			ASSERT_TRUE(!meets || found[static_cast<std::size_t>(i)] == 1) << "triangle " << i;
		}
	}

	TEST(ChunkyTriMesh, RectangleTouchingALeafOnlyAtItsBorderReportsIt)
	{
		const std::vector<float> vertices = {2, 0, 3, 6, 0, 3, 2, 0, 8};
		const std::vector<int> tris = {0, 1, 2};
		rcChunkyTriMesh mesh;
		ASSERT_TRUE(rcCreateChunkyTriMesh(vertices.data(), tris.data(), 1, 256, &mesh));
		const struct
		{
			float minX, minZ, maxX, maxZ;
			int reported;
		} cases[] = {{0, 0, 2, 3, 1}, {6, 8, 9, 9, 1}, {0, 4, 2, 5, 1}, {0, 0, 1.99f, 9, 0}, {6.01f, 0, 9, 9, 0}, {0, 8.01f, 9, 9, 0}};
		for (const auto& c : cases)
		{
			const float rmin[2] = {c.minX, c.minZ};
			const float rmax[2] = {c.maxX, c.maxZ};
			int ids[4];
			EXPECT_EQ(rcGetChunksOverlappingRect(&mesh, rmin, rmax, ids, 4), c.reported) << c.minX << " " << c.minZ;
		}
	}

	TEST(ChunkyTriMesh, AfterMaxIdsTheQueryReportsNothingMore)
	{
		const rcChunkyTriMesh mesh = Soup(600).Build(1);
		ASSERT_EQ(ChunkyLeaves(mesh).size(), 600u);
		std::vector<int> ids(601, -7);
		const float rmin[2] = {-1, -1};
		const float rmax[2] = {200, 200};
		EXPECT_EQ(rcGetChunksOverlappingRect(&mesh, rmin, rmax, ids.data(), 512), 512);
		EXPECT_EQ(ids[512], -7);
		EXPECT_EQ(rcGetChunksOverlappingRect(&mesh, rmin, rmax, ids.data(), 600), 600);
	}
}
