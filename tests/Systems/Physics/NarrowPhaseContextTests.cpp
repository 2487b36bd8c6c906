#include "Systems/Physics/NarrowPhaseContext.h"

#include "Systems/Physics/NarrowPhaseTestSupport.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/TriangleCollider.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace
{
	constexpr const char* kKindShapes[] = {"cube", "cone", "cylinder", "sphere", "plane"};

	const Quaternion kFloorTurn = QuaternionFromRotationVector({-std::numbers::pi_v<float> / 2, 0, 0});

	// Tests the pair and, when it overlaps, collects its contacts.
	test::ContactCollector Collide(NarrowPhaseContext& context, const ConvexGeometry& first, const ConvexGeometry& second)
	{
		test::ContactCollector contacts;
		if (context.TestPair(first, second))
			context.GenerateContactManifold(second, first, contacts);
		return contacts;
	}

	void ExpectUnitNormals(const test::ContactCollector& contacts, const std::string& what)
	{
		for (const ContactPoint& contact : contacts.contacts)
			EXPECT_NEAR(contact.normal.Length(), 1.0, 1e-5) << what;
	}
}

TEST(ShapePair, TableHoldsTheSpecialTestsAboveTheDiagonal)
{
	const NarrowPhaseContext context;
	for (int row = 0; row < NarrowPhaseContext::kKindCount; ++row)
		for (int column = 0; column < NarrowPhaseContext::kKindCount; ++column)
		{
			PairTest expected = row <= column ? GjkEpaCollide : nullptr;
			if (row == kGeometryCube && column == kGeometryCube)
				expected = BoxBoxCollide;
			else if (row == kGeometryCube && column == kGeometrySphere)
				expected = BoxSphereCollide;
			else if (row == kGeometryCube && column == kGeometryPlane)
				expected = BoxPlaneCollide;
			else if (row == kGeometryCylinder && column == kGeometryPlane)
				expected = CylinderPlaneCollide;
			else if (row == kGeometrySphere && column == kGeometryPlane)
				expected = SpherePlaneCollide;
			else if (row == kGeometrySphere && column == kGeometrySphere)
				expected = SphereSphereCollide;
			else if (row == kGeometrySphere && column == kGeometryTriangle)
				expected = SphereTriangleCollide;
			EXPECT_EQ(context.GetPairTest(row, column), expected) << row << ", " << column;
		}
	EXPECT_EQ(context.GetPairTest(kGeometrySphere, kGeometryParticle), GjkEpaCollide) << "the particle reaches only GJK";
	EXPECT_EQ(context.GetPairTest(-1, 2), nullptr);
	EXPECT_EQ(context.GetPairTest(2, NarrowPhaseContext::kKindCount), nullptr);
}

TEST(ShapePair, EveryCellOfThePrimitiveShapesIsReached)
{
	NarrowPhaseContext context;
	int cells = 0;
	for (int row = kGeometryCube; row <= kGeometryPlane; ++row)
		for (int column = row; column <= kGeometryPlane; ++column)
		{
			// Overlapping at different centres, each turned a little, either collider first.
			const PrimitiveCollider a = test::Primitive(kKindShapes[row], {1, 1, 1}, {0, 0, 0}, QuaternionFromRotationVector({0.1f, 0.2f, 0}));
			const PrimitiveCollider b = test::Primitive(kKindShapes[column], {1.2f, 1.2f, 1.2f}, {0.2f, 0.25f, 0.15f},
				QuaternionFromRotationVector({0.3f, 0, 0.1f}));
			ASSERT_EQ(a.geometryKind, row);
			ASSERT_EQ(b.geometryKind, column);
			const std::string cell = std::string(kKindShapes[row]) + "/" + kKindShapes[column];
			for (const auto& [first, second] : {std::pair(&a, &b), std::pair(&b, &a)})
			{
				const test::ContactCollector contacts = Collide(context, *first, *second);
				EXPECT_GE(contacts.GetContactCount(), 1u) << cell;
				ExpectUnitNormals(contacts, cell);
			}
			++cells;
		}
	EXPECT_EQ(cells, 15);
}

