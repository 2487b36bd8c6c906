#include "Components/Graphics/PrimitiveFacets.h"

#include "Components/Graphics/PrimitiveMesh.h"
#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace
{
	using Triangle = std::array<std::uint32_t, 3>;

	struct Shape
	{
		int shape;
		int stacks;
		int slices;
	};

	const Shape kShapes[] = {{kPlane, 3, 4}, {kCube, 4, 5}, {kSphere, 6, 8}, {kCylinder, 3, 10}, {kCone, 4, 9}};

	// The triangles of the ranges, each rotated to start at its smallest index (winding kept).
	std::vector<Triangle> TrianglesOf(const PrimitiveFacets& facets, const std::vector<PrimitiveFacets::Range>& ranges)
	{
		std::vector<Triangle> triangles;
		for (const PrimitiveFacets::Range& range : ranges)
			for (std::uint32_t i = range.first; i < range.first + range.count; i += 3)
			{
				Triangle t{facets.Indices()[i], facets.Indices()[i + 1], facets.Indices()[i + 2]};
				std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
				triangles.push_back(t);
			}
		std::sort(triangles.begin(), triangles.end());
		return triangles;
	}

	Tuple3f Position(const PrimitiveData& mesh, std::uint32_t index)
	{
		return mesh.vertices[index].position;
	}

	// Whether the rasteriser, culling back faces, would draw the triangle for this eye.
	bool FacesEye(const PrimitiveData& mesh, const Triangle& t, const Tuple3f& eye)
	{
		const Tuple3f a = Position(mesh, t[0]);
		const Tuple3f normal = Cross(Position(mesh, t[1]) - a, Position(mesh, t[2]) - a);
		return normal.DotProduct(eye - a) > 0.0f;
	}

	Tuple3f RandomEye(tw::RandomSequence& random)
	{
		const auto coordinate = [&random] { return static_cast<float>(random.Next()) / tw::kRandMax * 6.0f - 3.0f; };
		return Tuple3f(coordinate(), coordinate(), coordinate());
	}

	// The texture coordinates and normal the triangle interpolates at the point, if it holds it.
	bool Interpolate(const PrimitiveData& mesh, const Triangle& t, const Tuple3f& point, std::array<float, 5>& values)
	{
		const Tuple3f a = Position(mesh, t[0]);
		const Tuple3f ab = Position(mesh, t[1]) - a;
		const Tuple3f ac = Position(mesh, t[2]) - a;
		const Tuple3f normal = Cross(ab, ac);
		const float area = normal.DotProduct(normal);
		const Tuple3f ap = point - a;
		if (std::fabs(normal.DotProduct(ap)) > 1e-4f * std::sqrt(area))
			return false;
		const float v = Cross(ap, ac).DotProduct(normal) / area;
		const float w = Cross(ab, ap).DotProduct(normal) / area;
		const float u = 1.0f - v - w;
		if (u < -1e-4f || v < -1e-4f || w < -1e-4f)
			return false;
		const PrimitiveVertex* vertex[3] = {&mesh.vertices[t[0]], &mesh.vertices[t[1]], &mesh.vertices[t[2]]};
		const float weight[3] = {u, v, w};
		values = {};
		for (int k = 0; k < 3; ++k)
		{
			values[0] += weight[k] * vertex[k]->texCoord.x;
			values[1] += weight[k] * vertex[k]->texCoord.y;
			values[2] += weight[k] * vertex[k]->normal.x;
			values[3] += weight[k] * vertex[k]->normal.y;
			values[4] += weight[k] * vertex[k]->normal.z;
		}
		return true;
	}
}

TEST(PrimitiveFacets, HoldEveryTriangleOnceWithItsWinding)
{
	for (const Shape& s : kShapes)
	{
		const PrimitiveData mesh = GeneratePrimitiveMesh(s.shape, s.stacks, s.slices);
		const PrimitiveFacets facets(mesh);
		ASSERT_EQ(facets.MeshIndexCount(), mesh.indices.size()) << ShapeName(s.shape);
		const std::vector<PrimitiveFacets::Range> all{{0, facets.MeshIndexCount()}};
		std::vector<Triangle> expected;
		for (std::size_t i = 0; i < mesh.indices.size(); i += 3)
		{
			Triangle t{mesh.indices[i], mesh.indices[i + 1], mesh.indices[i + 2]};
			std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
			expected.push_back(t);
		}
		std::sort(expected.begin(), expected.end());
		EXPECT_EQ(TrianglesOf(facets, all), expected) << ShapeName(s.shape);
	}
}

