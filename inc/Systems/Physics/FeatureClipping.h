// FeatureClipping: the contact generation's geometry. Two supporting features (a vertex, an edge or
// a face polygon of each geometry) are laid into the plane perpendicular to the contact normal and
// intersected there; each crossing or contained point becomes a candidate contact point.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Utilities/Tuple.h"

#include <vector>

// The vertex, edge or face of a geometry facing a direction: one, two, or three to six points in
// order around the polygon.
struct SupportFeature
{
	int count = ConvexGeometry::kMaxFeaturePoints;
	Tuple3f points[ConvexGeometry::kMaxFeaturePoints]{};
};

// A candidate contact point and the feature it lies on.
struct ClipPoint
{
	enum Side : int
	{
		kFirst = 1,
		kSecond = 2,
	};

	int side = kFirst;
	Tuple3f point;
};

namespace FeatureClipping
{
	// Both features are segments. Edges that cross give the crossing on the first edge; edges that
	// run (nearly) the same way and lie across the normal give the two ends of their common stretch.
	void ClipEdges(const SupportFeature& a, const SupportFeature& b, const Tuple3f& normal, std::vector<ClipPoint>& out);
	// At least one feature is a polygon: every crossing of an edge of one with an edge of the other
	// (on the first feature), then each feature's points that lie inside the other's polygon.
	void ClipFeatures(const SupportFeature& a, const SupportFeature& b, const Tuple3f& normal, std::vector<ClipPoint>& out);
	// Whether two segments lying in one plane cross strictly inside both; s is the parameter of the
	// crossing along the first. Zero-length and parallel segments never cross.
	bool SegmentsCross(const Tuple3f& p0, const Tuple3f& p1, const Tuple3f& q0, const Tuple3f& q1, float& s);
	// Whether a point lies inside a planar polygon of three or more points, edges included (within
	// a small band); fewer points contain nothing.
	bool PolygonContains(const Tuple3f* polygon, int count, const Tuple3f& point);
	// The point of the first feature closest to the second (each a vertex, segment or planar
	// polygon). Where the features cross, some point of the crossing.
	Tuple3f ClosestPointOfFirst(const SupportFeature& a, const SupportFeature& b);
}