TEST(ShapePair, EqualKindsPassTheSecondCollidersGeometryFirst)
{
	NarrowPhaseContext context;
	const PrimitiveCollider first = test::Primitive("sphere", {1, 1, 1}, {0, 0, 0});
	const PrimitiveCollider second = test::Primitive("sphere", {1, 1, 1}, {0.8f, 0, 0});
	ASSERT_TRUE(context.TestPair(first, second));
	EXPECT_LT(context.normal.x, 0.0f) << "EPA's direction runs from its first geometry, the second collider's sphere";
	test::ContactCollector contacts;
	context.GenerateContactManifold(second, first, contacts);
	ASSERT_EQ(contacts.GetContactCount(), 1u);
	// Twenty EPA rounds leave a sphere's normal within some twelve degrees.
	EXPECT_GT(contacts.contacts[0].normal.x, 0.97f) << "from the first collider's sphere towards the second's";
	EXPECT_NEAR(contacts.contacts[0].depth, 0.2f, 5e-2);
}

TEST(ShapePair, NormalsPointFromTheSecondBodyTowardsTheFirstAtRandomPoses)
{
	tw::SeedRand(50);
	NarrowPhaseContext context;
	int overlaps = 0;
	for (int trial = 0; trial < 1500; ++trial)
	{
		const int kindA = trial % 5, kindB = (trial / 5) % 5;
		const PrimitiveCollider a = test::Primitive(kKindShapes[kindA], {RandomIn(0.4f, 2), RandomIn(0.4f, 2), RandomIn(0.4f, 2)},
			{0, 0, 0}, test::RandomOrientation());
		const PrimitiveCollider b = test::Primitive(kKindShapes[kindB], {RandomIn(0.4f, 2), RandomIn(0.4f, 2), RandomIn(0.4f, 2)},
			test::RandomUnitVector() * RandomIn(0, 1.0f), test::RandomOrientation());
		const test::ContactCollector contacts = Collide(context, a, b);
		if (contacts.contacts.empty())
			continue;
		++overlaps;
		ExpectUnitNormals(contacts, "trial " + std::to_string(trial));
		// The manifold's first body holds b: its normals lead away from a towards b.
		for (const ContactPoint& contact : contacts.contacts)
		{
			EXPECT_GE(contact.normal.DotProduct(b.GetCentre() - a.GetCentre()), -1e-4f) << "trial " << trial;
			EXPECT_GE(contact.depth, -1e-3f) << "trial " << trial;
		}
	}
	EXPECT_GT(overlaps, 800);
}

TEST(Manifold, CubeOnCubeFaceToFaceGivesTheFourCornersOfTheSmallerFace)
{
	NarrowPhaseContext context;
	const PrimitiveCollider large = test::Primitive("cube", {4, 1, 4}, {0, 0, 0});
	const PrimitiveCollider small = test::Primitive("cube", {1, 1, 1}, {0.3f, 0.95f, -0.2f});
	test::ContactCollector contacts = Collide(context, large, small);
	ASSERT_EQ(contacts.GetContactCount(), 4u);
	for (const ContactPoint& contact : contacts.contacts)
	{
		EXPECT_NEAR(contact.depth, 0.05f, 1e-5);
		ExpectNear(contact.normal, {0, 1, 0}, 1e-5);
		EXPECT_NEAR(contact.point.y, 0.45f, 1e-5) << "on the small cube's bottom face";
		EXPECT_NEAR(std::fabs(contact.point.x - 0.3f), 0.5f, 1e-5);
		EXPECT_NEAR(std::fabs(contact.point.z + 0.2f), 0.5f, 1e-5);
	}
	ASSERT_TRUE(context.TestPair(large, small));
	context.GenerateContactManifold(small, large, contacts);
	EXPECT_EQ(contacts.GetContactCount(), 4u) << "the same points again merge with the stored ones";
}

