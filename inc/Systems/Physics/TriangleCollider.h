// TriangleCollider: one triangle of a static mesh as a convex piece for the narrow phase. Its
// corners point into the mesh's vertex array; its box, normal, edge directions and edge normals
// are computed once when the mesh is baked into world space, since level geometry never moves.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Utilities/AABB.h"

// What a triangle's ray test reads: its corners and unit normal. The static mesh copies these
// out of its triangles in its ray tree's leaf order, so a ray's leaf tests read one array.
struct TriangleRay
{
	// Where the ray meets the triangle's plane, as TriangleCollider::RayCast.
	float Cast(const Tuple3f& origin, const Tuple3f& direction) const;

	Tuple3f corners[3];
	Tuple3f normal;
};

class TriangleCollider : public ConvexGeometry
{
public:
	// The corners must outlive the triangle.
	TriangleCollider(const Tuple3f* corner0, const Tuple3f* corner1, const Tuple3f* corner2);

	// The corner farthest along the direction; of equal ones the later corner.
	Tuple3f Support(const Tuple3f& direction) const override;
	// Where the ray meets the triangle's plane, when it passes inside the three edges (behind the
	// origin gives a negative parameter); kRayMiss otherwise, and for a ray along the plane.
	float RayCast(const Tuple3f& origin, const Tuple3f& direction) const override;
	Tuple3f GetNormal(const Tuple3f& point) const override;
	Tuple3f GetCentre() const override { return centre; }
	// A contact whose normal lies in the triangle's plane gets depth -1.
	void FilterContact(ContactPoint& contact) const override;
	// The face within the EPA tolerance of the direction, else an edge nearly across it, else the
	// corner farthest along it.
	int GetFeature(const Tuple3f& direction, Tuple3f* points) const override;

	// Box, enclosing sphere, normal and edges from the corners as they are now.
	void Bake();
	const Tuple3f& Corner(int index) const { return *corners[index]; }
	const AABB& GetBox() const { return box; }
	const Tuple3f& GetFaceNormal() const { return normal; }
	TriangleRay GetRay() const { return {{*corners[0], *corners[1], *corners[2]}, normal}; }

private:
	void ComputeEnclosingSphere();

	const Tuple3f* corners[3];
	AABB box;
	// Centre of the smallest enclosing sphere; its radius is the piece's radius.
	Tuple3f centre;
	// Unit (P1 − P0) × (P0 − P2); zero, like the edge normals, for a triangle without area.
	Tuple3f normal;
	// normal × edgeDirections[i]: in the plane, out of the triangle across edge i.
	Tuple3f edgeNormals[3];
	// Unit P1 − P0, P2 − P1, P0 − P2.
	Tuple3f edgeDirections[3];
};
