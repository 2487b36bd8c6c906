#include "Systems/Physics/NarrowPhaseContext.h"

#include <cmath>

namespace
{
	constexpr float kContextTolerance = 0.0001f;

	// A feature with three or more points has a face normal; a vertex or an edge takes the contact
	// normal as its own.
	Tuple3f ReferenceNormal(const SupportFeature& feature, const Tuple3f& contactNormal)
	{
		if (feature.count < 3)
			return contactNormal;
		return Cross(feature.points[1] - feature.points[0], feature.points[2] - feature.points[0]).Normalize();
	}
}

NarrowPhaseContext::NarrowPhaseContext()
{
	BuildCollisionTable();
}

void NarrowPhaseContext::BuildCollisionTable()
{
	for (int row = 0; row < kKindCount; ++row)
		for (int column = row; column < kKindCount; ++column)
			pairTests[row][column] = GjkEpaCollide;
	pairTests[kGeometryCube][kGeometryCube] = BoxBoxCollide;
	pairTests[kGeometryCube][kGeometrySphere] = BoxSphereCollide;
	pairTests[kGeometryCube][kGeometryPlane] = BoxPlaneCollide;
	pairTests[kGeometryCylinder][kGeometryPlane] = CylinderPlaneCollide;
	pairTests[kGeometrySphere][kGeometryPlane] = SpherePlaneCollide;
	pairTests[kGeometrySphere][kGeometrySphere] = SphereSphereCollide;
	pairTests[kGeometrySphere][kGeometryTriangle] = SphereTriangleCollide;
}

PairTest NarrowPhaseContext::GetPairTest(int smallerKind, int largerKind) const
{
	if (smallerKind < 0 || largerKind >= kKindCount || smallerKind > largerKind)
		return nullptr;
	return pairTests[smallerKind][largerKind];
}

bool NarrowPhaseContext::TestPair(const ConvexGeometry& firstColliders, const ConvexGeometry& secondColliders)
{
	const bool firstIsSmaller = firstColliders.geometryKind < secondColliders.geometryKind;
	const ConvexGeometry& smaller = firstIsSmaller ? firstColliders : secondColliders;
	const ConvexGeometry& larger = firstIsSmaller ? secondColliders : firstColliders;
	const PairTest test = GetPairTest(smaller.geometryKind, larger.geometryKind);
	return (test != nullptr ? test : GjkEpaCollide)(scratch, smaller, larger, normal);
}

void NarrowPhaseContext::CorrectNormal(const Tuple3f& firstCentre, const Tuple3f& secondCentre)
{
	const Tuple3f between = secondCentre - firstCentre;
	const float lengthSquared = normal.LengthSquared();
	// A NaN direction is replaced like a zero or an infinite one.
	if (!std::isfinite(lengthSquared) || lengthSquared < kContextTolerance)
		normal = between;
	if (!(normal.LengthSquared() >= kContextTolerance))
		normal = Tuple3f(0.0f, 1.0f, 0.0f);
	if (normal.DotProduct(between) < 0.0f)
		normal = -normal;
}

void NarrowPhaseContext::GenerateContactManifold(const ConvexGeometry& first, const ConvexGeometry& second,
	ContactReceiver& manifold)
{
	CorrectNormal(first.GetCentre(), second.GetCentre());
	clipPoints.clear();
	const unsigned countBefore = manifold.GetContactCount();

	const Tuple3f supportA = first.Support(normal);
	const Tuple3f supportB = second.Support(-normal);
	// The contact normal, from the second geometry towards the first, and the depth of the pair
	// along it.
	const Tuple3f u = -normal.Normalize();
	const float depth = u.DotProduct(supportB) - u.DotProduct(supportA);

	featureA.count = first.GetFeature(normal, featureA.points);
	featureB.count = second.GetFeature(-normal, featureB.points);
	const Tuple3f normalA = ReferenceNormal(featureA, u), normalB = ReferenceNormal(featureB, u);
	const float offsetA = normalA.DotProduct(featureA.points[0]), offsetB = normalB.DotProduct(featureB.points[0]);

	// A vertex against anything gives nothing to clip; the fallback below places its contact.
	if (featureA.count >= 2 && featureB.count >= 2)
	{
		if (featureA.count == 2 && featureB.count == 2)
			FeatureClipping::ClipEdges(featureA, featureB, u, clipPoints);
		else
			FeatureClipping::ClipFeatures(featureA, featureB, u, clipPoints);
	}

	// Within the pair's margin, a point short of the other feature still touches.
	const float shallowest = scratch.contactMargin > 0.0f ? -scratch.contactMargin : kContextTolerance;
	for (const ClipPoint& clip : clipPoints)
	{
		ContactPoint contact;
		contact.normal = u;
		if (clip.side == ClipPoint::kFirst)
		{
			contact.point = clip.point;
			contact.depth = (offsetB - normalB.DotProduct(clip.point)) / normalB.DotProduct(u);
		}
		else
		{
			// Moved along the normal onto the first feature's plane.
			contact.depth = -(offsetA - normalA.DotProduct(clip.point)) / normalA.DotProduct(u);
			contact.point = clip.point - u * contact.depth;
		}
		// A face seen edge-on divides by nearly zero; such a point is no contact.
		if (contact.depth > shallowest && std::isfinite(contact.depth) && std::isfinite(contact.point.x) &&
			std::isfinite(contact.point.y) && std::isfinite(contact.point.z))
			manifold.AddContact(contact);
	}

	if (manifold.GetContactCount() != countBefore)
		return;
	// Nothing clipped: one contact of the pair's full depth, carried over from the second
	// geometry's support point when the first feature faces the normal more squarely (or, facing
	// it alike, has more points), else at the first geometry's support point.
	const float facingA = std::fabs(normalA.DotProduct(u)), facingB = std::fabs(normalB.DotProduct(u));
	const bool onSecond = std::fabs(facingA - facingB) < kContextTolerance ? featureA.count > featureB.count : facingA > facingB;
	ContactPoint fallback;
	// Where the chosen feature is a face, the contact goes where the two features come closest: a
	// face's support point is any of its corners, and there a cone's apex on a mesh triangle would
	// get its contact a metre away and spin.
	if ((onSecond ? featureB.count : featureA.count) >= 3)
		fallback.point = FeatureClipping::ClosestPointOfFirst(featureA, featureB);
	else
		fallback.point = onSecond ? supportB - u * depth : supportA;
	fallback.normal = u;
	fallback.depth = depth;
	manifold.AddContact(fallback);
}
