// The pair tests of the shape-pair table: each decides whether two convex geometries overlap and,
// when they do, leaves a direction along the contact axis (of either sign and any length) for the
// contact generation. GjkEpaCollide serves most pairs; the commonest pairs of a level built from
// boxes, planes and spheres have tests of their own, a fixed number of dot products each.
#pragma once

#include "Systems/Physics/Epa.h"
#include "Systems/Physics/Gjk.h"

// The GJK and EPA working objects the tests share: one pair test runs to completion before the next.
struct PairTestScratch
{
	GjkWorkspace gjk;
	EpaWorkspace epa;
	// How far apart two boxes may be and still count as touching: detection's kContactMargin.
	float contactMargin = 0.0f;
};

// Arguments: the geometry of the smaller kind, that of the larger kind, the direction out.
using PairTest = bool (*)(PairTestScratch& scratch, const ConvexGeometry& smaller, const ConvexGeometry& larger,
	Tuple3f& direction);

// GJK, then EPA for the direction; "GJK_Iterations" of 2 or less disables it.
bool GjkEpaCollide(PairTestScratch& scratch, const ConvexGeometry& smaller, const ConvexGeometry& larger, Tuple3f& direction);
// The same, gated by "EPA_Iterations" greater than 1 instead.
bool CylinderPlaneCollide(PairTestScratch& scratch, const ConvexGeometry& cylinder, const ConvexGeometry& plane,
	Tuple3f& direction);
// The separating-axis test of two oriented boxes: the direction is the axis of least penetration.
bool BoxBoxCollide(PairTestScratch& scratch, const ConvexGeometry& box, const ConvexGeometry& other, Tuple3f& direction);
// The same against the plane's rectangle, a box without thickness.
bool BoxPlaneCollide(PairTestScratch& scratch, const ConvexGeometry& box, const ConvexGeometry& plane, Tuple3f& direction);
// The sphere against the box's closest point; an ellipsoid goes to GJK and EPA.
bool BoxSphereCollide(PairTestScratch& scratch, const ConvexGeometry& box, const ConvexGeometry& sphere, Tuple3f& direction);
// The sphere against the rectangle's closest point; an ellipsoid goes to GJK and EPA.
bool SpherePlaneCollide(PairTestScratch& scratch, const ConvexGeometry& sphere, const ConvexGeometry& plane,
	Tuple3f& direction);
// Two spheres: the line between the centres, exactly; an ellipsoid goes to GJK and EPA.
bool SphereSphereCollide(PairTestScratch& scratch, const ConvexGeometry& first, const ConvexGeometry& second,
	Tuple3f& direction);
// A sphere against a mesh triangle's closest point, exactly; an ellipsoid goes to GJK and EPA.
bool SphereTriangleCollide(PairTestScratch& scratch, const ConvexGeometry& sphere, const ConvexGeometry& triangle,
	Tuple3f& direction);
