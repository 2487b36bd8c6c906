#include "Systems/Physics/TriangleCollider.h"

#include "Systems/Physics/ContactPoint.h"
#include "Systems/Physics/Physics.h"

#include <algorithm>
#include <cmath>

namespace
{
	// Below this the circumcentre's solve is taken as degenerate.
	constexpr float kDegenerateDenominator = 1e-4f;
	// A contact normal this close to the triangle's plane is not a push out of the face.
	constexpr float kInPlaneCosine = 1e-4f;

	// Normalised, or zero for a vector without length (a triangle without area has no normal).
	Tuple3f TriangleUnitOrZero(const Tuple3f& v)
	{
		const double length = v.Length();
		if (!(length > 0.0) || !std::isfinite(length))
			return {};
		return v * static_cast<float>(1.0 / length);
	}
}

TriangleCollider::TriangleCollider(const Tuple3f* corner0, const Tuple3f* corner1, const Tuple3f* corner2)
	: corners{corner0, corner1, corner2}
{
	geometryKind = kGeometryTriangle;
}

Tuple3f TriangleCollider::Support(const Tuple3f& direction) const
{
	int best = 0;
	float bestDot = direction.DotProduct(*corners[0]);
	for (int i = 1; i < 3; ++i)
	{
		const float dot = direction.DotProduct(*corners[i]);
		if (dot >= bestDot)
			best = i, bestDot = dot;
	}
	return *corners[best];
}

float TriangleCollider::RayCast(const Tuple3f& origin, const Tuple3f& direction) const
{
	return GetRay().Cast(origin, direction);
}

float TriangleRay::Cast(const Tuple3f& origin, const Tuple3f& direction) const
{
	const Tuple3f a = corners[0] - origin, b = corners[1] - origin, c = corners[2] - origin;
	const float sides[3] = {direction.DotProduct(Cross(a, b)), direction.DotProduct(Cross(b, c)),
		direction.DotProduct(Cross(c, a))};
	// Inside when no two of the edges see the ray on opposite sides; a zero counts as either side.
	const bool inside = std::ranges::all_of(sides, [](float s) { return s >= 0.0f; }) ||
		std::ranges::all_of(sides, [](float s) { return s <= 0.0f; });
	const float across = direction.DotProduct(normal);
	// A ray along the plane (or a triangle without area) meets it nowhere or everywhere: no hit.
	if (!inside || across == 0.0f)
		return kRayMiss;
	const float t = a.DotProduct(normal) / across;
	return std::isfinite(t) ? t : kRayMiss;
}

Tuple3f TriangleCollider::GetNormal(const Tuple3f&) const
{
	return normal;
}

void TriangleCollider::FilterContact(ContactPoint& contact) const
{
	if (std::fabs(contact.normal.DotProduct(normal)) < kInPlaneCosine)
		contact.depth = -1.0f;
}

int TriangleCollider::GetFeature(const Tuple3f& direction, Tuple3f* points) const
{
	const PhysicsSettings& settings = Physics::Settings();
	const Tuple3f n = TriangleUnitOrZero(direction);
	if (std::fabs(n.DotProduct(normal)) > settings.epaToleranceCos)
	{
		for (int i = 0; i < 3; ++i)
			points[i] = *corners[i];
		return 3;
	}
	// Every edge is tried, as two may face the direction: stopping at the first one that is not
	// across it would leave the second to the corner test below, whose two corners tie along the
	// direction and are picked by rounding, so the contact would jump along the edge each step.
	for (int i = 0; i < 3; ++i)
		if (edgeNormals[i].DotProduct(n) > 0.0f && std::fabs(edgeDirections[i].DotProduct(n)) < settings.epaToleranceSin)
		{
			points[0] = *corners[i];
			points[1] = *corners[(i + 1) % 3];
			return 2;
		}
	points[0] = Support(n);
	return 1;
}

void TriangleCollider::Bake()
{
	const Tuple3f& p0 = *corners[0];
	const Tuple3f& p1 = *corners[1];
	const Tuple3f& p2 = *corners[2];
	box.min = Tuple3f(std::min({p0.x, p1.x, p2.x}), std::min({p0.y, p1.y, p2.y}), std::min({p0.z, p1.z, p2.z}));
	box.max = Tuple3f(std::max({p0.x, p1.x, p2.x}), std::max({p0.y, p1.y, p2.y}), std::max({p0.z, p1.z, p2.z}));
	normal = TriangleUnitOrZero(Cross(p1 - p0, p0 - p2));
	const Tuple3f edges[3] = {p1 - p0, p2 - p1, p0 - p2};
	for (int i = 0; i < 3; ++i)
	{
		edgeDirections[i] = TriangleUnitOrZero(edges[i]);
		edgeNormals[i] = Cross(normal, edgeDirections[i]);
	}
	ComputeEnclosingSphere();
}

void TriangleCollider::ComputeEnclosingSphere()
{
	const Tuple3f& a = *corners[0];
	const Tuple3f u = *corners[1] - a, v = *corners[2] - a;
	const float uu = u.DotProduct(u), vv = v.DotProduct(v), uv = u.DotProduct(v);
	// The circumcentre a + s u + t v is as far from b and c as from a.
	const float denominator = 2.0f * (uu * vv - uv * uv);
	const float s = denominator < kDegenerateDenominator ? 0.0f : vv * (uu - uv) / denominator;
	const float t = denominator < kDegenerateDenominator ? 0.0f : uu * (vv - uv) / denominator;
	if (denominator < kDegenerateDenominator || s <= 0.0f || t <= 0.0f || s + t >= 1.0f)
	{
		// Degenerate or obtuse: the longest edge, which lies opposite the obtuse corner, is the diameter.
		int longest = 0;
		float longestSquared = -1.0f;
		for (int i = 0; i < 3; ++i)
		{
			const float lengthSquared = corners[i]->DistanceSquared(*corners[(i + 1) % 3]);
			if (lengthSquared > longestSquared)
				longest = i, longestSquared = lengthSquared;
		}
		centre = (*corners[longest] + *corners[(longest + 1) % 3]) * 0.5f;
	}
	else
		centre = a + u * s + v * t;
	// The farthest corner, not one corner of the chosen edge, sets the radius, so that a small
	// triangle taken as degenerate by the absolute threshold is still enclosed whole.
	radius = 0.0f;
	for (const Tuple3f* corner : corners)
		radius = std::max(radius, static_cast<float>(centre.Distance(*corner)));
}