// Against a brute-force test of every triangle: no triangle the rasteriser would draw is left out,
// from random eyes around, on and inside the shapes, with or without outline fans.
TEST(PrimitiveFacets, NeverLeaveOutATriangleFacingTheEye)
{
	tw::RandomSequence random(27);
	std::vector<PrimitiveFacets::Range> ranges;
	for (const Shape& s : kShapes)
	{
		const PrimitiveData mesh = GeneratePrimitiveMesh(s.shape, s.stacks, s.slices);
		const PrimitiveFacets facets(mesh);
		for (int trial = 0; trial < 200; ++trial)
		{
			const Tuple3f eye = trial == 0 ? Tuple3f(0.5f, 0.1f, 0.2f) : RandomEye(random);
			facets.CollectFacing(eye, false, ranges);
			const std::vector<Triangle> drawn = TrianglesOf(facets, ranges);
			for (std::size_t i = 0; i < mesh.indices.size(); i += 3)
			{
				Triangle t{mesh.indices[i], mesh.indices[i + 1], mesh.indices[i + 2]};
				std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
				if (FacesEye(mesh, t, eye))
				{
					ASSERT_TRUE(std::binary_search(drawn.begin(), drawn.end(), t))
						<< ShapeName(s.shape) << " triangle " << i / 3 << " eye " << eye.x << ' ' << eye.y << ' ' << eye.z;
				}
			}
			// Every point of a triangle facing the eye is drawn by an outline fan or triangle with
			// the same texture coordinates and normal.
			facets.CollectFacing(eye, true, ranges);
			const std::vector<Triangle> fanned = TrianglesOf(facets, ranges);
			for (std::size_t i = 0; i < mesh.indices.size(); i += 3)
			{
				const Triangle t{mesh.indices[i], mesh.indices[i + 1], mesh.indices[i + 2]};
				if (!FacesEye(mesh, t, eye))
					continue;
				const Tuple3f point = Position(mesh, t[0]) * 0.2f + Position(mesh, t[1]) * 0.3f + Position(mesh, t[2]) * 0.5f;
				std::array<float, 5> expected{};
				ASSERT_TRUE(Interpolate(mesh, t, point, expected));
				bool covered = false;
				for (const Triangle& drawnTriangle : fanned)
				{
					std::array<float, 5> values{};
					if (!Interpolate(mesh, drawnTriangle, point, values))
						continue;
					covered = true;
					for (std::size_t k = 0; k < values.size(); ++k)
						ASSERT_NEAR(values[k], expected[k], 1e-4f) << ShapeName(s.shape) << " triangle " << i / 3 << " value " << k;
				}
				ASSERT_TRUE(covered) << ShapeName(s.shape) << " triangle " << i / 3;
			}
		}
	}
}

// What the culling and the fans save: a cube's face is two triangles, a cylinder's top a fan over
// its rim; a cone's side keeps its triangles, since its texture coordinates bend across a column.
TEST(PrimitiveFacets, DrawFlatFacesAsOutlinesAndLeaveOutFacesSeenFromBehind)
{
	const struct
	{
		Shape shape;
		Tuple3f eye;
		bool outlines;
		std::size_t triangles;
	} cases[] = {
		{{kCube, 4, 5}, {0, 0, 5}, false, 40},
		{{kCube, 4, 5}, {0, 0, 5}, true, 2},
		{{kCube, 4, 5}, {3, 3, 3}, true, 6},
		{{kCylinder, 3, 10}, {0, 5, 0}, true, 8},
		{{kCylinder, 3, 10}, {0, 5, 0}, false, 10},
		{{kCone, 4, 9}, {0, 5, 0}, true, 9 + 3 * 9 * 2},
		{{kSphere, 6, 8}, {0, 5, 0}, true, 8 + 4 * 8 * 2 + 8},
		{{kPlane, 3, 4}, {0, 0, -2}, true, 0},
	};
	std::vector<PrimitiveFacets::Range> ranges;
	for (const auto& c : cases)
	{
		const PrimitiveData mesh = GeneratePrimitiveMesh(c.shape.shape, c.shape.stacks, c.shape.slices);
		const PrimitiveFacets facets(mesh);
		facets.CollectFacing(c.eye, c.outlines, ranges);
		EXPECT_EQ(TrianglesOf(facets, ranges).size(), c.triangles) << ShapeName(c.shape.shape) << " outlines " << c.outlines;
	}
}
