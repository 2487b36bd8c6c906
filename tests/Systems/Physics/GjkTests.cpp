#include "Systems/Physics/Gjk.h"

#include "Systems/Physics/NarrowPhaseTestSupport.h"
#include "Systems/Physics/TriangleCollider.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace
{
	SimplexVertex At(const Tuple3f& point)
	{
		return {point, Tuple3f(), point};
	}

	// Whether the tetrahedron holds the point, or has it on its surface within the GJK band.
	bool Encloses(const Simplex& s, const test::Vector& p)
	{
		const test::Vector v[4] = {s[0].point, s[1].point, s[2].point, s[3].point};
		for (int opposite = 0; opposite < 4; ++opposite)
		{
			const test::Vector &a = v[(opposite + 1) % 4], &b = v[(opposite + 2) % 4], &c = v[(opposite + 3) % 4];
			test::Vector normal = (b - a).Cross(c - a);
			normal = normal * (1.0 / normal.Length());
			if ((v[opposite] - a).Dot(normal) > 0.0)
				normal = normal * -1.0;
			if ((p - a).Dot(normal) > 2e-4)
				return false;
		}
		return true;
	}

	// A tetrahedron around the origin, ordered as the triangle case leaves a simplex (newest last):
	// the faces through the newest vertex then face outwards.
	const Tuple3f kTetrahedron[4] = {{1, 0, -1}, {-0.5f, 0.866f, -1}, {-0.5f, -0.866f, -1}, {0, 0, 2}};

	// The point of the simplex's hull nearest the origin, by trying every vertex, edge and face
	// (and the inside of a tetrahedron).
	test::Vector NearestToOrigin(const Simplex& s)
	{
		test::Vector best = s[0].point;
		const auto consider = [&best](const test::Vector& p) {
			if (p.Length() < best.Length())
				best = p;
		};
		const std::size_t n = s.size();
		for (std::size_t i = 0; i < n; ++i)
			for (std::size_t j = i + 1; j < n; ++j)
			{
				const test::Vector a = s[i].point, e = test::Vector(s[j].point) - a;
				const double t = -a.Dot(e) / e.Dot(e);
				if (t > 0.0 && t < 1.0)
					consider(a + e * t);
				for (std::size_t k = j + 1; k < n; ++k)
				{
					const test::Vector f = test::Vector(s[k].point) - a;
					const double ee = e.Dot(e), ef = e.Dot(f), ff = f.Dot(f), det = ee * ff - ef * ef;
					const double u = (-a.Dot(e) * ff + a.Dot(f) * ef) / det, v = (-a.Dot(f) * ee + a.Dot(e) * ef) / det;
					if (det > 1e-12 && u > 0.0 && v > 0.0 && u + v < 1.0)
						consider(a + e * u + f * v);
				}
			}
		return n == 4 && Encloses(s, test::Vector()) ? test::Vector() : best;
	}

	Simplex Shifted(const Tuple3f& shift)
	{
		Simplex simplex;
		for (const Tuple3f& p : kTetrahedron)
			simplex.push_back(At(p - shift));
		return simplex;
	}
}

TEST(Gjk, NoIterationsNeverOverlap)
{
	GjkWorkspace work;
	const PrimitiveCollider a = test::Primitive("cube", {1, 1, 1}, {0, 0, 0});
	EXPECT_FALSE(GjkIntersect(work, a, a, 0));
	EXPECT_TRUE(GjkIntersect(work, a, a, 20)) << "the zero first direction is nudged";
	EXPECT_EQ(work.simplex.size(), 4u);
	const PrimitiveCollider apart = test::Primitive("cube", {1, 1, 1}, {2.5f, 0, 0});
	EXPECT_FALSE(GjkIntersect(work, a, apart, 20));
	EXPECT_EQ(work.simplex.size(), 1u) << "the first support point does not pass the origin";
}

