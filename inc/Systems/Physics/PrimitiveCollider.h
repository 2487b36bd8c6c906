// PrimitiveCollider: one convex primitive (sphere, cube, cone, cylinder or plane) placed inside a
// body with its own scale, offset and rotation. It turns each world-space question into one about
// its unit shape through three matrices that the composite collider refreshes when the body moves.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Systems/Physics/UnitShapes.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <string>
#include <vector>

struct RigidBody;

// The shape index of a name, in any letter case; a name that is no shape is entered as a sphere.
int ShapeFromPrimitiveName(const std::string& name);
// The geometry kind (shape-pair table) of a shape index.
int GeometryKindOfShape(int shapeIndex);

class PrimitiveCollider : public ConvexGeometry
{
public:
	// rotation: a rotation vector in radians.
	PrimitiveCollider(const Tuple3f& scale, const std::string& shapeName, const Tuple3f& offset, const Tuple3f& rotation);

	Tuple3f Support(const Tuple3f& direction) const override;
	float RayCast(const Tuple3f& origin, const Tuple3f& direction) const override;
	// Normals turn with the inverse transpose, so an ellipsoid's stays perpendicular to its surface.
	Tuple3f GetNormal(const Tuple3f& point) const override;
	Tuple3f GetCentre() const override;
	int GetFeature(const Tuple3f& direction, Tuple3f* points) const override;

	// The placement in the body (offset, orientation, scale) composed with the body's matrices.
	void UpdateTransform(const RigidBody& body);
	// Volume and inertia tensor (about the shape's own centre) for the shape scaled to size.
	float GetVolume(const Tuple3f& size) const;
	void ComputeInertia(const Tuple3f& size, float mass, Matrix4& tensor) const;
	// The navigation mesh in the body frame.
	std::vector<Tuple3f> GetVertices() const;
	std::vector<IndexTriple> GetIndices() const;

	// Lower case.
	std::string shapeName;
	// A UnitShapeIndex.
	int shapeIndex = kShapeSphere;
	Tuple3f scale;
	Quaternion orientation;
	Tuple3f offset;
	Matrix4 worldMatrix = Matrix4::Identity();
	Matrix4 inverseMatrix = Matrix4::Identity();
	// The transpose of worldMatrix's linear part: world directions into the unit shape's frame.
	Matrix4 directionMatrix = Matrix4::Identity();
	// The body's orientation followed by orientation.
	Quaternion worldOrientation;
};
