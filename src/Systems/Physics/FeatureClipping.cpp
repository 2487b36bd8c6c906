#include "Systems/Physics/FeatureClipping.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
	constexpr float kTolerance = 0.0001f;
	// Edges whose directions have a larger cosine run the same way.
	constexpr float kSameWayCosine = 0.9f;
	// An edge tilted out of the contact plane by no more than the angle between edges that run the
	// same way (sin² = 1 - 0.9²) touches along its length.
	constexpr float kAlongPlaneSineSquared = 1.0f - kSameWayCosine * kSameWayCosine;

	Tuple3f IntoPlane(const Tuple3f& point, const Tuple3f& normal)
	{
		return point - normal * normal.DotProduct(point);
	}

	// Whether an edge runs along the plane perpendicular to the contact normal, tilted out of it by
	// no more than parallel edges may be turned; a zero-length edge does not.
	bool LiesAlongContactPlane(const Tuple3f& edge, const Tuple3f& normal)
	{
		const float along = edge.DotProduct(normal);
		return along * along < kAlongPlaneSineSquared * edge.LengthSquared();
	}

	// The index after i around a polygon of count points. Cheaper than i + 1 modulo the count,
	// a division the clipping loops would otherwise pay on every edge.
	int NextAround(int i, int count)
	{
		return i + 1 == count ? 0 : i + 1;
	}

	// A planar polygon with the outward direction of each edge worked out once, for clipping that
	// asks whether each point of the other feature lies inside it.
	class PolygonEdges
	{
	public:
		PolygonEdges(const Tuple3f* polygon, int count) : polygon(polygon), count(count)
		{
			if (count < 3)
				return;
			const Tuple3f normal = Cross(polygon[1] - polygon[0], polygon[count - 1] - polygon[0]);
			for (int i = 0; i < count; ++i)
				outward[i] = Cross(polygon[NextAround(i, count)] - polygon[i], normal);
		}

		// Fewer than three points contain nothing; a point on an edge (within a small band) is in.
		bool Contains(const Tuple3f& point) const
		{
			if (count < 3)
				return false;
			for (int i = 0; i < count; ++i)
				if (outward[i].DotProduct(point - polygon[i]) > kTolerance)
					return false;
			return true;
		}

	private:
		const Tuple3f* polygon;
		int count;
		Tuple3f outward[ConvexGeometry::kMaxFeaturePoints];
	};

	// The feature's points laid into the plane through the origin perpendicular to the normal.
	struct ProjectedFeature
	{
		ProjectedFeature(const SupportFeature& feature, const Tuple3f& normal) : count(feature.count)
		{
			for (int i = 0; i < count; ++i)
				points[i] = IntoPlane(feature.points[i], normal);
		}

		// A segment is one edge; a polygon has one edge per point, closing back to the first.
		int EdgeCount() const { return count == 2 ? 1 : count; }

		int count;
		Tuple3f points[ConvexGeometry::kMaxFeaturePoints];
	};

	bool Inside(float value, float end0, float end1)
	{
		return (value - end0) * (value - end1) < 0.0f;
	}

	// The two ends of the stretch that segments a and b share, measured along a direction.
	void AppendOverlap(const SupportFeature& a, const SupportFeature& b, const Tuple3f& along, std::vector<ClipPoint>& out)
	{
		const float a0 = a.points[0].DotProduct(along), a1 = a.points[1].DotProduct(along);
		const float b0 = b.points[0].DotProduct(along), b1 = b.points[1].DotProduct(along);
		const bool a0Inside = Inside(a0, b0, b1), a1Inside = Inside(a1, b0, b1);
		const bool b0Inside = Inside(b0, a0, a1);
		if (a0Inside)
			out.push_back({ClipPoint::kFirst, a.points[0]});
		if (a1Inside)
			out.push_back({ClipPoint::kFirst, a.points[1]});
		if (!a0Inside && !a1Inside)
		{
			if (b0Inside)
			{
				out.push_back({ClipPoint::kSecond, b.points[0]});
				out.push_back({ClipPoint::kSecond, b.points[1]});
			}
		}
		else if (a0Inside != a1Inside)
			out.push_back({ClipPoint::kSecond, b0Inside ? b.points[0] : b.points[1]});
	}

	Tuple3f ClosestPointOfSegment(const Tuple3f& point, const Tuple3f& from, const Tuple3f& to)
	{
		const Tuple3f edge = to - from;
		const float lengthSquared = edge.LengthSquared();
		if (!(lengthSquared > 0.0f))
			return from;
		return from + edge * std::clamp((point - from).DotProduct(edge) / lengthSquared, 0.0f, 1.0f);
	}

	// The closest points of two segments, p on the first and q on the second.
	void ClosestPointsOfSegments(const Tuple3f& p0, const Tuple3f& p1, const Tuple3f& q0, const Tuple3f& q1, Tuple3f& p,
		Tuple3f& q)
	{
		const Tuple3f d1 = p1 - p0, d2 = q1 - q0, r = p0 - q0;
		const float a = d1.DotProduct(d1), e = d2.DotProduct(d2), b = d1.DotProduct(d2);
		const float c = d1.DotProduct(r), f = d2.DotProduct(r);
		const float denominator = a * e - b * b;
		// Parallel segments: any s will do, the clamps below find the matching t.
		float s = denominator > kTolerance * a * e ? std::clamp((b * f - c * e) / denominator, 0.0f, 1.0f) : 0.0f;
		p = p0 + d1 * s;
		q = ClosestPointOfSegment(p, q0, q1);
		p = ClosestPointOfSegment(q, p0, p1);
	}

	// The point of a feature closest to a point: the feature itself, the nearest point of its
	// segment, or of its polygon (inside it, or on its rim).
	Tuple3f ClosestPointOfFeature(const SupportFeature& feature, const Tuple3f& point)
	{
		if (feature.count == 1)
			return feature.points[0];
		if (feature.count == 2)
			return ClosestPointOfSegment(point, feature.points[0], feature.points[1]);
		const Tuple3f normal =
			Cross(feature.points[1] - feature.points[0], feature.points[feature.count - 1] - feature.points[0]).Normalize();
		const Tuple3f inPlane = point - normal * normal.DotProduct(point - feature.points[0]);
		if (std::isfinite(inPlane.x) && FeatureClipping::PolygonContains(feature.points, feature.count, inPlane))
			return inPlane;
		Tuple3f closest = feature.points[0];
		for (int i = 0; i < feature.count; ++i)
		{
			const Tuple3f candidate = ClosestPointOfSegment(point, feature.points[i], feature.points[NextAround(i, feature.count)]);
			if (candidate.DistanceSquared(point) < closest.DistanceSquared(point))
				closest = candidate;
		}
		return closest;
	}
}

