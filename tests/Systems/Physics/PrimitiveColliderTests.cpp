#include "Systems/Physics/Physics.h"
#include "Systems/Physics/PrimitiveCollider.h"
#include "Systems/Physics/RigidBody.h"

#include "Systems/Physics/NarrowPhaseTestSupport.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>

namespace
{
	constexpr const char* kShapeNames[] = {"sphere", "cube", "cone", "cylinder", "plane"};
	constexpr float kColliderPi = std::numbers::pi_v<float>;

	// A body standing at position, turned by orientation; its Transform scale is 1.
	RigidBody BodyAt(const Tuple3f& position, const Quaternion& orientation)
	{
		RigidBody body;
		body.orientation = orientation;
		body.transforms = ShapeTransforms::From(position, Tuple3f(1.0f, 1.0f, 1.0f), orientation);
		return body;
	}

	PrimitiveCollider Placed(const std::string& shape, const Tuple3f& scale = {1.0f, 1.0f, 1.0f},
		const Tuple3f& offset = {}, const Tuple3f& rotation = {}, const RigidBody& body = BodyAt({}, Quaternion()))
	{
		PrimitiveCollider piece(scale, shape, offset, rotation);
		piece.UpdateTransform(body);
		return piece;
	}

	// Whether a local point lies in the solid unit shape (the plane has no inside).
	bool Inside(int shape, double x, double y, double z)
	{
		switch (shape)
		{
		case kShapeSphere:
			return x * x + y * y + z * z <= 0.25;
		case kShapeCube:
			return std::fabs(x) <= 0.5 && std::fabs(y) <= 0.5 && std::fabs(z) <= 0.5;
		case kShapeCone:
			return std::fabs(y) <= 0.5 && std::sqrt(x * x + z * z) <= 0.5 * (0.5 - y);
		case kShapeCylinder:
			return std::fabs(y) <= 0.5 && x * x + z * z <= 0.25;
		default:
			return false;
		}
	}

	Tuple3f RandomInteriorPoint(int shape)
	{
		for (;;)
		{
			const Tuple3f p(RandomIn(-0.45f, 0.45f), RandomIn(-0.45f, 0.45f), RandomIn(-0.45f, 0.45f));
			if (Inside(shape, p.x * 1.05, p.y * 1.05, p.z * 1.05))
				return p;
		}
	}

	// A random placement: a body somewhere, turned, and the piece scaled unevenly, offset and turned in it.
	struct Placement
	{
		RigidBody body;
		PrimitiveCollider piece;
	};

	Placement RandomPlacement(int shape)
	{
		const Tuple3f bodyRotation = test::RandomUnitVector() * RandomIn(0.0f, 3.0f);
		Placement placement{BodyAt(Tuple3f(RandomIn(-5, 5), RandomIn(-5, 5), RandomIn(-5, 5)),
								QuaternionFromRotationVector(bodyRotation)),
			PrimitiveCollider(Tuple3f(RandomIn(0.5f, 3), RandomIn(0.5f, 3), RandomIn(0.5f, 3)), kShapeNames[shape],
				Tuple3f(RandomIn(-1, 1), RandomIn(-1, 1), RandomIn(-1, 1)), test::RandomUnitVector() * RandomIn(0.0f, 3.0f))};
		placement.piece.UpdateTransform(placement.body);
		return placement;
	}

	// The first parameter at which the ray enters the placed solid, found by marching in small
	// steps up to limit and bisecting the step where it enters; -1 when it never does.
	double ReferenceEntry(const PrimitiveCollider& piece, const Tuple3f& origin, const Tuple3f& direction, double limit)
	{
		const auto inside = [&](double t) {
			const Tuple3f world(static_cast<float>(origin.x + t * direction.x), static_cast<float>(origin.y + t * direction.y),
				static_cast<float>(origin.z + t * direction.z));
			const Tuple3f local = piece.inverseMatrix * world;
			return Inside(piece.shapeIndex, local.x, local.y, local.z);
		};
		constexpr double kStep = 1e-3;
		for (double t = 0.0; t <= limit; t += kStep)
			if (inside(t))
			{
				double outsideT = t - kStep, insideT = t;
				for (int i = 0; i < 60; ++i)
				{
					const double middle = 0.5 * (outsideT + insideT);
					(inside(middle) ? insideT : outsideT) = middle;
				}
				return insideT;
			}
		return -1.0;
	}

