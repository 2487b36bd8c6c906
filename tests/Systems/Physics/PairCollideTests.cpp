#include "Systems/Physics/ContactPoint.h"
#include "Systems/Physics/PairCollide.h"
#include "Systems/Physics/NarrowPhaseContext.h"
#include "Systems/Physics/TriangleCollider.h"

#include "Systems/Physics/NarrowPhaseTestSupport.h"
#include "Systems/Physics/Physics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
	const Quaternion kEighthTurnY = QuaternionFromRotationVector({0, std::numbers::pi_v<float> / 4, 0});
	// A plane lies in its local x-y square; this turns its normal up.
	const Quaternion kPairFloorTurn = QuaternionFromRotationVector({-std::numbers::pi_v<float> / 2, 0, 0});

	PrimitiveCollider UnitCube(const Tuple3f& position, const Quaternion& orientation = Quaternion())
	{
		return test::Primitive("cube", {1, 1, 1}, position, orientation);
	}

	PrimitiveCollider FloorPrimitive(float size = 10.0f)
	{
		return test::Primitive("plane", {size, size, 1}, {0, 0, 0}, kPairFloorTurn);
	}

	PrimitiveCollider Ball(const Tuple3f& centre, float radius = 0.5f)
	{
		return test::Primitive("sphere", {2 * radius, 2 * radius, 2 * radius}, centre);
	}

	// The direction as a unit vector, its sign made positive along the reference.
	Tuple3f Along(const Tuple3f& direction, const Tuple3f& reference)
	{
		const Tuple3f unit = direction.Normalize();
		return unit.DotProduct(reference) < 0 ? -unit : unit;
	}
}

TEST(PairTest, BoxesOverlappingAlongXKeepTheFirstTiedAxisAndATurnedEdgeTakesTheFaceAxis)
{
	PairTestScratch scratch;
	Tuple3f direction;
	const PrimitiveCollider a = UnitCube({0, 0, 0});
	ASSERT_TRUE(BoxBoxCollide(scratch, a, UnitCube({0.9f, 0, 0}), direction));
	EXPECT_EQ(direction, Tuple3f(1, 0, 0)) << "the first cube's x axis, tried before the second's";
	// Turned 45 degrees about y, its edge reaches 0.7071 along x: 0.05 into the other cube's face.
	ASSERT_TRUE(BoxBoxCollide(scratch, a, UnitCube({1.157f, 0.2f, 0}, kEighthTurnY), direction));
	ExpectNear(Along(direction, {1, 0, 0}), {1, 0, 0}, 1e-5);
	Tuple3f unchanged(7, 7, 7);
	EXPECT_FALSE(BoxBoxCollide(scratch, a, UnitCube({1.0f, 0, 0}), unchanged)) << "faces that only touch";
	EXPECT_EQ(unchanged, Tuple3f(7, 7, 7));
}

TEST(PairTest, WithAContactMarginBoxesTouchAcrossAGapOnlyAlongTheGravity)
{
	PairTestScratch scratch;
	scratch.contactMargin = kContactMargin;
	const PrimitiveCollider a = UnitCube({0, 0, 0});
	const struct
	{
		Tuple3f centre;
		bool touches;
	} cases[] = {
		{{0.0f, 1.0f, 0.0f}, true},
		{{0.3f, 1.0f + 0.5f * kContactMargin, 0.0f}, true},
		{{0.0f, 1.0f + 2.0f * kContactMargin, 0.0f}, false},
		{{1.0f, 0.0f, 0.0f}, false},
		{{0.0f, 0.0f, 1.0f + 0.5f * kContactMargin}, false},
	};
	for (const auto& c : cases)
	{
		Tuple3f direction;
		EXPECT_EQ(BoxBoxCollide(scratch, a, UnitCube(c.centre), direction), c.touches) << c.centre;
		if (c.touches)
			EXPECT_EQ(Along(direction, {0, 1, 0}), Tuple3f(0, 1, 0)) << c.centre;
	}
}