TEST(Gjk, VerdictMatchesAnalyticAnswersAtRandomPoses)
{
	tw::SeedRand(45);
	GjkWorkspace work;
	int overlaps = 0, decided = 0;
	for (int trial = 0; trial < 3000; ++trial)
	{
		const Tuple3f sizeA(RandomIn(0.3f, 2), RandomIn(0.3f, 2), RandomIn(0.3f, 2));
		const Tuple3f sizeB(RandomIn(0.3f, 2), RandomIn(0.3f, 2), RandomIn(0.3f, 2));
		const Tuple3f centreA(RandomIn(-1, 1), RandomIn(-1, 1), RandomIn(-1, 1));
		const Tuple3f centreB = centreA + test::RandomUnitVector() * RandomIn(0, 2.5f);
		double margin = 0.0;
		PrimitiveCollider a = test::Primitive("cube", sizeA, centreA), b = a;
		switch (trial % 3)
		{
		case 0:
			a = test::Primitive("sphere", {sizeA.x, sizeA.x, sizeA.x}, centreA);
			b = test::Primitive("sphere", {sizeB.x, sizeB.x, sizeB.x}, centreB);
			margin = (sizeA.x + sizeB.x) / 2.0 - test::Vector(centreB - centreA).Length();
			break;
		case 1:
			a = test::Primitive("sphere", {sizeA.x, sizeA.x, sizeA.x}, centreA);
			b = test::Primitive("cube", sizeB, centreB, test::RandomOrientation());
			margin = sizeA.x / 2.0 - (test::ClosestPointOfBox(b, sizeB, centreA) - centreA).Length();
			break;
		default:
			a = test::Primitive("cube", sizeA, centreA, test::RandomOrientation());
			b = test::Primitive("cube", sizeB, centreB, test::RandomOrientation());
			margin = test::BoxPenetration(a, b);
		}
		if (std::fabs(margin) < 1e-3)
			continue;
		++decided;
		overlaps += margin > 0;
		const bool overlap = GjkIntersect(work, a, b, 20);
		ASSERT_EQ(overlap, margin > 0) << "trial " << trial << " margin " << margin;
		if (overlap)
		{
			ASSERT_TRUE(Encloses(work.simplex, test::Vector())) << "trial " << trial;
		}
	}
	EXPECT_GT(overlaps, decided / 4);
	EXPECT_LT(overlaps, decided * 3 / 4);
}

TEST(Gjk, TriangleCaseKeepsTheRegionOfTheOrigin)
{
	// The triangle C, B, A (A newest) in the plane z = 1, shifted so that the origin lies in each
	// region in turn.
	const Tuple3f c(0, 0, 1), b(2, 0, 1), a(0, 2, 1);
	const struct
	{
		Tuple3f shift;
		std::vector<Tuple3f> kept;
	} cases[] = {
		{{-1, 1, 0}, {c, a}},      // beyond the edge AC
		{{1, 1, 0}, {a, b}},       // beyond the edge AB
		{{0.5f, 0.5f, 2}, {c, b, a}}, // over the triangle, on the side of its normal AC x AB (+z)
		{{0.5f, 0.5f, 0}, {b, c, a}}, // under the triangle: the winding flips
	};
	for (const auto& entry : cases)
	{
		Simplex simplex = {At(c - entry.shift), At(b - entry.shift), At(a - entry.shift)};
		Tuple3f direction;
		EXPECT_FALSE(SimplexTriangleCase(direction, simplex));
		ASSERT_EQ(simplex.size(), entry.kept.size()) << entry.shift;
		for (std::size_t i = 0; i < simplex.size(); ++i)
			ExpectNear(simplex[i].point, entry.kept[i] - entry.shift, 1e-6);
		EXPECT_GT(direction.DotProduct(-simplex.back().point), 0.0f) << "the direction leads to the origin";
	}
}

TEST(Gjk, TetrahedronCaseEnclosesOrReducesToTheFaceOrEdgeOverTheOrigin)
{
	const test::Vector apex = kTetrahedron[3], p0 = kTetrahedron[0], p1 = kTetrahedron[1], p2 = kTetrahedron[2];
	const test::Vector n0 = (p0 - apex).Cross(p1 - apex), n2 = (p2 - apex).Cross(p0 - apex);
	const test::Vector faceCentre = (p0 + p1 + apex) * (1.0 / 3.0);
	const test::Vector beyondFace = faceCentre + n0 * (0.5 / n0.Length());
	const test::Vector beyondEdge = (p0 + apex) * 0.5 + (n0 * (1.0 / n0.Length()) + n2 * (1.0 / n2.Length())) * 2.0;

	const auto single = [](const test::Vector& v) { return Tuple3f(static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)); };
	// The origin inside, beyond the face (p0, p1, apex), beyond the edge (p0, apex): what stays.
	const struct
	{
		Tuple3f shift;
		std::vector<int> kept;
	} cases[] = {{{}, {0, 1, 2, 3}}, {single(beyondFace), {0, 1, 3}}, {single(beyondEdge), {0, 3}}};
	for (const auto& entry : cases)
	{
		Simplex simplex = Shifted(entry.shift);
		Tuple3f direction;
		EXPECT_EQ(SimplexTetrahedronCase(direction, simplex), entry.kept.size() == 4);
		ASSERT_EQ(simplex.size(), entry.kept.size());
		for (std::size_t i = 0; i < simplex.size(); ++i)
			ExpectNear(simplex[i].point, kTetrahedron[entry.kept[i]] - entry.shift, 1e-6);
		if (entry.kept.size() == 4)
			continue;
		EXPECT_GT(direction.DotProduct(-simplex.back().point), 0.0f) << "towards the origin";
		if (entry.kept.size() == 2)
		{
			EXPECT_NEAR(direction.DotProduct(simplex[1].point - simplex[0].point), 0.0f, 1e-4) << "perpendicular to the edge";
		}
	}
}