	// A face runs around its polygon: every corner turns the same way about the direction it faces.
	void ExpectConvexRun(const Tuple3f* points, int count, const Tuple3f& direction)
	{
		int turns[2] = {0, 0};
		for (int i = 0; i < count && count > 2; ++i)
		{
			Tuple3f normal;
			normal.CrossProduct(points[(i + 1) % count] - points[i], points[(i + 2) % count] - points[(i + 1) % count]);
			++turns[normal.DotProduct(direction) > 0.0f ? 0 : 1];
		}
		EXPECT_TRUE(turns[0] == 0 || turns[1] == 0) << turns[0] << " corners turn one way, " << turns[1] << " the other";
	}
}

TEST(PrimitiveCollider, ShapeNamesInAnyCaseGiveTheShapeAndUnknownNamesASphere)
{
	// Unknown names are remembered for the process: a name of its own for each run of the test.
	static int runs = 0;
	const std::string unknown = "Blob" + std::to_string(++runs);
	const std::string lowerUnknown = "blob" + std::to_string(runs);
	const struct
	{
		const char* name;
		int shape;
		int kind;
	} cases[] = {{"sphere", kShapeSphere, kGeometrySphere}, {"Cube", kShapeCube, kGeometryCube},
		{"CUBE", kShapeCube, kGeometryCube}, {"cone", kShapeCone, kGeometryCone},
		{"Cylinder", kShapeCylinder, kGeometryCylinder}, {"plane", kShapePlane, kGeometryPlane},
		{unknown.c_str(), kShapeSphere, kGeometrySphere}, {lowerUnknown.c_str(), kShapeSphere, kGeometrySphere}};
	std::string reports;
	for (const auto& c : cases)
		reports += StderrOf([&] {
			const PrimitiveCollider piece(Tuple3f(1, 1, 1), c.name, Tuple3f(), Tuple3f());
			EXPECT_EQ(piece.shapeIndex, c.shape) << c.name;
			EXPECT_EQ(piece.geometryKind, c.kind) << c.name;
		});
	// The unknown name is reported once, whatever its case.
	EXPECT_EQ(std::count(reports.begin(), reports.end(), '\n'), 1) << reports;
	EXPECT_NE(reports.find("\"" + unknown + "\" is no shape"), std::string::npos) << reports;
	EXPECT_EQ(PrimitiveCollider(Tuple3f(1, 1, 1), "Cube", Tuple3f(), Tuple3f()).shapeName, "cube");
}

TEST(PrimitiveCollider, SupportPointsOfTheUnitShapes)
{
	const float h = 0.5f, diagonal = 0.5f / std::numbers::sqrt2_v<float>;
	const struct
	{
		int shape;
		Tuple3f direction;
		Tuple3f expected;
	} cases[] = {
		{kShapeSphere, {1, 1, 0}, {diagonal, diagonal, 0}},
		{kShapeSphere, {0, 0, -3}, {0, 0, -h}},
		// A zero component takes +0.5 on the cube, -0.5 on the plane.
		{kShapeCube, {1, 0, -1}, {h, h, -h}},
		{kShapePlane, {1, 0, -1}, {h, -h, 0}},
		{kShapePlane, {-1, 2, 5}, {-h, h, 0}},
		{kShapeCone, {0, 1, 0}, {0, h, 0}},
		{kShapeCone, {0, -1, 0}, {0, -h, h}},
		{kShapeCone, {1, 0.4f, 0}, {h, -h, 0}},
		{kShapeCone, {1, 1, 0}, {0, h, 0}},
		{kShapeCone, {0, -1, 1}, {0, -h, h}},
		{kShapeCylinder, {0, 1, 0}, {0, h, h}},
		{kShapeCylinder, {1, -1, 0}, {h, -h, 0}},
		{kShapeCylinder, {0, 0, -1}, {0, -h, -h}},
		{kShapeCylinder, {3, 2, 4}, {0.3f, h, 0.4f}},
	};
	for (const auto& c : cases)
		ExpectNear(UnitShape::Support(c.shape, c.direction), c.expected, 1e-6);
}

TEST(PrimitiveCollider, PlacedSupportIsTheFarthestPointOfThePlacedShape)
{
	tw::SeedRand(11);
	for (int shape = kShapeSphere; shape <= kShapeCylinder; ++shape)
		for (int trial = 0; trial < 20; ++trial)
		{
			const Placement placement = RandomPlacement(shape);
			const Tuple3f direction = test::RandomUnitVector();
			const Tuple3f support = placement.piece.Support(direction);
			const Tuple3f local = placement.piece.inverseMatrix * support;
			EXPECT_TRUE(Inside(shape, local.x * 0.999, local.y * 0.999, local.z * 0.999)) << kShapeNames[shape];
			for (int sample = 0; sample < 200; ++sample)
			{
				const Tuple3f other = placement.piece.worldMatrix * RandomInteriorPoint(shape);
				ASSERT_GE(direction.DotProduct(support) + 1e-4f, direction.DotProduct(other)) << kShapeNames[shape];
			}
		}
}