TEST(Manifold, CornerCrossedEdgesAndSphereOnAFaceGiveOneContact)
{
	NarrowPhaseContext context;
	const Quaternion cornerDown = QuaternionFromTo(Tuple3f(-1, -1, -1).Normalize(), Tuple3f(0, -1, 0));
	// Two cubes turned edge-on to each other: the lower one's top edge runs along x, the upper
	// one's bottom edge along z, 0.02 into each other.
	const float halfDiagonal = 0.70710678f;
	const PrimitiveCollider box = test::Primitive("cube", {2, 2, 2}, {0, 0, 0}, QuaternionFromRotationVector({0, 0.4f, 0}));
	const Tuple3f up = Quaternion::Rotate(box.worldOrientation, {0, 1, 0});
	const struct
	{
		const char* what;
		PrimitiveCollider first, second;
		Tuple3f normal;
		float depth;
		Tuple3f point; // NaN x: not checked
	} cases[] = {
		{"cube standing on a corner", test::Primitive("plane", {10, 10, 1}, {0, 0, 0}, kFloorTurn),
			test::Primitive("cube", {1, 1, 1}, {0.5f, 0.8560254f, 0.5f}, cornerDown), {0, 1, 0}, 0.01f, {0.5f, -0.01f, 0.5f}},
		{"crossed edges", test::Primitive("cube", {1, 1, 1}, {0, 0, 0}, QuaternionFromRotationVector({0.78539816f, 0, 0})),
			test::Primitive("cube", {1, 1, 1}, {0.1f, 2 * halfDiagonal - 0.02f, 0.05f}, QuaternionFromRotationVector({0, 0, 0.78539816f})),
			{0, 1, 0}, 0.02f, {0.1f, halfDiagonal - 0.02f, 0}},
		// The sphere's centre just off a box face takes the face normal.
		{"sphere on a face", box, test::Primitive("sphere", {0.5f, 0.5f, 0.5f}, Tuple3f(0.6f, 0, 0.3f) + up * 1.005f), up,
			0.245f, {std::numeric_limits<float>::quiet_NaN(), 0, 0}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		const test::ContactCollector contacts = Collide(context, c.first, c.second);
		ASSERT_EQ(contacts.GetContactCount(), 1u);
		ExpectNear(contacts.contacts[0].normal, c.normal, 1e-4);
		EXPECT_NEAR(contacts.contacts[0].depth, c.depth, 1e-4);
		if (!std::isnan(c.point.x))
			ExpectNear(contacts.contacts[0].point, c.point, 1e-4);
	}
}

// A cone's apex or a cube's corner 1 cm into a floor, with the direction a few degrees off the
// floor's normal as EPA leaves it: the single contact lies where they touch, on whichever geometry
// the manifold takes first, not at some corner of the floor metres away.
TEST(Manifold, VertexOnAFloorFaceTouchesWhereItRestsWithEitherGeometryFirst)
{
	NarrowPhaseContext context;
	const Tuple3f floorCorners[3] = {{-10, 0, -10}, {10, 0, -10}, {0, 0, 10}};
	TriangleCollider triangle(&floorCorners[0], &floorCorners[1], &floorCorners[2]);
	triangle.Bake();
	const PrimitiveCollider slab = test::Primitive("cube", {20, 1, 20}, {0, -0.5f, 0});
	const Quaternion apexDown = QuaternionFromRotationVector({std::numbers::pi_v<float>, 0, 0});
	const Quaternion cornerDown = QuaternionFromTo(Tuple3f(-1, -1, -1).Normalize(), Tuple3f(0, -1, 0));
	const PrimitiveCollider cone = test::Primitive("cone", {0.4f, 0.6f, 0.4f}, {0.3f, 0.29f, 0.2f}, apexDown);
	const PrimitiveCollider cube = test::Primitive("cube", {0.3f, 0.3f, 0.3f}, {0.3f, 0.15f * std::sqrt(3.0f) - 0.01f, 0.2f}, cornerDown);
	const Tuple3f resting(0.3f, -0.01f, 0.2f);
	// Two degrees off the vertical, inside the three degrees within which a face still faces it.
	const Tuple3f tiltedUp(std::sin(0.035f), std::cos(0.035f), 0);
	const struct
	{
		const char* what;
		const ConvexGeometry& body;
		const ConvexGeometry& floor;
	} cases[] = {
		{"cone apex on a triangle", cone, triangle},
		{"cube corner on a triangle", cube, triangle},
		{"cone apex on a box face", cone, slab},
		{"cube corner on a box face", cube, slab},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.what);
		test::ContactCollector bodyFirst, floorFirst;
		context.normal = -tiltedUp;
		context.GenerateContactManifold(c.body, c.floor, bodyFirst);
		context.normal = tiltedUp;
		context.GenerateContactManifold(c.floor, c.body, floorFirst);
		ASSERT_EQ(bodyFirst.GetContactCount(), 1u);
		ASSERT_EQ(floorFirst.GetContactCount(), 1u);
		ExpectNear(bodyFirst.contacts[0].point, resting, 0.02);
		ExpectNear(floorFirst.contacts[0].point, Tuple3f(resting.x, 0, resting.z), 0.02);
	}
}

