#include "Systems/Physics/PairCollide.h"

#include "Systems/Physics/Physics.h"
#include "Systems/Physics/PrimitiveCollider.h"
#include "Systems/Physics/TriangleCollider.h"

#include <cmath>

namespace
{
	constexpr float kPairTolerance = 0.0001f;
	// An entry of the axis-cosine matrix above this: two axes point the same way, and the edge
	// axes, whose cross products would be noise, are not tried.
	constexpr float kPairSameWayCosine = 0.9999f;

	// A primitive read as a solid in world space: centre, unit axes, and half its size along each.
	struct SolidBox
	{
		Tuple3f centre;
		Tuple3f axes[3];
		float half[3] = {};
	};

	SolidBox SolidOf(const PrimitiveCollider& piece)
	{
		static const Tuple3f kUnitAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
		SolidBox solid;
		solid.centre = piece.GetCentre();
		for (int i = 0; i < 3; ++i)
		{
			solid.axes[i] = Quaternion::Rotate(piece.worldOrientation, kUnitAxes[i]);
			// The world matrix carries the piece's scale times the body's Transform scale.
			const Tuple3f column(piece.worldMatrix.At(0, i), piece.worldMatrix.At(1, i), piece.worldMatrix.At(2, i));
			solid.half[i] = 0.5f * static_cast<float>(column.Length());
		}
		if (piece.shapeIndex == kShapePlane)
			solid.half[2] = 0.0f;
		return solid;
	}

	// The special tests read a primitive's size and axes; any other geometry of their kinds goes to
	// GJK and EPA, which need nothing but the support mapping.
	const PrimitiveCollider* AsPrimitive(const ConvexGeometry& geometry)
	{
		return dynamic_cast<const PrimitiveCollider*>(&geometry);
	}

	bool IsSpherical(const SolidBox& sphere)
	{
		return std::fabs(sphere.half[0] - sphere.half[1]) < kPairTolerance && std::fabs(sphere.half[1] - sphere.half[2]) < kPairTolerance;
	}

	bool GjkThenEpa(PairTestScratch& scratch, const ConvexGeometry& a, const ConvexGeometry& b, Tuple3f& direction,
		bool epaEnabled)
	{
		const PhysicsSettings& settings = Physics::Settings();
		if (!GjkIntersect(scratch.gjk, a, b, settings.gjkIterations) || !epaEnabled)
			return false;
		direction = scratch.epa.ExpandPolytopeContact(scratch.gjk.simplex, a, b, settings.epaIterations);
		return true;
	}

	// Which axes of the second box the separating-axis test tries: all of a box's; of a rectangle,
	// a box without thickness, its normal alone and the edge axes with its two in-plane axes (its
	// edges along the normal have no length, and its sides no area).
	struct SecondBoxAxes
	{
		int firstFaceAxis;
		int edgeAxisCount;
	};
	constexpr SecondBoxAxes kBoxAxes{0, 3};
	constexpr SecondBoxAxes kRectangleAxes{2, 2};
	// An axis this close to the gravity (cosine) takes the contact margin.
	constexpr float kUprightCosine = 0.7f;

	// The separating-axis test of two oriented boxes in its published form, also keeping the axis
	// of least penetration (the earlier one on a tie).
	//
	// Here and for the spheres the direction leaves as a unit vector: the contact generation takes
	// a direction shorter than 0.01 for none and puts the line between the centres in its place, so
	// a short one (a sphere centre close to a box face, or a nearly parallel edge pair) would get a
	// contact along the wrong line.
	bool SeparatingAxisTest(const SolidBox& a, const SolidBox& b, SecondBoxAxes tried, float margin, Tuple3f& direction)
	{
		float r[3][3], faceR[3][3], absR[3][3];
		bool sameWay = false;
		for (int i = 0; i < 3; ++i)
			for (int j = 0; j < 3; ++j)
			{
				r[i][j] = a.axes[i].DotProduct(b.axes[j]);
				faceR[i][j] = std::fabs(r[i][j]);
				// The small addition keeps a nearly zero cross product of the edge axes from
				// reporting a false gap. The face axes go without it, or faces that only touch
				// would overlap by it.
				absR[i][j] = faceR[i][j] + kPairTolerance;
				sameWay = sameWay || r[i][j] > kPairSameWayCosine;
			}
		const Tuple3f between = a.centre - b.centre;
		const float t[3] = {between.DotProduct(a.axes[0]), between.DotProduct(a.axes[1]), between.DotProduct(a.axes[2])};

		float best = kUnboundedDistance;
		const Tuple3f& gravity = Physics::Settings().gravityDirection;
		// False when the axis separates the boxes. A gap within the margin separates them only
		// across the gravity: a stack placed at rest holds from its first step, while a body sunk a
		// little into the floor still slides over the seam between two floor tiles.
		const auto tryAxis = [&](float radiusA, float radiusB, float distance, const Tuple3f& axis, float axisLength) {
			const float penetration = radiusA + radiusB - distance;
			if (!(penetration > 0.0f) &&
				!(penetration > -margin * axisLength && std::fabs(axis.DotProduct(gravity)) > kUprightCosine * axisLength))
				return false;
			if (penetration / axisLength < best)
			{
				best = penetration / axisLength;
				direction = axis * (1.0f / axisLength);
			}
			return true;
		};

		for (int i = 0; i < 3; ++i)
			if (!tryAxis(a.half[i], b.half[0] * faceR[i][0] + b.half[1] * faceR[i][1] + b.half[2] * faceR[i][2], std::fabs(t[i]),
					a.axes[i], 1.0f))
				return false;
		for (int j = tried.firstFaceAxis; j < 3; ++j)
			if (!tryAxis(a.half[0] * faceR[0][j] + a.half[1] * faceR[1][j] + a.half[2] * faceR[2][j], b.half[j],
					std::fabs(t[0] * r[0][j] + t[1] * r[1][j] + t[2] * r[2][j]), b.axes[j], 1.0f))
				return false;
		if (sameWay)
			return true;
		for (int i = 0; i < 3; ++i)
		{
			const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
			for (int j = 0; j < tried.edgeAxisCount; ++j)
			{
				const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
				const Tuple3f axis = Cross(a.axes[i], b.axes[j]);
				if (!tryAxis(a.half[i1] * absR[i2][j] + a.half[i2] * absR[i1][j], b.half[j1] * absR[i][j2] + b.half[j2] * absR[i][j1],
						std::fabs(t[i2] * r[i1][j] - t[i1] * r[i2][j]), axis, static_cast<float>(axis.Length())))
					return false;
			}
		}
		return true;
	}

