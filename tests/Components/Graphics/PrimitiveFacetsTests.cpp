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

	// A shape's mesh and the facets a primitive groups it into.
	struct ShapeFacets
	{
		explicit ShapeFacets(const Shape& s) : mesh(GeneratePrimitiveMesh(s.shape, s.stacks, s.slices)), facets(mesh) {}
		PrimitiveData mesh;
		PrimitiveFacets facets;
	};

	// The triangle starting at `first`, rotated to start at its smallest index (winding kept), so
	// that it compares equal whichever corner a list starts it at.
	Triangle TriangleAt(const std::vector<std::uint32_t>& indices, std::size_t first)
	{
		Triangle t{indices[first], indices[first + 1], indices[first + 2]};
		std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
		return t;
	}

	// The triangles of the ranges, sorted.
	std::vector<Triangle> TrianglesOf(const std::vector<std::uint32_t>& indices, const std::vector<PrimitiveFacets::Range>& ranges)
	{
		std::vector<Triangle> triangles;
		for (const PrimitiveFacets::Range& range : ranges)
			for (std::uint32_t i = range.first; i < range.first + range.count; i += 3)
				triangles.push_back(TriangleAt(indices, i));
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
		SCOPED_TRACE(ShapeName(s.shape));
		const ShapeFacets shape(s);
		ASSERT_EQ(shape.facets.MeshIndexCount(), shape.mesh.indices.size());
		const std::uint32_t count = shape.facets.MeshIndexCount();
		EXPECT_EQ(TrianglesOf(shape.facets.Indices(), {{0, count}}), TrianglesOf(shape.mesh.indices, {{0, count}}));
	}
}

// Against a brute-force test of every triangle: no triangle the rasteriser would draw is left out,
// from random eyes around, on and inside the shapes, and with outline fans every point of such a
// triangle is drawn with the same texture coordinates and normal.
TEST(PrimitiveFacets, NeverLeaveOutATriangleFacingTheEye)
{
	tw::RandomSequence random(27);
	std::vector<PrimitiveFacets::Range> ranges;
	for (const Shape& s : kShapes)
	{
		SCOPED_TRACE(ShapeName(s.shape));
		const ShapeFacets shape(s);
		const PrimitiveData& mesh = shape.mesh;
		for (int trial = 0; trial < 200; ++trial)
		{
			const Tuple3f eye = trial == 0 ? Tuple3f(0.5f, 0.1f, 0.2f) : RandomEye(random);
			shape.facets.CollectFacing(eye, false, ranges);
			const std::vector<Triangle> drawn = TrianglesOf(shape.facets.Indices(), ranges);
			shape.facets.CollectFacing(eye, true, ranges);
			const std::vector<Triangle> fanned = TrianglesOf(shape.facets.Indices(), ranges);
			for (std::size_t i = 0; i < mesh.indices.size(); i += 3)
			{
				const Triangle t = TriangleAt(mesh.indices, i);
				if (!FacesEye(mesh, t, eye))
					continue;
				SCOPED_TRACE(testing::Message() << "triangle " << i / 3 << " eye " << eye.x << ' ' << eye.y << ' ' << eye.z);
				ASSERT_TRUE(std::binary_search(drawn.begin(), drawn.end(), t));
				const Tuple3f point = Position(mesh, t[0]) * 0.2f + Position(mesh, t[1]) * 0.3f + Position(mesh, t[2]) * 0.5f;
				std::array<float, 5> expected{};
				ASSERT_TRUE(Interpolate(mesh, t, point, expected));
				bool covered = false;
				for (const Triangle& fannedTriangle : fanned)
				{
					std::array<float, 5> values{};
					if (!Interpolate(mesh, fannedTriangle, point, values))
						continue;
					covered = true;
					for (std::size_t k = 0; k < values.size(); ++k)
						ASSERT_NEAR(values[k], expected[k], 1e-4f) << "value " << k;
				}
				ASSERT_TRUE(covered);
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
		const ShapeFacets shape(c.shape);
		shape.facets.CollectFacing(c.eye, c.outlines, ranges);
		EXPECT_EQ(TrianglesOf(shape.facets.Indices(), ranges).size(), c.triangles) << ShapeName(c.shape.shape) << " outlines " << c.outlines;
	}
}