TEST(PairTest, BoxBoxAgreesWithBruteForceAtRandomPoses)
{
	tw::SeedRand(48);
	PairTestScratch scratch;
	int overlaps = 0;
	for (int trial = 0; trial < 2000; ++trial)
	{
		const Tuple3f sizeA(RandomIn(0.3f, 2), RandomIn(0.3f, 2), RandomIn(0.3f, 2));
		const Tuple3f sizeB(RandomIn(0.3f, 2), RandomIn(0.3f, 2), RandomIn(0.3f, 2));
		const PrimitiveCollider a = test::Primitive("cube", sizeA, {0, 0, 0}, test::RandomOrientation());
		const PrimitiveCollider b = test::Primitive("cube", sizeB, test::RandomUnitVector() * RandomIn(0, 2.5f), test::RandomOrientation());
		const double penetration = test::BoxPenetration(a, b);
		if (std::fabs(penetration) < 1e-3)
			continue;
		Tuple3f direction;
		ASSERT_EQ(BoxBoxCollide(scratch, a, b, direction), penetration > 0) << "trial " << trial;
		if (penetration <= 0)
			continue;
		++overlaps;
		// The chosen axis separates the boxes by the least distance.
		const Tuple3f unit = direction.Normalize();
		const double along = std::min(test::Vector(a.Support(unit) - b.Support(-unit)).Dot(unit),
			test::Vector(b.Support(unit) - a.Support(-unit)).Dot(unit));
		// Edge axes carry the small addition divided by their length, which may pick an axis
		// that separates a little less readily.
		EXPECT_GE(along, penetration - 1e-4) << "trial " << trial;
		EXPECT_LE(along, penetration + 5e-3) << "trial " << trial;
	}
	EXPECT_GT(overlaps, 500);
}

TEST(PairTest, BoxAgainstPlaneRectangle)
{
	PairTestScratch scratch;
	const PrimitiveCollider floor = FloorPrimitive(4.0f);
	Tuple3f direction;
	ASSERT_TRUE(BoxPlaneCollide(scratch, UnitCube({0.5f, 0.45f, -0.3f}), floor, direction)) << "sunk 0.05 deep";
	ExpectNear(Along(direction, {0, 1, 0}), {0, 1, 0}, 1e-5);
	EXPECT_FALSE(BoxPlaneCollide(scratch, UnitCube({2.6f, 0.2f, 0}), floor, direction)) << "beside the rectangle's edge";
	// A corner pointing at the rectangle's edge, 0.05 beyond it, and 0.05 over it.
	const Quaternion cornerFirst = QuaternionFromTo(Tuple3f(-1, -1, -1).Normalize(), Tuple3f(-1, 0, 0));
	EXPECT_FALSE(BoxPlaneCollide(scratch, UnitCube({2.05f + 0.8660254f, 0, 0}, cornerFirst), floor, direction));
	EXPECT_TRUE(BoxPlaneCollide(scratch, UnitCube({1.95f + 0.8660254f, 0, 0}, cornerFirst), floor, direction));
	EXPECT_FALSE(BoxPlaneCollide(scratch, UnitCube({0, 0.51f, 0}), floor, direction)) << "above it";
	EXPECT_TRUE(BoxPlaneCollide(scratch, UnitCube({2.4f, 0.2f, 0}), floor, direction)) << "over the edge";
}

TEST(PairTest, SphereAgainstPlaneIsStrict)
{
	PairTestScratch scratch;
	Tuple3f direction;
	EXPECT_TRUE(SpherePlaneCollide(scratch, Ball({1, 0.49f, 2}), FloorPrimitive(), direction));
	ExpectNear(direction, {0, 1, 0}, 1e-5);
	EXPECT_FALSE(SpherePlaneCollide(scratch, Ball({1, 0.5f, 2}), FloorPrimitive(), direction));
	EXPECT_TRUE(SpherePlaneCollide(scratch, Ball({5.3f, 0.1f, 0}), FloorPrimitive(), direction)) << "over the rectangle's edge";
	EXPECT_FALSE(SpherePlaneCollide(scratch, Ball({5.6f, 0.0f, 0}), FloorPrimitive(), direction)) << "beside it";
}

TEST(PairTest, SphereCentreInsideBoxOrOnPlaneAlwaysOverlaps)
{
	PairTestScratch scratch;
	Tuple3f direction;
	const PrimitiveCollider box = test::Primitive("cube", {4, 4, 4}, {0, 0, 0});
	ASSERT_TRUE(BoxSphereCollide(scratch, box, Ball({0.3f, 1.2f, -0.2f}, 0.1f), direction)) << "deep inside, small";
	ExpectNear(direction, {0, 1, 0}, 1e-5); // towards the nearest face
	ASSERT_TRUE(BoxSphereCollide(scratch, box, Ball({0.3f, -2.0f, 0.5f}, 0.1f), direction)) << "centre on a face";
	ExpectNear(direction, {0, -1, 0}, 1e-5); // that face's normal
	ASSERT_TRUE(SpherePlaneCollide(scratch, Ball({1, 0, 2}, 0.1f), FloorPrimitive(), direction)) << "centre on the rectangle";
	ExpectNear(direction, {0, 0, 1}, 1e-5); // along the in-plane axis of the nearest edge
}