	// A sphere centre against a box (three axes) or a rectangle (two): the direction from the
	// closest point of the solid to the centre, and whether the centre lies inside the solid.
	// Inside, the direction runs along the axis of the nearest face (or rectangle edge), outwards,
	// as long as the distance to it.
	bool TowardsCentre(const SolidBox& solid, int axisCount, const Tuple3f& centre, Tuple3f& direction)
	{
		const Tuple3f offset = centre - solid.centre;
		Tuple3f closest = solid.centre;
		float local[3] = {};
		for (int i = 0; i < axisCount; ++i)
		{
			local[i] = offset.DotProduct(solid.axes[i]);
			closest += solid.axes[i] * std::fmax(-solid.half[i], std::fmin(local[i], solid.half[i]));
		}
		direction = centre - closest;
		if (std::fabs(direction.x) >= kPairTolerance || std::fabs(direction.y) >= kPairTolerance || std::fabs(direction.z) >= kPairTolerance)
			return false;
		int nearest = 0;
		for (int i = 1; i < axisCount; ++i)
			if (solid.half[i] - std::fabs(local[i]) < solid.half[nearest] - std::fabs(local[nearest]))
				nearest = i;
		const float distance = solid.half[nearest] - std::fabs(local[nearest]);
		const Tuple3f outward = solid.axes[nearest] * (local[nearest] < 0.0f ? -1.0f : 1.0f);
		// A centre on a face (or an edge of the rectangle) is no distance from it, and a zero
		// direction would lose the axis; that face's normal serves.
		direction = distance < kPairTolerance ? outward : outward * distance;
		return true;
	}

	// The sphere of a primitive that is one, else null (an ellipsoid, or another geometry).
	const PrimitiveCollider* AsSphere(const ConvexGeometry& geometry)
	{
		const PrimitiveCollider* piece = AsPrimitive(geometry);
		return piece != nullptr && IsSpherical(SolidOf(*piece)) ? piece : nullptr;
	}

	// The point of the triangle closest to p, by the Voronoi regions of its corners and edges.
	Tuple3f ClosestPointOfTriangle(const Tuple3f& p, const Tuple3f& a, const Tuple3f& b, const Tuple3f& c)
	{
		const Tuple3f ab = b - a, ac = c - a, ap = p - a;
		const float d1 = ab.DotProduct(ap), d2 = ac.DotProduct(ap);
		if (d1 <= 0.0f && d2 <= 0.0f)
			return a;
		const Tuple3f bp = p - b;
		const float d3 = ab.DotProduct(bp), d4 = ac.DotProduct(bp);
		if (d3 >= 0.0f && d4 <= d3)
			return b;
		const float vc = d1 * d4 - d3 * d2;
		if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f)
			return a + ab * (d1 / (d1 - d3));
		const Tuple3f cp = p - c;
		const float d5 = ab.DotProduct(cp), d6 = ac.DotProduct(cp);
		if (d6 >= 0.0f && d5 <= d6)
			return c;
		const float vb = d5 * d2 - d1 * d6;
		if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f)
			return a + ac * (d2 / (d2 - d6));
		const float va = d3 * d6 - d5 * d4;
		if (va <= 0.0f && d4 - d3 >= 0.0f && d5 - d6 >= 0.0f)
			return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
		const float denominator = 1.0f / (va + vb + vc);
		return a + ab * (vb * denominator) + ac * (vc * denominator);
	}

	bool SphereAgainst(PairTestScratch& scratch, const ConvexGeometry& smaller, const ConvexGeometry& larger,
		const ConvexGeometry& sphere, const PrimitiveCollider& solidPiece, int axisCount, Tuple3f& direction)
	{
		const PrimitiveCollider* spherePiece = AsPrimitive(sphere);
		if (spherePiece == nullptr)
			return GjkEpaCollide(scratch, smaller, larger, direction);
		const SolidBox round = SolidOf(*spherePiece);
		if (!IsSpherical(round))
			return GjkEpaCollide(scratch, smaller, larger, direction);
		const float radius = round.half[0];
		// A centre inside the solid always overlaps it, however small the sphere.
		const bool inside = TowardsCentre(SolidOf(solidPiece), axisCount, round.centre, direction);
		const bool overlap = inside || radius * radius > direction.LengthSquared();
		direction = direction.Normalize();
		return overlap;
	}
}