TEST(Gjk, EachCaseKeepsTheSubSimplexNearestTheOriginAlongRandomSearches)
{
	// GJK's searches as they run: each new vertex lies past the origin along the search direction.
	// Whatever a case drops, the nearest point of what it keeps is the nearest point of what it got.
	bool (*const cases[])(Tuple3f&, Simplex&) = {SimplexPointCase, SimplexLineCase, SimplexTriangleCase,
		SimplexTetrahedronCase};
	std::mt19937 random(7);
	std::uniform_real_distribution<float> coordinate(-2.0f, 2.0f);
	const auto randomPoint = [&] { return Tuple3f(coordinate(random), coordinate(random), coordinate(random)); };
	int checked = 0;
	for (int search = 0; search < 2000; ++search)
	{
		Simplex simplex = {At(randomPoint())};
		Tuple3f direction;
		SimplexPointCase(direction, simplex);
		while (simplex.size() < 4 && direction.LengthSquared() > 1e-6f)
		{
			Tuple3f next = randomPoint();
			while (next.DotProduct(direction) <= 0.1f * static_cast<float>(direction.Length()))
				next = randomPoint();
			simplex.push_back(At(next));
			const test::Vector nearest = NearestToOrigin(simplex);
			const bool encloses = cases[simplex.size() - 1](direction, simplex);
			ASSERT_EQ(encloses, nearest.Length() == 0.0) << "search " << search;
			if (encloses)
				break;
			const test::Vector kept = NearestToOrigin(simplex);
			ASSERT_NEAR((kept - nearest).Length(), 0.0, 1e-4) << "search " << search << ", " << simplex.size() << " kept";
			ASSERT_GT(test::Vector(direction).Dot(nearest * -1.0), 0.0) << "the search leads to the origin";
			++checked;
		}
	}
	EXPECT_GT(checked, 3000);
}

// A 0.5 cube a few millimetres into a floor of two 60 x 60 triangles, at places across it (in the
// middle of a triangle, on the diagonal they share, near an edge, near a corner, and on a floor far
// from the world's origin), flat and turned: the triangle under its deepest corner overlaps it.
TEST(Gjk, FindsACubeAFewMillimetresIntoAVeryLargeTriangle)
{
	const Tuple3f places[] = {{0, 0, 0}, {-12, 0, 9}, {9, 0, -12}, {7.5f, 0, 7.5f}, {-21, 0, -21}, {28, 0, 0},
		{0, 0, -29.5f}, {27, 0, -27}};
	const Tuple3f floorsAt[] = {{0, 0, 0}, {-400, 25, 700}};
	const float depths[] = {0.002f, 0.005f};
	tw::SeedRand(3);
	GjkWorkspace work;
	int misses = 0;
	std::string where;
	for (const Tuple3f& floorAt : floorsAt)
	{
		const Tuple3f corners[4] = {floorAt + Tuple3f(-30, 0, -30), floorAt + Tuple3f(30, 0, -30),
			floorAt + Tuple3f(30, 0, 30), floorAt + Tuple3f(-30, 0, 30)};
		TriangleCollider triangles[2] = {{&corners[0], &corners[2], &corners[1]}, {&corners[0], &corners[3], &corners[2]}};
		for (TriangleCollider& triangle : triangles)
			triangle.Bake();
		for (const Tuple3f& place : places)
			for (const float depth : depths)
				for (int turn = 0; turn < 8; ++turn)
				{
					const Quaternion orientation = turn == 0 ? Quaternion() : test::RandomOrientation();
					PrimitiveCollider cube = test::Primitive("cube", {0.5f, 0.5f, 0.5f}, Tuple3f(), orientation);
					const float lowest = cube.Support(Tuple3f(0, -1, 0)).y;
					cube = test::Primitive("cube", {0.5f, 0.5f, 0.5f}, floorAt + place + Tuple3f(0, -lowest - depth, 0), orientation);
					const Tuple3f deepest = cube.Support(Tuple3f(0, -1, 0)) - floorAt;
					// The triangle (0, 2, 1) lies where x > z.
					const TriangleCollider& under = triangles[deepest.x > deepest.z ? 0 : 1];
					if (!GjkIntersect(work, cube, under, 20))
					{
						++misses;
						where += " (" + std::to_string(place.x) + ", " + std::to_string(place.z) + ") " +
							std::to_string(depth) + " deep, turn " + std::to_string(turn) + " on floor at " + std::to_string(floorAt.x) + ";";
					}
				}
	}
	EXPECT_EQ(misses, 0) << where;
}