TEST(PrimitiveCollider, RandomRaysHitWhereTheSolidBegins)
{
	tw::SeedRand(5);
	for (int shape = kShapeSphere; shape <= kShapeCylinder; ++shape)
		for (int trial = 0; trial < 40; ++trial)
		{
			const Placement placement = RandomPlacement(shape);
			const Tuple3f target = placement.piece.worldMatrix * RandomInteriorPoint(shape);
			const Tuple3f origin = target - test::RandomUnitVector() * RandomIn(8.0f, 12.0f);
			const Tuple3f direction = (target - origin).Normalize();
			const double reference = ReferenceEntry(placement.piece, origin, direction, target.Distance(origin));
			ASSERT_GT(reference, 0.0) << kShapeNames[shape];
			EXPECT_NEAR(placement.piece.RayCast(origin, direction), reference, 1e-5 * reference)
				<< kShapeNames[shape] << " trial " << trial;
			// Away from the shape the ray misses.
			EXPECT_EQ(placement.piece.RayCast(origin, -direction), kRayMiss) << kShapeNames[shape];
		}
}

TEST(PrimitiveCollider, RaysFromInsideLeaveAndRaysAlongThePlaneMissIt)
{
	const PrimitiveCollider sphere = Placed("sphere", {2, 2, 2});
	EXPECT_NEAR(sphere.RayCast(Tuple3f(0.25f, 0, 0), Tuple3f(1, 0, 0)), 0.75f, 1e-6) << "the exit point";
	const PrimitiveCollider cube = Placed("cube", {2, 2, 2});
	EXPECT_NEAR(cube.RayCast(Tuple3f(0, 0.5f, 0), Tuple3f(0, -1, 0)), 1.5f, 1e-6);
	const PrimitiveCollider cylinder = Placed("cylinder", {2, 2, 2});
	EXPECT_NEAR(cylinder.RayCast(Tuple3f(0, 0.5f, 0), Tuple3f(1, 0, 0)), 1.0f, 1e-6);

	const PrimitiveCollider plane = Placed("plane", {4, 4, 1}, {0, 0, 1});
	EXPECT_NEAR(plane.RayCast(Tuple3f(1, 1, 5), Tuple3f(0, 0, -1)), 4.0f, 1e-6);
	EXPECT_EQ(plane.RayCast(Tuple3f(1, 1, 5), Tuple3f(0, 0, 1)), kRayMiss) << "behind";
	EXPECT_EQ(plane.RayCast(Tuple3f(3, 1, 5), Tuple3f(0, 0, -1)), kRayMiss) << "beside the square";
	EXPECT_EQ(plane.RayCast(Tuple3f(-5, 0, 1), Tuple3f(1, 0, 0)), kRayMiss) << "parallel, in its plane";
}

TEST(PrimitiveCollider, NormalsOfTheUnitShapes)
{
	const struct
	{
		int shape;
		Tuple3f point;
		Tuple3f expected;
	} cases[] = {
		{kShapeSphere, {0.3f, 0.4f, 0}, {0.3f, 0.4f, 0}},
		{kShapeCube, {0.5f, 0.2f, -0.3f}, {1, 0, 0}},
		{kShapeCube, {0.1f, -0.5f, 0.3f}, {0, -1, 0}},
		{kShapeCube, {0.1f, 0.2f, -0.5f}, {0, 0, -1}},
		{kShapeCylinder, {0.1f, 0.5f, 0.1f}, {0, 1, 0}},
		{kShapeCylinder, {0.1f, -0.5f, 0.1f}, {0, -1, 0}},
		{kShapeCylinder, {0.3f, 0.2f, 0.4f}, {0.3f, 0, 0.4f}},
		{kShapeCone, {0.1f, -0.5f, 0.1f}, {0, -1, 0}},
		{kShapeCone, {0.25f, 0.0f, 0.0f}, {1, 0.5f, 0}},
		{kShapeCone, {0, 0.5f, 0}, {0, 1, 0}},
		{kShapePlane, {0.2f, 0.1f, 0}, {0, 0, 1}},
	};
	for (const auto& c : cases)
		ExpectNear(UnitShape::Normal(c.shape, c.point), c.expected, 1e-6);

	// Stretched into an ellipsoid, the normal stays perpendicular to the surface.
	const PrimitiveCollider ellipsoid = Placed("sphere", {4, 1, 1}, {1, 2, 3}, {0, 0, 0.7f}, BodyAt({0, 1, 0}, kQuarterTurnZ));
	const Tuple3f local(0.5f * std::cos(0.6f), 0.5f * std::sin(0.6f), 0.0f);
	const Tuple3f tangent(-local.y, local.x, 0.0f);
	const Tuple3f worldTangent = ellipsoid.worldMatrix * tangent - ellipsoid.worldMatrix * Tuple3f();
	const Tuple3f normal = ellipsoid.GetNormal(ellipsoid.worldMatrix * local);
	EXPECT_NEAR(normal.Normalize().DotProduct(worldTangent.Normalize()), 0.0f, 1e-5);
	EXPECT_GT(normal.DotProduct(ellipsoid.worldMatrix * local - ellipsoid.GetCentre()), 0.0f) << "outwards";
}

