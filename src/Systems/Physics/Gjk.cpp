#include "Systems/Physics/Gjk.h"

#include "Utilities/Quaternion.h"

#include <utility>

namespace
{
	// Added to every component of the search direction before each support query, so that two
	// geometries with the same centre still get a direction to search.
	//
	// This one moves a support across a 60 m piece by no more than the tolerance below. A nudge of
	// 0.0001 would tilt a unit direction by as much, and on a large flat piece the tilt would move
	// the support point farther than a few millimetres of overlap (a 0.5 cube 2 mm into a 60 m
	// triangle would get the triangle's far corner back every round and be found apart).
	constexpr float kDirectionNudge = 1e-6f;
	// A support point must pass the origin by this distance to count, and the origin counts as
	// enclosed by a face that it passes by less.
	constexpr float kGjkTolerance = 0.0001f;

	using SimplexCase = bool (*)(Tuple3f&, Simplex&);
	constexpr SimplexCase kCases[4] = {SimplexPointCase, SimplexLineCase, SimplexTriangleCase, SimplexTetrahedronCase};

	// The part of ao perpendicular to the edge ax (scaled by |ax|²).
	Tuple3f TowardsOriginFromEdge(const Tuple3f& ax, const Tuple3f& ao)
	{
		return Cross(ax, Cross(ao, ax));
	}

	// A direction shorter than this, relative to the simplex's squared size, comes from an origin on
	// the simplex's line or plane, and points nowhere in particular.
	constexpr double kVanishingDirection = 1e-6;

	// The cases' directions are cross products that scale with the simplex, while the origin test
	// and the nudge work in absolute units. So the direction is taken as a unit vector, and a
	// vanishing one is replaced by one off the simplex: the triangle's normal, or one perpendicular
	// to the line. Unscaled, a pair of spheres (whose support points line up with the origin) would
	// give directions shorter than the nudge and be found apart; and where the origin lies on the
	// line or plane of the simplex the direction vanishes, and the nudge alone would search along
	// (1, 1, 1) again and again (two equal boxes sharing a centre would never be found
	// overlapping).
	void KeepSearching(const Simplex& simplex, Tuple3f& direction)
	{
		const Tuple3f edge = simplex.size() >= 2 ? simplex[1].point - simplex[0].point : Tuple3f();
		const double size = simplex.size() >= 2 ? edge.Length() * (simplex.back().point - simplex[0].point).Length() : 1.0;
		if (direction.Length() > kVanishingDirection * size)
			return;
		if (simplex.size() == 3)
		{
			const Tuple3f normal = Cross(edge, simplex[2].point - simplex[0].point);
			if (normal.Length() > kVanishingDirection * size)
			{
				direction = normal;
				return;
			}
		}
		if (simplex.size() >= 2)
			direction = PerpendicularVector(edge);
	}

	Tuple3f Unit(const Tuple3f& direction)
	{
		const double length = direction.Length();
		return length > 0.0 ? direction * static_cast<float>(1.0 / length) : direction;
	}
}

bool GjkIntersect(GjkWorkspace& work, const ConvexGeometry& a, const ConvexGeometry& b, int iterations)
{
	Simplex& simplex = work.simplex;
	simplex.clear();
	Tuple3f direction = b.GetCentre() - a.GetCentre();
	for (int i = 0; i < iterations; ++i)
	{
		direction = Unit(direction + Tuple3f(kDirectionNudge, kDirectionNudge, kDirectionNudge));
		const Tuple3f supportA = a.Support(direction);
		const Tuple3f supportB = b.Support(-direction);
		simplex.push_back({supportA, supportB, supportA - supportB});
		// The farthest point of the difference did not pass the origin: a separating direction.
		if (simplex.back().point.DotProduct(direction) < kGjkTolerance)
			return false;
		if (kCases[simplex.size() - 1](direction, simplex))
			return true;
		KeepSearching(simplex, direction);
	}
	return false;
}

bool SimplexPointCase(Tuple3f& direction, Simplex& simplex)
{
	direction = -simplex[0].point;
	return false;
}

bool SimplexLineCase(Tuple3f& direction, Simplex& simplex)
{
	const Tuple3f a = simplex[1].point;
	direction = TowardsOriginFromEdge(simplex[0].point - a, -a);
	return false;
}