// Two segments one unit apart along x share the stretch from x 1 to x 2, whichever way round they
// are listed and tilted a few degrees out of the contact plane (two cones lying side by side); an
// edge tilted farther touches at one point only, which the fallback places.
TEST(Manifold, ParallelEdgesGiveTheEndsOfTheirOverlapListedEitherWayAndTiltedAFewDegrees)
{
	const struct
	{
		const char* what;
		Tuple3f a0, a1, b0, b1;
		std::vector<ClipPoint> expected;
	} cases[] = {
		{"listed alike", {0, 0, 0}, {2, 0, 0}, {1, -0.1f, 0}, {3, -0.1f, 0},
			{{ClipPoint::kFirst, {2, 0, 0}}, {ClipPoint::kSecond, {1, -0.1f, 0}}}},
		{"second listed the other way", {0, 0, 0}, {2, 0, 0}, {3, -0.1f, 0}, {1, -0.1f, 0},
			{{ClipPoint::kFirst, {2, 0, 0}}, {ClipPoint::kSecond, {1, -0.1f, 0}}}},
		{"both tilted 5 degrees", {0, 0, 0}, {2, 0.175f, 0}, {1, -0.1f, 0}, {3, 0.075f, 0},
			{{ClipPoint::kFirst, {2, 0.175f, 0}}, {ClipPoint::kSecond, {1, -0.1f, 0}}}},
		{"both tilted about 30 degrees", {0, 0, 0}, {2, 1.2f, 0}, {1, -0.1f, 0}, {3, 0.9f, 0}, {}},
	};
	for (const auto& c : cases)
	{
		SupportFeature a, b;
		a.count = b.count = 2;
		a.points[0] = c.a0;
		a.points[1] = c.a1;
		b.points[0] = c.b0;
		b.points[1] = c.b1;
		std::vector<ClipPoint> clipped;
		FeatureClipping::ClipEdges(a, b, {0, 1, 0}, clipped);
		ASSERT_EQ(clipped.size(), c.expected.size()) << c.what;
		for (std::size_t i = 0; i < clipped.size(); ++i)
		{
			EXPECT_EQ(clipped[i].side, c.expected[i].side) << c.what << ", point " << i;
			ExpectNear(clipped[i].point, c.expected[i].point, 1e-6);
		}
	}
}

