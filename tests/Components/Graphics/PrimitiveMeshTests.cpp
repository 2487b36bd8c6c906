#include "Components/Graphics/PrimitiveMesh.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

// Named, not anonymous: the fixtures carry the names of the classes they test.
namespace render_tests
{
	class PrimitiveMesh : public test::GLTest
	{
	};

	struct Tessellation
	{
		int shape;
		int stacks;
		int slices;
	};

	Tuple3f Cross(const Tuple3f& a, const Tuple3f& b)
	{
		return Tuple3f(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
	}

	const Tessellation kEveryShape[] = {{kPlane, 3, 4}, {kCube, 2, 3}, {kSphere, 5, 7}, {kCylinder, 3, 6}, {kCone, 3, 5}};

TEST(PrimitiveMeshShapes, NamesAreCaseInsensitiveAndUnknownNamesGiveAnEmptyMesh)
{
	for (const char* name : {"sphere", "Sphere", "SPHERE"})
		EXPECT_EQ(ShapeFromName(name), kSphere) << name;
	EXPECT_EQ(ShapeFromName("cone"), kCone);
	EXPECT_EQ(ShapeFromName("pyramid"), kNoShape);
	EXPECT_EQ(ShapeFromName(""), kNoShape);
	const PrimitiveData empty = GeneratePrimitiveMesh(kNoShape, 4, 4);
	EXPECT_TRUE(empty.vertices.empty());
	EXPECT_TRUE(empty.indices.empty());
	EXPECT_EQ(ShapeName(kNoShape), "");
	EXPECT_EQ(ShapeName(kCylinder), "CYLINDER");
}

TEST(PrimitiveMeshShapes, CountsFollowTheClampedTessellation)
{
	const struct
	{
		Tessellation requested;
		Tessellation generated;
		std::size_t vertices;
		std::size_t indices;
	} cases[] = {
		{{kPlane, 1, 1}, {kPlane, 1, 1}, 4, 6},
		{{kPlane, 0, -3}, {kPlane, 1, 1}, 4, 6},
		{{kCube, 2, 3}, {kCube, 2, 3}, 72, 216},
		{{kSphere, 4, 6}, {kSphere, 4, 6}, 33, 108},
		{{kSphere, 1, 6}, {kSphere, 2, 6}, 19, 36},
		// Raised to two stacks: 33 vertices and 72 indices, not the unclamped 28 and 48.
		{{kCylinder, 1, 4}, {kCylinder, 2, 4}, 33, 72},
		{{kCylinder, 0, 1}, {kCylinder, 2, 2}, 19, 36},
		{{kCone, 2, 4}, {kCone, 2, 4}, 23, 48},
		{{kCone, 0, 1}, {kCone, 1, 2}, 10, 12},
		{{kSphere, 100000, 100000}, {kSphere, kMaxTessellation, kMaxTessellation}, 66047, 391680},
	};
	for (const auto& c : cases)
	{
		const PrimitiveData mesh = GeneratePrimitiveMesh(c.requested.shape, c.requested.stacks, c.requested.slices);
		const std::string label = ShapeName(c.requested.shape) + " " + std::to_string(c.requested.stacks) + "x" +
			std::to_string(c.requested.slices);
		EXPECT_EQ(mesh.stacks, c.generated.stacks) << label;
		EXPECT_EQ(mesh.slices, c.generated.slices) << label;
		EXPECT_EQ(mesh.vertices.size(), c.vertices) << label;
		EXPECT_EQ(mesh.indices.size(), c.indices) << label;
		for (std::uint32_t index : mesh.indices)
			ASSERT_LT(index, mesh.vertices.size()) << label;
	}
}

TEST(PrimitiveMeshShapes, UnitPlaneHasItsCornersIndicesAndTangents)
{
	const PrimitiveData plane = GeneratePrimitiveMesh(kPlane, 1, 1);
	std::vector<Tuple2f> texCoords;
	for (const PrimitiveVertex& vertex : plane.vertices)
	{
		texCoords.push_back(vertex.texCoord);
		EXPECT_EQ(vertex.tangent, Tuple3f(1, 0, 0));
		EXPECT_EQ(vertex.binormal, Tuple3f(0, -1, 0));
		EXPECT_EQ(vertex.colour, Tuple4f(1, 1, 1, 1));
	}
	EXPECT_THAT(texCoords, ElementsAre(Tuple2f(0, 0), Tuple2f(1, 0), Tuple2f(0, 1), Tuple2f(1, 1)));
	EXPECT_THAT(plane.indices, ElementsAre(0u, 2u, 1u, 2u, 3u, 1u));
	EXPECT_EQ(plane.vertices[0].position, Tuple3f(-0.5f, 0.5f, 0.0f));
}

TEST(PrimitiveMeshShapes, EveryTriangleTurnsCounterClockwiseSeenFromOutside)
{
	for (const Tessellation& t : kEveryShape)
	{
		const PrimitiveData mesh = GeneratePrimitiveMesh(t.shape, t.stacks, t.slices);
		int faced = 0;
		for (std::size_t i = 0; i < mesh.indices.size(); i += 3)
		{
			const Tuple3f& a = mesh.vertices[mesh.indices[i]].position;
			const Tuple3f& b = mesh.vertices[mesh.indices[i + 1]].position;
			const Tuple3f& c = mesh.vertices[mesh.indices[i + 2]].position;
			const Tuple3f normal = Cross(b - a, c - a);
			if (normal.Length() < 1e-7)
				continue;
			// The plane faces +z; the closed shapes are centred on the origin, so outward is away from it.
			const Tuple3f outward = t.shape == kPlane ? Tuple3f(0, 0, 1) : (a + b + c) * (1.0f / 3.0f);
			EXPECT_GT(normal.DotProduct(outward), 0.0f) << ShapeName(t.shape) << " triangle " << i / 3;
			++faced;
		}
		EXPECT_GT(faced, 0) << ShapeName(t.shape);
		// Unit normals, and tangents that follow the texture axes across them.
		for (const PrimitiveVertex& vertex : mesh.vertices)
		{
			EXPECT_NEAR(vertex.normal.Length(), 1.0, 1e-5) << ShapeName(t.shape);
			ASSERT_GT(vertex.counter, 0u) << ShapeName(t.shape);
			EXPECT_LT(std::fabs(vertex.tangent.Normalize().DotProduct(vertex.normal)), 0.75f) << ShapeName(t.shape);
		}
	}
}

TEST_F(PrimitiveMesh, RequestsAreClampedBeforeTheCacheIsAsked)
{
	PrimitiveEntry* first = GetPrimitiveData(kSphere, 1, 8);
	PrimitiveEntry* second = GetPrimitiveData(kSphere, 2, 8);
	EXPECT_EQ(first, second);
	EXPECT_EQ(second->count, 2u);
	EXPECT_EQ(second->media.stacks, 2);
	for (int frame = 0; frame < 100; ++frame)
		DrawPrimitiveShape(kCylinder, 1, 0, {}, {1, 1, 1}, {}, {1, 1, 1, 1});
	PrimitiveEntry* cylinder = GetPrimitiveData(kCylinder, 2, 2);
	EXPECT_EQ(cylinder->count, 1u) << "each draw gave its reference back to one shared entry";
	EXPECT_EQ(GetPrimitiveData(-7, 1, 1), GetPrimitiveData(kNoShape, 3, 3)) << "every unknown shape is one empty mesh";
}

TEST_F(PrimitiveMesh, TheCacheIsKeyedByShapeStacksAndSlices)
{
	const struct
	{
		Tessellation request;
		bool shared;
	} cases[] = {
		{{kSphere, 4, 6}, true},
		{{kCylinder, 4, 6}, false},
		{{kSphere, 5, 6}, false},
		{{kSphere, 4, 7}, false},
		{{kSphere, 6, 4}, false},
	};
	PrimitiveEntry* base = GetPrimitiveData(kSphere, 4, 6);
	for (const auto& c : cases)
	{
		PrimitiveEntry* entry = GetPrimitiveData(c.request.shape, c.request.stacks, c.request.slices);
		EXPECT_EQ(entry == base, c.shared) << ShapeName(c.request.shape) << " " << c.request.stacks << "x" << c.request.slices;
		EXPECT_EQ(entry->media.shape, c.request.shape);
		EXPECT_EQ(entry->media.stacks, c.request.stacks);
		EXPECT_EQ(entry->media.slices, c.request.slices);
	}
}

TEST_F(PrimitiveMesh, DrawnShapesCoverTheirPixelsInTheirColour)
{
	BeginFlatFrame();
	UseProgram("Debug");
	glDisable(GL_BLEND);
	// The unit plane scaled to the left half of the view; a sphere turned about z on the right.
	DrawPrimitiveShape(kPlane, 1, 1, {-0.5f, 0, 0}, {1, 2, 1}, {}, {1, 0, 0, 1});
	ExpectNoGLError("plane");
	DrawPrimitiveShape(kSphere, 12, 12, {0.5f, 0, 0}, {0.5f, 0.5f, 0.5f}, {0, 0, 1.0f}, {0, 0, 1, 1});
	const std::vector<unsigned char> pixels = ReadPixels();
	const auto at = [&](int x, int y) { return pixels.data() + 4 * (y * test::kGLTestWidth + x); };
	EXPECT_THAT(std::vector<unsigned char>(at(80, 120), at(80, 120) + 3), ElementsAre(255, 0, 0));
	EXPECT_THAT(std::vector<unsigned char>(at(240, 120), at(240, 120) + 3), ElementsAre(0, 0, 255));
	EXPECT_THAT(std::vector<unsigned char>(at(315, 10), at(315, 10) + 3), ElementsAre(0, 0, 0));
	glEnable(GL_BLEND);
}
}