void FeatureClipping::ClipEdges(const SupportFeature& a, const SupportFeature& b, const Tuple3f& normal,
	std::vector<ClipPoint>& out)
{
	const Tuple3f edgeA = a.points[1] - a.points[0], edgeB = b.points[1] - b.points[0];
	// Edges listed the opposite way round are as parallel as edges listed alike; taken for crossing
	// edges, parallel lines would give no point at all.
	if (std::fabs(edgeA.Normalize().DotProduct(edgeB.Normalize())) <= kSameWayCosine)
	{
		float s = 0.0f;
		if (SegmentsCross(IntoPlane(a.points[0], normal), IntoPlane(a.points[1], normal), IntoPlane(b.points[0], normal),
				IntoPlane(b.points[1], normal), s))
			out.push_back({ClipPoint::kFirst, a.points[0] + edgeA * s});
		return;
	}
	// The overlap is measured across the contact plane, the edges laid into it: otherwise edges
	// tilted out of it by a few degrees (two cones side by side) would give no overlap, and the
	// single contact left in its place would jump from one end of the common line to the other from
	// step to step.
	if (LiesAlongContactPlane(edgeA, normal))
		AppendOverlap(a, b, IntoPlane(edgeA, normal), out);
	else if (LiesAlongContactPlane(edgeB, normal))
		AppendOverlap(a, b, IntoPlane(edgeB, normal), out);
}

