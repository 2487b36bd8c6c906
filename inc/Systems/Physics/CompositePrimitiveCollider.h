// CompositePrimitiveCollider: the collider of ordinary game objects, a list of primitive pieces
// (sphere, cube, cone, cylinder, plane), each with its own offset, rotation and scale, moved
// together by one body. It reads and writes its pieces, keeps their world matrices in step with
// the body and gives the body its mass, centre and inertia from the pieces and the owner's density.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Systems/Physics/PrimitiveCollider.h"

#include <vector>

class CompositePrimitiveCollider : public Collider
{
public:
	ConvexGeometry* GetGeometry(unsigned index) override { return &primitives[index]; }
	const ConvexGeometry* GetGeometry(unsigned index) const override { return &primitives[index]; }
	unsigned GetGeometryCount() const override { return static_cast<unsigned>(primitives.size()); }
	// Every piece learns its owner.
	void Initialize() override;
	// One child element per piece: "Primitive", "Offset", "Rotation" (degrees), "Scale".
	bool Load(Serializer& serializer) override;
	bool Save(Serializer& serializer) override;
	void UpdateTransform() override;
	// The pieces' extreme points along the six axis directions, widened by 0.0001.
	void UpdateBounds() override;
	// Mass from the owner's density (790 without a PhysicsMaterial), the centre of the pieces'
	// masses (the origin when there is no mass) and the inverse of the summed inertia about the
	// body origin.
	void ComputeMass(Matrix4& inverseInertia, float& mass, Tuple3f& centreOfMass) override;
	float GetVolume() const override;
	Collider* Clone() const override { return new CompositePrimitiveCollider(); }
	void DebugDraw() override;
	// Every piece, whatever the box.
	void GetGeometries(const float* box, std::vector<ConvexGeometry*>& out) override;
	// The pieces' navigation meshes in world space, piece after piece.
	std::vector<Tuple3f> GetVertices() const override;
	std::vector<IndexTriple> GetIndices() const override;

	// Whether a piece so placed needs no matrices of its own (unit scale, no offset, no rotation).
	static bool IsUnitPiece(const Tuple3f& scale, const Tuple3f& offset, const Tuple3f& rotation);

	// One piece of unit scale, no offset and no rotation: it takes the body's matrices as they are.
	bool isSingleUnit = false;
	std::vector<PrimitiveCollider> primitives;

private:
	// The scale of the body's Transform; (1, 1, 1) without one.
	Tuple3f ObjectScale() const;
	// The piece's centre of volume in the body frame, before the object's scale.
	static Tuple3f PieceCentroid(const PrimitiveCollider& piece);
};
