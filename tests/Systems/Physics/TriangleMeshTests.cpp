#include "Systems/Physics/StaticTriangleMesh.h"

#include "Serializer.h"
#include "Systems/Physics/CollisionMeshWriter.h"
#include "Systems/Physics/NarrowPhaseContext.h"
#include "Systems/Physics/NarrowPhaseTestSupport.h"
#include "Systems/Physics/PhysicsScene.h"
#include "Systems/Physics/RigidBody.h"
#include "HostileFiles.h"
#include "Utilities/SearchPaths.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <numbers>

namespace
{
	using test::CollisionMeshWriter;

	struct MeshData
	{
		std::vector<Tuple3f> vertices;
		std::vector<std::uint32_t> indices;
	};

	// n x n squares of two triangles each over [-half, half]² in x and z, at the height that
	// heightOf gives each grid point.
	template <class Height>
	MeshData Grid(int n, float half, Height heightOf)
	{
		MeshData mesh;
		for (int row = 0; row <= n; ++row)
			for (int column = 0; column <= n; ++column)
			{
				const float x = -half + 2 * half * column / n, z = -half + 2 * half * row / n;
				mesh.vertices.emplace_back(x, heightOf(x, z), z);
			}
		const auto at = [n](int row, int column) { return static_cast<std::uint32_t>(row * (n + 1) + column); };
		for (int row = 0; row < n; ++row)
			for (int column = 0; column < n; ++column)
				mesh.indices.insert(mesh.indices.end(), {at(row, column), at(row + 1, column), at(row, column + 1),
					at(row, column + 1), at(row + 1, column), at(row + 1, column + 1)});
		return mesh;
	}

	MeshData FloorMesh(float height = 0.0f)
	{
		return Grid(1, 10.0f, [height](float, float) { return height; });
	}

	// Read back from a written file and baked, on the body when one is given.
	std::unique_ptr<StaticTriangleMesh> MakeMesh(const MeshData& data, RigidBody* body = nullptr)
	{
		std::string problem;
		auto mesh = std::make_unique<StaticTriangleMesh>();
		mesh->SetMesh(CollisionMeshFile::Read(CollisionMeshWriter::Build(data.vertices, data.indices), problem));
		EXPECT_EQ(problem, "");
		mesh->SetBody(body);
		mesh->Initialize();
		return mesh;
	}

	const TriangleCollider& ColliderAt(const StaticTriangleMesh& mesh, unsigned index)
	{
		return static_cast<const TriangleCollider&>(*mesh.GetGeometry(index));
	}

	// A damaged copy of a good file that must be refused, chosen by kind.
	CollisionMeshWriter::Bytes Damage(const MeshData& good, int kind)
	{
		CollisionMeshWriter::Bytes file = CollisionMeshWriter::Build(good.vertices, good.indices);
		const std::size_t n = good.indices.size();
		const auto randomBelow = [](std::size_t limit) { return static_cast<std::size_t>(tw::Rand()) * limit / (tw::kRandMax + 1u); };
		switch (kind)
		{
		case 0:
			file.resize(randomBelow(file.size()));
			break;
		case 1:
			CollisionMeshWriter::Put(file, CollisionMeshWriter::kIndexCountOffset,
				static_cast<std::uint32_t>(3 * randomBelow(100000) + 1 + randomBelow(2)));
			break;
		case 2:
			CollisionMeshWriter::Put(file, CollisionMeshWriter::kIndexCountOffset,
				static_cast<std::uint32_t>(3 * (n / 3 + 1 + randomBelow(1u << 30))));
			break;
		case 3:
			CollisionMeshWriter::Put(file, CollisionMeshWriter::VertexCountOffset(n),
				static_cast<std::uint32_t>(good.vertices.size() + 1 + randomBelow(1u << 31)));
			break;
		case 4:
			CollisionMeshWriter::Put(file, CollisionMeshWriter::IndexOffset(randomBelow(n)),
				static_cast<std::uint32_t>(good.vertices.size() + randomBelow(1u << 31)));
			break;
		case 5:
			// Fewer vertices than the largest index needs: the rest of the file is not read.
			CollisionMeshWriter::Put(file, CollisionMeshWriter::VertexCountOffset(n),
				static_cast<std::uint32_t>(randomBelow(good.vertices.size())));
			for (std::size_t i = 0; i < n; ++i)
				CollisionMeshWriter::Put(file, CollisionMeshWriter::IndexOffset(i), static_cast<std::uint32_t>(good.vertices.size() - 1));
			break;
		default:
		{
			constexpr float kBad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
				-std::numeric_limits<float>::infinity()};
			const std::size_t at = CollisionMeshWriter::VertexOffset(n, randomBelow(good.vertices.size())) + 4 * randomBelow(3);
			CollisionMeshWriter::Put(file, at, std::bit_cast<std::uint32_t>(kBad[randomBelow(3)]));
		}
		}
		return file;
	}
}