TEST(PairTest, SphereNearBoxCornerPointsFromTheCorner)
{
	PairTestScratch scratch;
	Tuple3f direction;
	const PrimitiveCollider box = UnitCube({0, 0, 0}, kEighthTurnY);
	const Tuple3f corner = box.worldMatrix * Tuple3f(0.5f, 0.5f, 0.5f);
	const Tuple3f outward = Tuple3f(0.3f, 0.4f, 0.2f);
	ASSERT_TRUE(BoxSphereCollide(scratch, box, Ball(corner + outward * 0.05f, 0.1f), direction));
	ExpectNear(direction.Normalize(), outward.Normalize(), 1e-3);
	EXPECT_FALSE(BoxSphereCollide(scratch, box, Ball(corner + outward.Normalize() * 0.11f, 0.1f), direction));
}

TEST(PairTest, BoxSphereAgreesWithTheClosestPointAtRandomPoses)
{
	tw::SeedRand(49);
	PairTestScratch scratch;
	for (int trial = 0; trial < 2000; ++trial)
	{
		const Tuple3f size(RandomIn(0.3f, 2), RandomIn(0.3f, 2), RandomIn(0.3f, 2));
		const PrimitiveCollider box = test::Primitive("cube", size, {0, 0, 0}, test::RandomOrientation());
		const float radius = RandomIn(0.1f, 1.0f);
		const Tuple3f centre = test::RandomUnitVector() * RandomIn(0, 2.5f);
		const test::Vector offset = test::Vector(centre) - test::ClosestPointOfBox(box, size, centre);
		const double margin = radius - offset.Length();
		if (std::fabs(margin) < 1e-3 || offset.Length() < 1e-3)
			continue;
		Tuple3f direction;
		ASSERT_EQ(BoxSphereCollide(scratch, box, Ball(centre, radius), direction), margin > 0) << "trial " << trial;
		if (margin > 0)
		{
			EXPECT_NEAR(test::Vector(direction.Normalize()).Dot(offset * (1.0 / offset.Length())), 1.0, 1e-4) << trial;
		}
	}
}

TEST(PairTest, EllipsoidsGoToGjkAndEpa)
{
	PairTestScratch scratch;
	Tuple3f direction;
	// Scaled (1, 1, 2) and lying 0.9 above the floor: its long axis reaches down to -0.1.
	const PrimitiveCollider egg = test::Primitive("sphere", {1, 1, 2}, {0, 0.9f, 0}, QuaternionFromRotationVector({1.5707964f, 0, 0}));
	ASSERT_TRUE(SpherePlaneCollide(scratch, egg, FloorPrimitive(), direction));
	EXPECT_EQ(scratch.gjk.simplex.size() > 4, true) << "EPA grew the GJK tetrahedron";
	ExpectNear(Along(direction, {0, 1, 0}), {0, 1, 0}, 1e-3);
	EXPECT_TRUE(BoxSphereCollide(scratch, UnitCube({0, -0.55f, 0}), egg, direction));
	EXPECT_GT(scratch.gjk.simplex.size(), 4u);
}

TEST(PairTest, IterationSettingsGateTheGjkTests)
{
	Physics physics;
	PairTestScratch scratch;
	Tuple3f direction;
	const PrimitiveCollider cylinder = test::Primitive("cylinder", {1, 1, 1}, {0, 0.45f, 0});
	const PrimitiveCollider cone = test::Primitive("cone", {1, 1, 1}, {0, 0.45f, 0});
	physics.GetSettings().gjkIterations = 2;
	EXPECT_FALSE(GjkEpaCollide(scratch, cylinder, cone, direction));
	physics.GetSettings().gjkIterations = 20;
	EXPECT_TRUE(GjkEpaCollide(scratch, cylinder, cone, direction));
	physics.GetSettings().epaIterations = 1;
	EXPECT_FALSE(CylinderPlaneCollide(scratch, cylinder, FloorPrimitive(), direction));
	physics.GetSettings().gjkIterations = 3;
	physics.GetSettings().epaIterations = 2;
	EXPECT_FALSE(GjkEpaCollide(scratch, cylinder, cone, direction)) << "three rounds never build a tetrahedron";
	physics.GetSettings().gjkIterations = 20;
	EXPECT_TRUE(CylinderPlaneCollide(scratch, cylinder, FloorPrimitive(), direction));
}

