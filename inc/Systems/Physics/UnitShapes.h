// UnitShapes: the five primitive shapes as unit shapes in their own frame, and what the physics
// engine asks of each: support point, ray hit, surface normal, contact feature, volume and the
// triangles exported to the navigation mesh. A PrimitiveCollider places one of them in the world.
//   sphere: radius 0.5 about the origin        cube: -0.5..0.5 on every axis
//   cone: axis +y, apex (0, 0.5, 0), base disc of radius 0.5 at y = -0.5
//   cylinder: axis y, radius 0.5, y from -0.5 to 0.5        plane: x, y in -0.5..0.5 at z = 0
#pragma once

#include "Systems/Physics/Collider.h"
#include "Utilities/Tuple.h"

#include <vector>

// The index of a shape in the per-shape tables (not the geometry kind of the shape-pair table).
enum UnitShapeIndex : int
{
	kShapeSphere = 0,
	kShapeCube = 1,
	kShapeCone = 2,
	kShapeCylinder = 3,
	kShapePlane = 4,
	kShapeCount = 5,
};

// The centroid of each unit shape, by shape index: the cone's lies a quarter below its middle.
extern const Tuple3f ShapeCentroids[kShapeCount];

namespace UnitShape
{
	// The point farthest along a local direction (not zero; any length).
	Tuple3f Support(int shape, const Tuple3f& direction);
	// The first hit at or after the origin along the direction; false for a miss.
	bool RayCast(int shape, const Tuple3f& origin, const Tuple3f& direction, Tuple3f& hit);
	// The outward normal at a surface point, not normalised.
	Tuple3f Normal(int shape, const Tuple3f& point);
	// The vertex, edge or face facing a direction, as local points (faces counter-clockwise seen from
	// outside); returns their count. scaledDirection is the direction taken into the unit shape's
	// frame with the scale, rotatedDirection the same with the rotation only. cosine and sine are
	// those of the EPA tolerance: a direction that close to a face normal gets the face.
	int Feature(int shape, const Tuple3f& scaledDirection, const Tuple3f& rotatedDirection, float cosine, float sine,
		Tuple3f* points);
	// The volume of the shape scaled to size.
	float Volume(int shape, const Tuple3f& size);
	// The mesh the navigation sees: a square for the plane, the unit cube for every other shape.
	const std::vector<Tuple3f>& NavigationVertices(int shape);
	const std::vector<IndexTriple>& NavigationTriangles(int shape);
}