TEST(TriangleMesh, ReaderKeepsFileOrderAndTrianglesShareCorners)
{
	const MeshData data{{{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 1}}, {0, 1, 2, 2, 1, 3}};
	std::string problem = "stale";
	CollisionMeshWriter::Bytes file = CollisionMeshWriter::Build(data.vertices, data.indices);
	// Chunks after the mesh (the rest of a model file) are not read.
	file.insert(file.end(), {1, 2, 3, 4, 5});
	const CollisionMeshFile::Mesh mesh = CollisionMeshFile::Read(file, problem);
	EXPECT_EQ(problem, "");
	EXPECT_EQ(mesh.vertices, data.vertices);
	EXPECT_EQ(mesh.indices, data.indices);

	const auto collider = MakeMesh(data);
	ASSERT_EQ(collider->GetGeometryCount(), 2u);
	EXPECT_EQ(&ColliderAt(*collider, 0).Corner(2), &ColliderAt(*collider, 1).Corner(0)) << "one vertex, pointed at twice";
	EXPECT_EQ(&ColliderAt(*collider, 0).Corner(1), &ColliderAt(*collider, 1).Corner(1));
	EXPECT_EQ(collider->GetIndices(), (std::vector<IndexTriple>{{0, 1, 2}, {2, 1, 3}}));
	EXPECT_EQ(collider->GetVertices(), data.vertices);

	const CollisionMeshFile::Mesh empty = CollisionMeshFile::Read(CollisionMeshWriter::Build({}, {}), problem);
	EXPECT_EQ(problem, "") << "a mesh without triangles is a mesh";
	EXPECT_TRUE(empty.vertices.empty());
}