TEST(PrimitiveCollider, FeaturesFacingADirection)
{
	const float tilt = std::tan(2.0f * kColliderPi / 180.0f);
	const struct
	{
		const char* shape;
		Tuple3f direction;
		int count;
	} cases[] = {
		{"sphere", {1, 2, 3}, 1},
		{"cube", {1, 0, 0}, 4}, {"cube", {-1, 0, 0}, 4}, {"cube", {0, 1, 0}, 4}, {"cube", {0, -1, 0}, 4},
		{"cube", {0, 0, 1}, 4}, {"cube", {0, 0, -1}, 4}, {"cube", {1, tilt, 0}, 4},
		{"cube", {1, 1, 0}, 2}, {"cube", {0, -1, 1}, 2}, {"cube", {1, 1, 1}, 1},
		{"cone", {0, 1, 0}, 1}, {"cone", {1, 0, 0}, 2}, {"cone", {0, -1, 0}, 4}, {"cone", {1, -0.5f, 0}, 1},
		{"cone", {2, 1, 0}, 2}, {"cone", {0, 1, -2}, 2}, {"cone", {1, 0.6f, 0}, 1}, // the side: apex and rim
		{"cone", {tilt, -1, tilt}, 5}, {"cone", {-tilt, -1, 0}, 4}, // the base and the rim point it leans to
		{"cylinder", {0, 1, 0}, 6}, {"cylinder", {0, -1, 0}, 6}, {"cylinder", {1, 0, 1}, 2}, {"cylinder", {1, 1, 0}, 1},
		{"plane", {0, 0, 1}, 4}, {"plane", {0, 1, 0.05f}, 2}, {"plane", {1, 0, 0.05f}, 2}, {"plane", {1, 1, 0}, 1},
	};
	for (const auto& c : cases)
	{
		const PrimitiveCollider piece = Placed(c.shape);
		Tuple3f points[ConvexGeometry::kMaxFeaturePoints];
		const int count = piece.GetFeature(c.direction, points);
		ASSERT_EQ(count, c.count) << c.shape << " towards " << c.direction;
		ExpectConvexRun(points, count, c.direction);
		for (int i = 0; i < count; ++i)
		{
			EXPECT_TRUE(piece.shapeIndex == kShapePlane || Inside(piece.shapeIndex, points[i].x * 0.999,
				points[i].y * 0.999, points[i].z * 0.999)) << c.shape << " point " << points[i];
			EXPECT_GE(c.direction.DotProduct(points[i]), 0.0f) << "on the side it faces";
		}
	}

	// A base leaning towards a rim point between two corners of its diamond holds that point, where
	// it touches.
	for (const Tuple3f& leaning : {Tuple3f(tilt, -1, tilt), Tuple3f(-tilt, -1, 0.3f * tilt), Tuple3f(0.2f * tilt, -1, -tilt)})
	{
		const PrimitiveCollider cone = Placed("cone");
		Tuple3f base[ConvexGeometry::kMaxFeaturePoints];
		const int count = cone.GetFeature(leaning, base);
		const Tuple3f touching = cone.Support(leaning);
		EXPECT_TRUE(std::any_of(base, base + count, [&](const Tuple3f& p) { return p.DistanceSquared(touching) < 1e-8f; }))
			<< "towards " << leaning;
	}

	// A unit cube's face under the same tilt, placed and turned: four points on the turned face.
	const PrimitiveCollider cube = Placed("cube", {2, 2, 2}, {1, 0, 0}, {}, BodyAt({0, 3, 0}, kQuarterTurnZ));
	Tuple3f points[ConvexGeometry::kMaxFeaturePoints];
	ASSERT_EQ(cube.GetFeature(Tuple3f(-1, 0, 0), points), 4);
	for (int i = 0; i < 4; ++i)
		EXPECT_NEAR(points[i].x, -1.0f, 1e-5);
}