void FeatureClipping::ClipFeatures(const SupportFeature& a, const SupportFeature& b, const Tuple3f& normal,
	std::vector<ClipPoint>& out)
{
	const ProjectedFeature projectedA(a, normal), projectedB(b, normal);
	for (int i = 0; i < projectedA.EdgeCount(); ++i)
	{
		const int nextA = NextAround(i, a.count);
		for (int j = 0; j < projectedB.EdgeCount(); ++j)
		{
			float s = 0.0f;
			if (SegmentsCross(projectedA.points[i], projectedA.points[nextA], projectedB.points[j],
					projectedB.points[NextAround(j, b.count)], s))
				out.push_back({ClipPoint::kFirst, a.points[i] + (a.points[nextA] - a.points[i]) * s});
		}
	}
	const PolygonEdges polygonA(projectedA.points, a.count), polygonB(projectedB.points, b.count);
	for (int i = 0; i < a.count; ++i)
		if (polygonB.Contains(projectedA.points[i]))
			out.push_back({ClipPoint::kFirst, a.points[i]});
	for (int i = 0; i < b.count; ++i)
		if (polygonA.Contains(projectedB.points[i]))
			out.push_back({ClipPoint::kSecond, b.points[i]});
}

bool FeatureClipping::SegmentsCross(const Tuple3f& p0, const Tuple3f& p1, const Tuple3f& q0, const Tuple3f& q1, float& s)
{
	const Tuple3f d1 = p1 - p0, d2 = q1 - q0, r = p0 - q0;
	if (d1 == Tuple3f() || d2 == Tuple3f())
		return false;
	const float a = d1.DotProduct(d1), e = d2.DotProduct(d2), b = d1.DotProduct(d2);
	const float c = d1.DotProduct(r), f = d2.DotProduct(r);
	const float denominator = a * e - b * b;
	if (std::fabs(denominator) < kTolerance)
		return false;
	s = (b * f - c * e) / denominator;
	const float t = (b * s + f) / e;
	return s > 0.0f && s < 1.0f && t > 0.0f && t < 1.0f;
}

bool FeatureClipping::PolygonContains(const Tuple3f* polygon, int count, const Tuple3f& point)
{
	return PolygonEdges(polygon, count).Contains(point);
}

Tuple3f FeatureClipping::ClosestPointOfFirst(const SupportFeature& a, const SupportFeature& b)
{
	float least = std::numeric_limits<float>::infinity();
	Tuple3f onA;
	const auto keep = [&](const Tuple3f& p, const Tuple3f& q) {
		const float distanceSquared = p.DistanceSquared(q);
		if (distanceSquared < least)
			least = distanceSquared, onA = p;
	};
	// Two convex features are closest at a point of one against the other, or edge against edge.
	for (int i = 0; i < a.count; ++i)
		keep(a.points[i], ClosestPointOfFeature(b, a.points[i]));
	for (int j = 0; j < b.count; ++j)
		keep(ClosestPointOfFeature(a, b.points[j]), b.points[j]);
	const int edgesA = a.count == 2 ? 1 : (a.count > 2 ? a.count : 0);
	const int edgesB = b.count == 2 ? 1 : (b.count > 2 ? b.count : 0);
	for (int i = 0; i < edgesA; ++i)
		for (int j = 0; j < edgesB; ++j)
		{
			Tuple3f p, q;
			ClosestPointsOfSegments(a.points[i], a.points[NextAround(i, a.count)], b.points[j], b.points[NextAround(j, b.count)], p, q);
			keep(p, q);
		}
	return onA;
}