TEST(TriangleMesh, DamagedFilesAreRefusedNamingTheFault)
{
	const MeshData good{{{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {0, 1, 2}};
	const auto file = [&good](auto&& damage) {
		CollisionMeshWriter::Bytes bytes = CollisionMeshWriter::Build(good.vertices, good.indices);
		damage(bytes);
		return bytes;
	};
	const struct
	{
		CollisionMeshWriter::Bytes bytes;
		const char* problem;
	} cases[] = {
		{{}, "shorter than its 20-byte header"},
		{file([](auto& b) { b.resize(22); }), "the file ends at byte 20 before the index count"},
		{file([](auto& b) { CollisionMeshWriter::Put(b, 20, 4); }), "index count 4 at byte 20 is not a whole number of triangles"},
		{file([](auto& b) { CollisionMeshWriter::Put(b, 20, 0xFFFFFFFE); }), "index count 4294967294 at byte 20 is not"},
		{file([](auto& b) { CollisionMeshWriter::Put(b, 20, 0xFFFFFFFC - 0xFFFFFFFC % 3); }), "4294967292 indices at byte 20 run past"},
		{file([](auto& b) { b.resize(CollisionMeshWriter::VertexCountOffset(3)); }), "the file ends at byte 36 before the vertex count"},
		{file([](auto& b) { CollisionMeshWriter::Put(b, 36, 4); }), "4 vertices at byte 36 run past the end of the file"},
		{file([](auto& b) { b.pop_back(); }), "3 vertices at byte 36 run past the end of the file"},
		{file([](auto& b) { CollisionMeshWriter::Put(b, CollisionMeshWriter::IndexOffset(2), 3); }), "index 2 at byte 32 names vertex 3 of 3"},
		{file([](auto& b) { CollisionMeshWriter::Put(b, 36, 2); }), "index 2 at byte 32 names vertex 2 of 2"},
		{file([](auto& b) { CollisionMeshWriter::Put(b, CollisionMeshWriter::VertexOffset(3, 1) + 8, 0x7FC00000); }),
			"vertex 1 at byte 52 is not a finite point"},
	};
	for (const auto& c : cases)
	{
		std::string problem;
		const CollisionMeshFile::Mesh mesh = CollisionMeshFile::Read(c.bytes, problem);
		EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
		EXPECT_TRUE(mesh.vertices.empty() && mesh.indices.empty()) << c.problem;
	}
}

TEST(TriangleMesh, TenThousandMalformedFilesAreAllRefused)
{
	tw::SeedRand(22);
	const MeshData good = Grid(4, 3.0f, [](float x, float z) { return 0.1f * x * z; });
	for (int i = 0; i < 10000; ++i)
	{
		const int kind = i % 7;
		std::string problem;
		StaticTriangleMesh mesh;
		mesh.SetMesh(CollisionMeshFile::Read(Damage(good, kind), problem));
		ASSERT_NE(problem, "") << "file " << i << ", damage " << kind;
		ASSERT_EQ(mesh.GetGeometryCount(), 0u);
		mesh.Initialize();
		ASSERT_EQ(mesh.RayCast({0, 5, 0}, {0, -1, 0}), kRayMiss);
	}
}

TEST(TriangleMesh, LoadReadsTheNamedFileAndALostOneLeavesTheMeshEmpty)
{
	const test::TempFolder folder;
	const std::string goodPath = folder.Path() + "/floor.col", badPath = folder.Path() + "/broken.col";
	CollisionMeshWriter::Bytes bytes = CollisionMeshWriter::Build(FloorMesh().vertices, FloorMesh().indices);
	std::ofstream(goodPath, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
	bytes.resize(30);
	std::ofstream(badPath, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

	const struct
	{
		std::string file;
		unsigned triangles;
		const char* diagnostic;
	} cases[] = {
		{goodPath, 2, ""},
		{badPath, 0, "broken.col': 6 indices at byte 20 run past the end of the file"},
		{folder.Path() + "/absent.col", 0, "absent.col': not found; the mesh is left empty"},
	};
	for (const auto& c : cases)
	{
		Serializer data;
		data.Write("File Name", c.file);
		data.SwitchToReading();
		StaticTriangleMesh mesh;
		bool loaded = false;
		const std::string diagnostic = StderrOf([&] { loaded = mesh.Load(data); });
		EXPECT_EQ(loaded, c.triangles != 0) << c.file;
		EXPECT_EQ(mesh.GetGeometryCount(), c.triangles) << c.file;
		if (*c.diagnostic == '\0')
		{
			EXPECT_EQ(diagnostic, "");
		}
		else
		{
			EXPECT_NE(diagnostic.find(c.diagnostic), std::string::npos) << diagnostic;
		}

		Serializer saved;
		mesh.Save(saved);
		saved.SwitchToReading();
		EXPECT_EQ(saved.ReadString(), c.file);
	}
}

TEST(CollisionMeshFile, DevicesFifosFoldersAndHugeFilesAreRefusedWithOneDiagnostic)
{
	test::ExpectEachRefusedWithOneDiagnostic(test::TempFolder(), [](const std::string& path) {
		CollisionMeshFile::Mesh mesh{{{1, 2, 3}}, {0}};
		return StderrOf([&] { EXPECT_FALSE(CollisionMeshFile::Load(path, mesh) || !mesh.indices.empty()); });
	});
}

// A careless export repeats one triangle many times; its centres never separate, and splitting
// them one copy at a time took quadratic time and a recursion as deep as the count.
TEST(CollisionMeshFile, SoupsOfOneRepeatedTriangleLoadBuildAndAnswerQueries)
{
	const test::TempFolder folder;
	for (const std::uint32_t copies : {16000u, 100000u})
	{
		MeshData soup{{{0, 0, 0}, {0, 0, 1}, {1, 0, 0}}, {}};
		for (std::uint32_t copy = 0; copy < copies; ++copy)
			soup.indices.insert(soup.indices.end(), {0, 1, 2});
		const CollisionMeshWriter::Bytes bytes = CollisionMeshWriter::Build(soup.vertices, soup.indices);
		folder.WriteFile("soup.col", std::string(bytes.begin(), bytes.end()));
		Serializer data;
		data.Write("File Name", folder.Path() + "soup.col");
		data.SwitchToReading();
		StaticTriangleMesh mesh;
		ASSERT_TRUE(mesh.Load(data));
		mesh.Initialize();
		EXPECT_EQ(mesh.RayCast({0.25f, 5, 0.25f}, {0, -1, 0}), 5.0f) << copies;
		std::vector<ConvexGeometry*> touching;
		mesh.GetGeometries(std::array{0.1f, -1.0f, 0.1f, 0.2f, 1.0f, 0.2f}.data(), touching);
		EXPECT_EQ(touching.size(), copies);
	}
}

TEST(TriangleMesh, InitializeBakesTheMeshIntoTheBodysFrame)
{
	RigidBody body;
	const Quaternion quarterTurnY = QuaternionFromRotationVector({0, std::numbers::pi_v<float> / 2, 0});
	body.transforms = ShapeTransforms::From({10, 20, 30}, {2, 3, 4}, quarterTurnY);
	const MeshData data{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 1, 2}};
	const auto mesh = MakeMesh(data, &body);

	// x → -z, z → x after the turn; scale first, then the turn, then the move.
	const std::vector<Tuple3f> expected{{10, 20, 28}, {10, 23, 30}, {14, 20, 30}};
	const std::vector<Tuple3f> baked = mesh->GetVertices();
	ASSERT_EQ(baked.size(), 3u);
	for (int i = 0; i < 3; ++i)
		ExpectNear(baked[i], expected[i], 1e-5);
	const float expectedBounds[6] = {10, 20, 28, 14, 23, 30};
	for (int i = 0; i < 6; ++i)
		EXPECT_NEAR(mesh->GetBounds()[i], expectedBounds[i], 1e-5) << "exact, without padding: " << i;
	EXPECT_EQ(ColliderAt(*mesh, 0).owner, mesh.get());

	Matrix4 inertia = Matrix4::Identity();
	float mass = 1.0f;
	Tuple3f centre(1, 1, 1);
	mesh->ComputeMass(inertia, mass, centre);
	EXPECT_TRUE(inertia == Matrix4() && mass == 0.0f && mesh->isStatic) << "a mesh never moves";
	const std::unique_ptr<Collider> clone(mesh->Clone());
	EXPECT_EQ(clone->GetGeometryCount(), 0u);
}

TEST(TriangleMesh, RaysHitTheSurfaceExactly)
{
	const auto mesh = MakeMesh(FloorMesh(2.0f));
	tw::SeedRand(5);
	for (int i = 0; i < 200; ++i)
	{
		const Tuple3f start(RandomIn(-9.9f, 9.9f), RandomIn(2.5f, 50.0f), RandomIn(-9.9f, 9.9f));
		EXPECT_EQ(mesh->RayCast(start, {0, -1, 0}), start.y - 2.0f) << start;
		// Halfway down and sideways: the parameter is along the unit direction.
		const Tuple3f slant = Tuple3f(0.6f, -0.8f, 0.0f);
		const Tuple3f from = start - Tuple3f(0.6f, 0.0f, 0.0f) * ((start.y - 2.0f) / 0.8f);
		EXPECT_NEAR(mesh->RayCast(from, slant), (start.y - 2.0f) / 0.8f, 1e-3 * start.y) << from;
	}
	const struct
	{
		Tuple3f origin, direction;
		const char* why;
	} misses[] = {
		{{0, 5, 0}, {0, 1, 0}, "pointing away"},
		{{0, -5, 0}, {0, -1, 0}, "the mesh behind the origin"},
		{{3, 2, 3}, {0, -1, 0}, "starting on the surface"},
		{{-20, 2, 0}, {1, 0, 0}, "along the plane"},
		{{10.5f, 5, 0}, {0, -1, 0}, "beside the mesh"},
	};
	for (const auto& c : misses)
		EXPECT_EQ(mesh->RayCast(c.origin, c.direction), kRayMiss) << c.why;

	const StaticTriangleMesh empty;
	EXPECT_EQ(empty.RayCast({0, 5, 0}, {0, -1, 0}), kRayMiss);
}

TEST(TriangleMesh, TreeRayCastFindsTheNearestTriangleAndABoundedOneStopsOnlyBeyondIt)
{
	const auto mesh = MakeMesh(Grid(12, 5.0f, [](float x, float z) { return std::sin(x) * std::cos(z); }));
	tw::SeedRand(9);
	int hits = 0;
	for (int i = 0; i < 1000; ++i)
	{
		const Tuple3f origin(RandomIn(-6, 6), RandomIn(-2, 2), RandomIn(-6, 6));
		const Tuple3f direction = test::RandomUnitVector();
		// The smallest strictly positive parameter of any triangle, found without the tree.
		const float expected = mesh->Collider::RayCast(origin, direction);
		EXPECT_EQ(mesh->RayCast(origin, direction), expected) << origin << " " << direction;
		hits += expected > 0.0f;
		// Bounded exactly at the hit or anywhere from half to one and a half times its distance:
		// exact up to the bound, the hit or a miss beyond it.
		const float reach = expected > 0.0f ? expected : 4.0f;
		const float farthest = i % 2 == 0 ? reach : reach * RandomIn(0.5f, 1.5f);
		const float bounded = mesh->RayCastWithin(origin, direction, farthest);
		if (expected > 0.0f && expected <= farthest)
			EXPECT_EQ(bounded, expected) << origin << " " << direction << " within " << farthest;
		else
			EXPECT_TRUE(bounded == expected || bounded == kRayMiss) << origin << " " << direction;
	}
	EXPECT_GT(hits, 200) << "the rays must test hits, not only misses";
}

TEST(TriangleMesh, GetGeometriesAppendsTheTrianglesUnderABox)
{
	const auto mesh = MakeMesh(Grid(10, 5.0f, [](float, float) { return 0.0f; }));
	std::vector<ConvexGeometry*> out{nullptr};
	const float nothing[6] = {-1, 1, -1, 1, 2, 1};
	mesh->GetGeometries(nothing, out);
	EXPECT_EQ(out, std::vector<ConvexGeometry*>{nullptr}) << "a box above the mesh adds nothing";

	// Inside one square of the grid, touching none of its neighbours.
	const float oneSquare[6] = {0.1f, -1, 0.1f, 0.9f, 1, 0.9f};
	out.clear();
	mesh->GetGeometries(oneSquare, out);
	ASSERT_EQ(out.size(), 2u);
	for (ConvexGeometry* piece : out)
	{
		const AABB& box = static_cast<TriangleCollider*>(piece)->GetBox();
		EXPECT_TRUE(box.min.x == 0.0f && box.max.x == 1.0f && box.min.z == 0.0f && box.max.z == 1.0f);
	}
	// Touching boxes count: the four squares around the corner (0, 0, 0) all touch it.
	const float corner[6] = {-0.5f, -1, -0.5f, 0, 1, 0};
	out.clear();
	mesh->GetGeometries(corner, out);
	EXPECT_EQ(out.size(), 8u);
}

TEST(TriangleMesh, TrianglePieceAnswersLikeItsCorners)
{
	const Tuple3f p[3] = {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}};
	TriangleCollider triangle(&p[0], &p[1], &p[2]);
	triangle.Bake();
	// normalise((P1 − P0) × (P0 − P2)).
	ExpectNear(triangle.GetFaceNormal(), {0, 1, 0}, 0);
	ExpectNear(triangle.GetNormal({5, 5, 5}), {0, 1, 0}, 0);
	EXPECT_EQ(triangle.Support({1, 0, 0}), p[1]);
	EXPECT_EQ(triangle.Support({0, 1, 0}), p[2]) << "equal values: the later corner";
	EXPECT_EQ(triangle.Support({1, 0, 1}), p[2]);

	Tuple3f points[ConvexGeometry::kMaxFeaturePoints];
	EXPECT_EQ(triangle.GetFeature({0, -3, 0}, points), 3) << "the face";
	EXPECT_EQ(points[2], p[2]);
	EXPECT_EQ(triangle.GetFeature({0, -1, -1}, points), 2) << "the edge P0-P1 across the direction";
	EXPECT_EQ(points[0], p[0]);
	EXPECT_EQ(points[1], p[1]);
	EXPECT_EQ(triangle.GetFeature({1, -1, 1}, points), 2) << "the edge P1-P2";
	EXPECT_EQ(points[0], p[1]);
	EXPECT_EQ(triangle.GetFeature({1, -0.2f, 0}, points), 1) << "a corner";
	EXPECT_EQ(points[0], p[1]);
	EXPECT_EQ(triangle.GetFeature({-1, -0.2f, -0.03f}, points), 2) << "the edge P2-P0, though P0-P1 faces the direction too";
	EXPECT_EQ(points[0], p[2]);
	EXPECT_EQ(points[1], p[0]);

	ContactPoint contact;
	contact.depth = 0.3f;
	contact.normal = {1, 0, 0};
	triangle.FilterContact(contact);
	EXPECT_EQ(contact.depth, -1.0f) << "a normal in the plane";
	contact.depth = 0.3f;
	contact.normal = Tuple3f(1, 0.01f, 0).Normalize();
	triangle.FilterContact(contact);
	EXPECT_EQ(contact.depth, 0.3f);

	// A triangle without area is never hit and has no normal.
	const Tuple3f q[3] = {{0, 0, 0}, {1, 0, 0}, {3, 0, 0}};
	TriangleCollider line(&q[0], &q[1], &q[2]);
	line.Bake();
	EXPECT_EQ(line.GetFaceNormal(), Tuple3f());
	EXPECT_EQ(line.RayCast({1, 1, 0}, {0, -1, 0}), kRayMiss);
	EXPECT_EQ(line.GetFeature({1, 0, 0}, points), 1);
	EXPECT_EQ(points[0], q[2]);
}

TEST(TriangleMesh, EnclosingSphereHoldsEveryCorner)
{
	const struct
	{
		Tuple3f a, b, c, centre;
		float radius;
	} cases[] = {
		// Acute: the circumcentre.
		{{0, 0, 0}, {2, 0, 0}, {1, 0, 1.5f}, {1, 0, 5.0f / 12}, 13.0f / 12},
		// Obtuse at a, b or c: the midpoint of the opposite edge.
		{{0, 0, 0}, {2, 0, 0.1f}, {-2, 0, 0.1f}, {0, 0, 0.1f}, 2.0f},
		{{-2, 0, 0.1f}, {0, 0, 0}, {2, 0, 0.1f}, {0, 0, 0.1f}, 2.0f},
		{{-2, 0, 0.1f}, {2, 0, 0.1f}, {0, 0, 0}, {0, 0, 0.1f}, 2.0f},
		// Degenerate: the midpoint of the longest edge.
		{{0, 0, 0}, {1, 0, 0}, {4, 0, 0}, {2, 0, 0}, 2.0f},
		{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, 0.0f},
		// Small enough for the solve's threshold: still enclosed whole.
		{{0, 0, 0}, {0.05f, 0, 0}, {0.025f, 0, 0.0433f}, {0.025f, 0, 0}, 0.0433f},
	};
	for (const auto& c : cases)
	{
		TriangleCollider triangle(&c.a, &c.b, &c.c);
		triangle.Bake();
		ExpectNear(triangle.GetCentre(), c.centre, 1e-5);
		EXPECT_NEAR(triangle.GetRadius(), c.radius, 1e-5) << c.a << c.b << c.c;
		for (const Tuple3f* corner : {&c.a, &c.b, &c.c})
			EXPECT_LE(triangle.GetCentre().Distance(*corner), triangle.GetRadius() * (1 + 1e-6)) << *corner;
	}
}

TEST(TriangleMesh, ShapesSunkIntoAFloorTouchItAlongItsNormal)
{
	constexpr float kSink = 0.05f;
	const auto floor = MakeMesh(FloorMesh());
	NarrowPhaseContext context;
	const struct
	{
		const char* shape;
		std::size_t contacts;
	} cases[] = {{"cube", 4}, {"sphere", 1}, {"cylinder", 3}, {"cone", 4}};
	for (const auto& c : cases)
	{
		for (const float height : {0.5f - kSink, 0.6f})
		{
			// Inside one triangle of the floor: near the other's edge, GJK and EPA may find the way
			// out of that triangle alone to lead sideways across its edge.
			const PrimitiveCollider shape = test::Primitive(c.shape, {1, 1, 1}, {2.5f, height, 2.0f});
			// The triangles under the shape's box, as the detection stage finds them.
			const float box[6] = {2.0f, height - 0.5f, 1.5f, 3.0f, height + 0.5f, 2.5f};
			std::vector<ConvexGeometry*> triangles;
			floor->GetGeometries(box, triangles);
			test::ContactCollector contacts;
			for (ConvexGeometry* triangle : triangles)
				if (context.TestPair(shape, *triangle))
					context.GenerateContactManifold(*triangle, shape, contacts);
			const std::string what = std::string(c.shape) + " at " + std::to_string(height);
			if (height > 0.5f)
			{
				EXPECT_EQ(contacts.GetContactCount(), 0u) << what;
				continue;
			}
			EXPECT_GE(contacts.GetContactCount(), c.contacts) << what;
			EXPECT_NEAR(contacts.DeepestDepth(), kSink, 2e-3) << what;
			for (const ContactPoint& contact : contacts.contacts)
			{

				EXPECT_NEAR(std::fabs(contact.normal.y), 1.0, 1e-3) << what;
				EXPECT_NEAR(contact.point.y, 0.0, 1e-3) << what << ": on the floor's surface";
			}
		}
	}
}

// The whole step over a mesh: boxes dropped onto a tessellated floor settle on it and sleep.
TEST(TriangleMesh, DroppedBoxesComeToRestOnAMeshFloor)
{
	test::PhysicsScene scene;
	const MeshData floor = Grid(8, 8.0f, [](float, float) { return 0.0f; });
	scene.AddMesh(CollisionMeshFile::Mesh{floor.vertices, floor.indices});
	const std::vector<Tuple3f> drops = {{0.3f, 1.0f, 0.2f}, {-2.6f, 2.0f, 1.1f}, {2.2f, 3.0f, -1.7f}};
	std::vector<RigidBody*> boxes;
	for (const Tuple3f& drop : drops)
		boxes.push_back(&scene.AddBox(drop));
	scene.LoadLevel();
	const int settledAt = scene.StepUntilAsleep(boxes, 625);
	EXPECT_GT(settledAt, 0) << "not all asleep within 625 steps";
	for (std::size_t i = 0; i < boxes.size(); ++i)
	{
		const Tuple3f at = test::PhysicsScene::Position(*boxes[i]);
		EXPECT_NEAR(at.y, 0.5f, 0.02f) << "box " << i << " rests on the floor, neither sunk nor floating";
		EXPECT_NEAR(at.x, drops[i].x, 0.05f) << "box " << i;
		EXPECT_NEAR(at.z, drops[i].z, 0.05f) << "box " << i;
	}
}