namespace
{
	// The point of a solid sphere, cylinder or cone (unit shapes scaled to the size, posed as given)
	// nearest to p, worked out in the shape's frame; false when p lies inside. A cone's section
	// through its axis is the right triangle apex (0, h/2), rim (r, -h/2), base centre (0, -h/2).
	bool ClosestPointOfRound(const std::string& shape, const Tuple3f& size, const Tuple3f& position,
		const Quaternion& orientation, const Tuple3f& p, test::Vector& closest)
	{
		const test::Vector local(Quaternion::InverseRotate(orientation, p - position));
		const double r = size.x / 2, h = size.y / 2, rho = std::hypot(local.x, local.z);
		double cr = 0, cy = 0;
		if (shape == "sphere")
		{
			if (local.Length() < r)
				return false;
			closest = test::Vector(position) + (test::Vector(p) - test::Vector(position)) * (r / local.Length());
			return true;
		}
		if (shape == "cylinder")
		{
			if (rho < r && std::fabs(local.y) < h)
				return false;
			cr = std::min(rho, r);
			cy = std::clamp(local.y, -h, h);
		}
		else
		{
			if (local.y > -h && rho < r * (h - local.y) / (2 * h))
				return false;
			const double corners[3][2] = {{0, h}, {r, -h}, {0, -h}};
			double best = 1e30;
			for (int edge = 0; edge < 3; ++edge)
			{
				const double *a = corners[edge], *b = corners[(edge + 1) % 3];
				const double dr = b[0] - a[0], dy = b[1] - a[1];
				const double t = std::clamp(((rho - a[0]) * dr + (local.y - a[1]) * dy) / (dr * dr + dy * dy), 0.0, 1.0);
				const double qr = a[0] + t * dr, qy = a[1] + t * dy;
				const double distance = std::hypot(rho - qr, local.y - qy);
				if (distance < best)
				{
					best = distance;
					cr = qr;
					cy = qy;
				}
			}
		}
		const double scale = rho > 0 ? cr / rho : 0;
		closest = test::Vector(position) + test::Vector(Quaternion::Rotate(orientation,
			Tuple3f(static_cast<float>(local.x * scale), static_cast<float>(cy), static_cast<float>(local.z * scale))));
		return true;
	}

	TEST(PairCollide, CurvedPairsGiveTheExactNormalWithinTwoDegreesAtTheShippedSettings)
	{
		const double kCosTwoDegrees = std::cos(2.0 * std::numbers::pi / 180.0);
		tw::SeedRand(26);
		NarrowPhaseContext context;
		for (const char* shape : {"sphere", "cylinder", "cone"})
		{
			int checked = 0;
			for (int trial = 0; trial < 300; ++trial)
			{
				const float radius = RandomIn(0.2f, 0.8f), width = RandomIn(0.4f, 2.0f);
				const Tuple3f size(width, shape == std::string("sphere") ? width : RandomIn(0.4f, 2.0f), width);
				const Quaternion orientation = test::RandomOrientation();
				const PrimitiveCollider round = test::Primitive(shape, size, {0, 0, 0}, orientation);
				const Tuple3f centre = test::RandomUnitVector() * RandomIn(0.1f, 1.5f);
				test::Vector closest;
				if (!ClosestPointOfRound(shape, size, {0, 0, 0}, orientation, centre, closest))
					continue;
				const test::Vector gap = test::Vector(centre) - closest;
				if (gap.Length() < 0.02 || gap.Length() > radius - 0.02)
					continue;
				++checked;
				ASSERT_TRUE(context.TestPair(round, Ball(centre, radius))) << shape << " trial " << trial;
				const double cosine = std::fabs(test::Vector(context.normal.Normalize()).Dot(gap * (1.0 / gap.Length())));
				EXPECT_GT(cosine, kCosTwoDegrees) << shape << " trial " << trial;
			}
			EXPECT_GT(checked, 40) << shape;
		}
	}

	TEST(PairCollide, SphereAgainstATriangleTakesTheClosestPointOfFaceEdgeOrCorner)
	{
		const Tuple3f corners[3] = {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}};
		TriangleCollider triangle(&corners[0], &corners[1], &corners[2]);
		triangle.Bake();
		const struct
		{
			Tuple3f centre;
			Tuple3f normal;
		} cases[] = {{{0.5f, 0.3f, 0.5f}, {0, 1, 0}}, {{1.0f, 0.3f, -0.3f}, Tuple3f(0, 1, -1).Normalize()},
			{{-0.3f, -0.3f, -0.3f}, Tuple3f(-1, -1, -1).Normalize()}, {{0.5f, 0.0f, 0.5f}, {0, 1, 0}}};
		NarrowPhaseContext context;
		for (const auto& c : cases)
		{
			ASSERT_TRUE(context.TestPair(Ball(c.centre, 0.6f), triangle)) << c.centre.x;
			ExpectNear(Along(context.normal, c.normal), c.normal, 1e-5);
		}
		EXPECT_FALSE(context.TestPair(Ball({0.5f, 0.7f, 0.5f}, 0.6f), triangle));
	}
}