TEST(PrimitiveCollider, FaceToleranceFollowsTheEpaToleranceSetting)
{
	const float fourDegrees = 4.0f * kColliderPi / 180.0f;
	const Tuple3f direction(std::cos(fourDegrees), std::sin(fourDegrees), 0.0f);
	const PrimitiveCollider cube = Placed("cube");
	Tuple3f points[ConvexGeometry::kMaxFeaturePoints];
	EXPECT_EQ(cube.GetFeature(direction, points), 2) << "3 degrees by default: an edge";
	Physics physics;
	physics.GetSettings().SetEpaToleranceDegrees(6.0f);
	EXPECT_EQ(cube.GetFeature(direction, points), 4) << "within 6 degrees: the face";
}

TEST(PrimitiveCollider, VolumesAndInertiaMatchClosedForms)
{
	const Tuple3f size(2.0f, 3.0f, 4.0f);
	const float mass = 2.0f;
	const struct
	{
		const char* shape;
		float volume;
		Tuple3f moments;
	} cases[] = {
		{"sphere", kColliderPi / 6.0f * 24.0f, {0.4f * (2.25f + 4.0f), 0.4f * (1.0f + 4.0f), 0.4f * (1.0f + 2.25f)}},
		{"cube", 24.0f, {mass / 12 * (9 + 16), mass / 12 * (4 + 16), mass / 12 * (4 + 9)}},
		{"cone", kColliderPi * 3.0f / 3.0f, {0.15f * mass + 0.0375f * mass * 9, 0.3f * mass, 0.15f * mass + 0.0375f * mass * 9}},
		{"cylinder", kColliderPi * 4.0f * 3.0f / 4.0f, {mass / 12 * (3 + 9), 0.5f * mass, mass / 12 * (3 + 9)}},
		{"plane", 0.0f, {mass / 12 * 9, mass / 12 * 4, mass / 12 * 13}},
	};
	for (const auto& c : cases)
	{
		const PrimitiveCollider piece(Tuple3f(1, 1, 1), c.shape, Tuple3f(), Tuple3f());
		EXPECT_NEAR(piece.GetVolume(size), c.volume, 1e-5 * c.volume) << c.shape;
		Matrix4 tensor;
		piece.ComputeInertia(size, mass, tensor);
		ExpectRowsNear(tensor, {c.moments.x, 0, 0, 0, c.moments.y, 0, 0, 0, c.moments.z}, 1e-5);
	}
}

TEST(PrimitiveCollider, NavigationExportIsABoxForEverySolidAndASquareForThePlane)
{
	for (const char* shape : {"sphere", "cube", "cone", "cylinder"})
	{
		const PrimitiveCollider piece(Tuple3f(2, 4, 6), shape, Tuple3f(1, 0, 0), Tuple3f(0, 0, kColliderPi / 2));
		const std::vector<Tuple3f> vertices = piece.GetVertices();
		ASSERT_EQ(vertices.size(), 8u) << shape;
		EXPECT_EQ(piece.GetIndices().size(), 12u);
		// (-0.5, 0.5, 0.5) scaled to (-1, 2, 3), turned a quarter about z to (-2, -1, 3), offset.
		ExpectNear(vertices[0], Tuple3f(-1, -1, 3), 1e-5);
	}
	const PrimitiveCollider plane(Tuple3f(2, 2, 1), "plane", Tuple3f(), Tuple3f());
	EXPECT_EQ(plane.GetVertices().size(), 4u);
	EXPECT_EQ(plane.GetIndices(), (std::vector<IndexTriple>{{0, 1, 2}, {0, 2, 3}}));
}

TEST(PrimitiveCollider, PlacementComposesTheOffsetWithTheBody)
{
	const PrimitiveCollider piece = Placed("cube", {2, 1, 1}, {1, 0, 0}, {}, BodyAt({0, 5, 0}, kQuarterTurnZ));
	ExpectNear(piece.GetCentre(), Tuple3f(0, 6, 0), 1e-6);
	ExpectNear(piece.inverseMatrix * piece.worldMatrix, Matrix4::Identity(), 1e-5);
	ExpectNear(piece.worldOrientation, kQuarterTurnZ, 1e-6);
	// The cube's long axis (x, 2 units) now runs along the world's y: (1, -0.5, 0.5) turns to (0.5, 1, 0.5).
	ExpectNear(piece.Support(Tuple3f(0.1f, 1, 0.1f)), Tuple3f(0.5f, 7, 0.5f), 1e-5);
}