TEST(Manifold, SegmentCrossingAndPolygonContainmentAreStrictAndBanded)
{
	float s = 0;
	EXPECT_TRUE(FeatureClipping::SegmentsCross({0, 0, 0}, {2, 0, 0}, {1, -1, 0}, {1, 1, 0}, s));
	EXPECT_FLOAT_EQ(s, 0.5f);
	EXPECT_FALSE(FeatureClipping::SegmentsCross({0, 0, 0}, {2, 0, 0}, {2, -1, 0}, {2, 1, 0}, s)) << "at an end: s = 1";
	EXPECT_FALSE(FeatureClipping::SegmentsCross({0, 0, 0}, {2, 0, 0}, {0, 1, 0}, {2, 1, 0}, s)) << "parallel";
	EXPECT_FALSE(FeatureClipping::SegmentsCross({0, 0, 0}, {0, 0, 0}, {1, -1, 0}, {1, 1, 0}, s)) << "no length";
	const Tuple3f square[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
	EXPECT_TRUE(FeatureClipping::PolygonContains(square, 4, {0.5f, 0.5f, 0}));
	EXPECT_TRUE(FeatureClipping::PolygonContains(square, 4, {1.0f, 0.5f, 0})) << "on an edge";
	EXPECT_TRUE(FeatureClipping::PolygonContains(square, 4, {1.00005f, 0.5f, 0})) << "within the band";
	EXPECT_FALSE(FeatureClipping::PolygonContains(square, 4, {1.001f, 0.5f, 0}));
	EXPECT_FALSE(FeatureClipping::PolygonContains(square, 2, {0.5f, 0, 0})) << "a segment contains nothing";
}

TEST(Manifold, DirectionIsTurnedFromTheFirstGeometryTowardsTheSecond)
{
	NarrowPhaseContext context;
	const PrimitiveCollider lower = test::Primitive("cube", {1, 1, 1}, {0, 0, 0});
	const PrimitiveCollider upper = test::Primitive("cube", {1, 1, 1}, {0, 0.9f, 0});
	const float nan = std::numeric_limits<float>::quiet_NaN();
	const Tuple3f directions[] = {{0, 1, 0}, {0, -5, 0}, {0, 0, 0}, {nan, 0, 0}, {std::numeric_limits<float>::infinity(), 0, 0}};
	for (const Tuple3f& direction : directions)
	{
		context.normal = direction;
		test::ContactCollector contacts;
		context.GenerateContactManifold(upper, lower, contacts);
		ExpectNear(context.normal.Normalize(), {0, -1, 0}, 1e-6);
		ASSERT_EQ(contacts.GetContactCount(), 4u) << direction;
		ExpectNear(contacts.contacts[0].normal, {0, 1, 0}, 1e-6);
		EXPECT_NEAR(contacts.contacts[0].depth, 0.1f, 1e-5);
	}
}

TEST(Manifold, DepthMatchesAnalyticAnswersAtRandomPoses)
{
	tw::SeedRand(51);
	Physics physics;
	// Curved shapes need more EPA rounds than the default for this accuracy.
	physics.GetSettings().epaIterations = 200;
	NarrowPhaseContext context;
	int checked = 0;
	for (int trial = 0; trial < 1500; ++trial)
	{
		const float radius = RandomIn(0.2f, 1.0f);
		const Tuple3f sizeB(RandomIn(0.3f, 2), RandomIn(0.3f, 2), RandomIn(0.3f, 2));
		const Tuple3f centreB = test::RandomUnitVector() * RandomIn(0.1f, 1.5f);
		PrimitiveCollider a = test::Primitive("sphere", {2 * radius, 2 * radius, 2 * radius}, {0, 0, 0});
		PrimitiveCollider b = a;
		double depth = 0.0;
		switch (trial % 3)
		{
		case 0:
		{
			const float other = RandomIn(0.2f, 1.0f);
			b = test::Primitive("sphere", {2 * other, 2 * other, 2 * other}, centreB);
			depth = radius + other - test::Vector(centreB).Length();
			break;
		}
		case 1:
		{
			b = test::Primitive("cube", sizeB, centreB, test::RandomOrientation());
			const double outside = (test::ClosestPointOfBox(b, sizeB, {0, 0, 0})).Length();
			if (outside < 1e-3)
				continue;
			depth = radius - outside;
			break;
		}
		default:
			a = test::Primitive("cube", {RandomIn(0.3f, 2), RandomIn(0.3f, 2), RandomIn(0.3f, 2)}, {0, 0, 0}, test::RandomOrientation());
			b = test::Primitive("cube", sizeB, centreB, test::RandomOrientation());
			depth = test::BoxPenetration(a, b);
		}
		if (std::fabs(depth) < 1e-3 || depth > 0.3)
			continue;
		const test::ContactCollector contacts = Collide(context, a, b);
		ASSERT_EQ(contacts.contacts.empty(), depth < 0) << "trial " << trial;
		if (depth < 0)
			continue;
		++checked;
		// Boxes choose their axis with an allowance on the edge axes: a little deeper is possible.
		// A sphere centre within a hair of the box turns the normal by float rounding, which moves
		// the box's support point along a face.
		EXPECT_NEAR(contacts.DeepestDepth(), depth, trial % 3 == 2 ? 5e-3 : 5e-4) << "trial " << trial;
	}
	EXPECT_GT(checked, 200);
}
