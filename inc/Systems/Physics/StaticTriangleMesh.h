// StaticTriangleMesh: the collider of level geometry. An immovable mesh read from a collision mesh
// file, baked into world space once, cut into one TriangleCollider per triangle and filed into a
// box tree for the detection stage's box queries; rays walk a packed copy of that tree. It has no mass, so the detection stage
// keeps it among the static colliders, and it hands its whole mesh to the navigation-mesh builder.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Systems/Physics/CollisionMeshFile.h"
#include "Systems/Physics/TriangleCollider.h"
#include "Utilities/AABBTree.h"
#include "Utilities/PackedRayTree.h"

#include <cstdint>
#include <string>
#include <vector>

class StaticTriangleMesh : public Collider
{
public:
	// Stands for the bounding radius of a mesh, whose triangles are tested one by one.
	static constexpr float kMeshRadius = 1000.0f;

	StaticTriangleMesh() = default;
	// The triangles point into the vertices and the tree into the triangles.
	StaticTriangleMesh(const StaticTriangleMesh&) = delete;
	StaticTriangleMesh& operator=(const StaticTriangleMesh&) = delete;

	ConvexGeometry* GetGeometry(unsigned index) override { return &triangles[index]; }
	const ConvexGeometry* GetGeometry(unsigned index) const override { return &triangles[index]; }
	unsigned GetGeometryCount() const override { return static_cast<unsigned>(triangles.size()); }
	// Bakes the mesh by the body's world matrix and files the triangles into the tree.
	void Initialize() override;
	// "File Name", then the file; a missing or damaged file leaves the mesh empty and gives false.
	bool Load(Serializer& serializer) override;
	bool Save(Serializer& serializer) override;
	// Level geometry does not move.
	void UpdateTransform() override {}
	// Exactly the vertices' extent, without padding.
	void UpdateBounds() override;
	// No mass: static.
	void ComputeMass(Matrix4& inverseInertia, float& mass, Tuple3f& centreOfMass) override;
	float GetVolume() const override { return 0.0f; }
	Collider* Clone() const override { return new StaticTriangleMesh(); }
	void DebugDraw() override {}
	// The triangles whose boxes overlap the box (touching counts).
	void GetGeometries(const float* box, std::vector<ConvexGeometry*>& out) override;
	// The nearest strictly positive hit of any triangle; kRayMiss for none.
	float RayCast(const Tuple3f& origin, const Tuple3f& direction) const override;
	// Skips the triangles the ray can only reach beyond farthest.
	float RayCastWithin(const Tuple3f& origin, const Tuple3f& direction, float farthest) const override;
	std::vector<Tuple3f> GetVertices() const override { return vertices; }
	std::vector<IndexTriple> GetIndices() const override;

	// Takes a mesh read from a file (its indices already checked) and makes its triangles.
	void SetMesh(CollisionMeshFile::Mesh mesh);

	// The collision mesh file, key "File Name".
	std::string fileName;

private:
	// Sized once by SetMesh: the triangles point into it.
	std::vector<Tuple3f> vertices;
	std::vector<std::uint32_t> indices;
	std::vector<TriangleCollider> triangles;
	// Answers box queries only: its leaves carry no ray test, rays walk rayTree.
	AABBTree tree;
	PackedRayTree rayTree;
	// The triangles in the ray tree's leaf order.
	std::vector<TriangleRay> rayTriangles;
	std::vector<AABBTree::LeafNode*> overlapping;
};