bool GjkEpaCollide(PairTestScratch& scratch, const ConvexGeometry& smaller, const ConvexGeometry& larger, Tuple3f& direction)
{
	return GjkThenEpa(scratch, smaller, larger, direction, Physics::Settings().gjkIterations > 2);
}

bool CylinderPlaneCollide(PairTestScratch& scratch, const ConvexGeometry& cylinder, const ConvexGeometry& plane,
	Tuple3f& direction)
{
	return GjkThenEpa(scratch, cylinder, plane, direction, Physics::Settings().epaIterations > 1);
}

bool BoxBoxCollide(PairTestScratch& scratch, const ConvexGeometry& box, const ConvexGeometry& other, Tuple3f& direction)
{
	const PrimitiveCollider *first = AsPrimitive(box), *second = AsPrimitive(other);
	if (first == nullptr || second == nullptr)
		return GjkEpaCollide(scratch, box, other, direction);
	return SeparatingAxisTest(SolidOf(*first), SolidOf(*second), kBoxAxes, scratch.contactMargin, direction);
}

bool BoxPlaneCollide(PairTestScratch& scratch, const ConvexGeometry& box, const ConvexGeometry& plane, Tuple3f& direction)
{
	const PrimitiveCollider *first = AsPrimitive(box), *second = AsPrimitive(plane);
	if (first == nullptr || second == nullptr)
		return GjkEpaCollide(scratch, box, plane, direction);
	return SeparatingAxisTest(SolidOf(*first), SolidOf(*second), kRectangleAxes, scratch.contactMargin, direction);
}

bool BoxSphereCollide(PairTestScratch& scratch, const ConvexGeometry& box, const ConvexGeometry& sphere, Tuple3f& direction)
{
	const PrimitiveCollider* solid = AsPrimitive(box);
	if (solid == nullptr)
		return GjkEpaCollide(scratch, box, sphere, direction);
	return SphereAgainst(scratch, box, sphere, sphere, *solid, 3, direction);
}

bool SpherePlaneCollide(PairTestScratch& scratch, const ConvexGeometry& sphere, const ConvexGeometry& plane,
	Tuple3f& direction)
{
	const PrimitiveCollider* solid = AsPrimitive(plane);
	if (solid == nullptr)
		return GjkEpaCollide(scratch, sphere, plane, direction);
	return SphereAgainst(scratch, sphere, plane, sphere, *solid, 2, direction);
}

bool SphereSphereCollide(PairTestScratch& scratch, const ConvexGeometry& first, const ConvexGeometry& second,
	Tuple3f& direction)
{
	const PrimitiveCollider *a = AsSphere(first), *b = AsSphere(second);
	if (a == nullptr || b == nullptr)
		return GjkEpaCollide(scratch, first, second, direction);
	const float reach = SolidOf(*a).half[0] + SolidOf(*b).half[0];
	direction = b->GetCentre() - a->GetCentre();
	const bool overlap = direction.LengthSquared() < reach * reach;
	direction = direction.Normalize();
	return overlap;
}

bool SphereTriangleCollide(PairTestScratch& scratch, const ConvexGeometry& sphere, const ConvexGeometry& triangle,
	Tuple3f& direction)
{
	const PrimitiveCollider* round = AsSphere(sphere);
	const auto* face = dynamic_cast<const TriangleCollider*>(&triangle);
	if (round == nullptr || face == nullptr)
		return GjkEpaCollide(scratch, sphere, triangle, direction);
	const float radius = SolidOf(*round).half[0];
	const Tuple3f centre = round->GetCentre();
	direction = centre - ClosestPointOfTriangle(centre, face->Corner(0), face->Corner(1), face->Corner(2));
	const bool overlap = direction.LengthSquared() < radius * radius;
	// A centre in the triangle's plane has no direction of its own: the face normal serves.
	direction = direction.LengthSquared() < kPairTolerance * kPairTolerance ? face->GetFaceNormal() : direction.Normalize();
	return overlap;
}