bool SimplexTriangleCase(Tuple3f& direction, Simplex& simplex)
{
	const SimplexVertex c = simplex[0], b = simplex[1], a = simplex[2];
	const Tuple3f ao = -a.point, ab = b.point - a.point, ac = c.point - a.point;
	const Tuple3f normal = Cross(ac, ab);
	const Tuple3f beyondAc = TowardsOriginFromEdge(ac, ao);
	if (beyondAc.DotProduct(Cross(ac, normal)) >= 0.0f)
	{
		simplex = {c, a};
		direction = beyondAc;
		return false;
	}
	const Tuple3f beyondAb = TowardsOriginFromEdge(ab, ao);
	if (beyondAb.DotProduct(Cross(normal, ab)) >= 0.0f)
	{
		simplex = {a, b};
		direction = beyondAb;
		return false;
	}
	// Over the triangle: keep the winding whose normal faces the origin, so that the faces of the
	// next tetrahedron through the new vertex face outwards.
	if (normal.DotProduct(ao) > 0.0f)
		direction = normal;
	else
	{
		std::swap(simplex[0], simplex[1]);
		direction = -normal;
	}
	return false;
}

bool SimplexTetrahedronCase(Tuple3f& direction, Simplex& simplex)
{
	const SimplexVertex a = simplex[3];
	const Tuple3f ao = -a.point;
	// Face f runs through the older vertices f and f + 1 (mod 3) and the newest; its normal, with
	// this winding, points away from the fourth vertex.
	//
	// The band is a distance, measured along unit normals: the bare cross products shrink with the
	// shape, and for a small pair the band would take in origins well outside a face, which would
	// then stay outside the next tetrahedron's base. An origin on a face through the newest vertex,
	// within the band, counts as enclosed: it lies in the Minkowski difference, and reducing to
	// that face would keep it on the simplex's surface for good (two equal boxes sharing a centre
	// would cycle through the same faces until GJK gives up); EPA starts as well from an origin on
	// the polytope's surface.
	Tuple3f normals[3];
	bool facesOrigin[3];
	bool enclosed = true;
	for (int f = 0; f < 3; ++f)
	{
		normals[f] = Unit(Cross(simplex[f].point - a.point, simplex[(f + 1) % 3].point - a.point));
		// A face over three points on a line has no normal and holds nothing in.
		facesOrigin[f] = normals[f] == Tuple3f() || ao.DotProduct(normals[f]) >= kGjkTolerance;
		enclosed = enclosed && !facesOrigin[f];
	}
	if (enclosed)
		return true;
	int face = 0;
	while (!facesOrigin[face])
		++face;

	// Walk from the first face in front of the origin across its edges through the newest vertex
	// until the origin lies over a face, or over an edge between two faces.
	int cameFromEdge = -1;
	for (int visited = 0; visited < 3; ++visited)
	{
		const int older[2] = {face, (face + 1) % 3};
		const Tuple3f& normal = normals[face];
		int beyondEdge = -1;
		for (int side = 0; side < 2 && beyondEdge < 0; ++side)
		{
			const Tuple3f edge = simplex[older[side]].point - a.point;
			// The in-plane perpendicular of the edge that points away from the face's other vertex.
			const Tuple3f outward = side == 0 ? Cross(edge, normal) : Cross(normal, edge);
			if (outward.DotProduct(ao) > 0.0f)
				beyondEdge = older[side];
		}
		if (beyondEdge < 0)
		{
			simplex = {simplex[older[0]], simplex[older[1]], a};
			direction = normal;
			return false;
		}
		// The neighbour across the edge through vertex k is the face that also holds k.
		const int neighbour = beyondEdge == older[0] ? (face + 2) % 3 : older[1];
		if (beyondEdge == cameFromEdge || !facesOrigin[neighbour])
		{
			const SimplexVertex x = simplex[beyondEdge];
			direction = TowardsOriginFromEdge(x.point - a.point, ao);
			simplex = {x, a};
			return false;
		}
		cameFromEdge = beyondEdge;
		face = neighbour;
	}
	// Only reached when every face points at the origin yet none holds it; the first face serves.
	simplex = {simplex[0], simplex[1], a};
	direction = normals[0];
	return false;
}
