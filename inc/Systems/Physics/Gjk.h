// GJK: decides whether two convex geometries overlap by searching their Minkowski difference for a
// tetrahedron that encloses the origin. It sees the shapes only through Support and GetCentre, in
// world space. The pair tests of the narrow phase and the shape query run it; on an overlap EPA
// (Epa.h) grows the tetrahedron it leaves into the contact direction.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Utilities/Tuple.h"

#include <vector>

// One vertex of the simplex and of the EPA polytope.
struct SimplexVertex
{
	// The support point of the first geometry in the search direction.
	Tuple3f supportA;
	// The support point of the second geometry in the opposite direction.
	Tuple3f supportB;
	// supportA - supportB: a point of the Minkowski difference.
	Tuple3f point;
};

// Oldest vertex first. EPA appends to the same array, so it keeps its storage from pair to pair.
using Simplex = std::vector<SimplexVertex>;

// The working object of GjkIntersect.
struct GjkWorkspace
{
	Simplex simplex;
};

// True when a and b overlap; the simplex then holds four vertices enclosing the origin. Gives up
// (false) after iterations rounds; 0 iterations never find an overlap.
bool GjkIntersect(GjkWorkspace& work, const ConvexGeometry& a, const ConvexGeometry& b, int iterations);

// The simplex cases, by the simplex's size (1 to 4). Each may drop or reorder vertices (the newest
// stays last) and sets the next search direction; only the tetrahedron can enclose the origin.
bool SimplexPointCase(Tuple3f& direction, Simplex& simplex);
bool SimplexLineCase(Tuple3f& direction, Simplex& simplex);
bool SimplexTriangleCase(Tuple3f& direction, Simplex& simplex);
bool SimplexTetrahedronCase(Tuple3f& direction, Simplex& simplex);
