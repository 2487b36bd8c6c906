// ParticleCollision and ParticleCollider: the collider of a body that is a point mass. Its one
// piece is a single point at the body's position, with the mass read from the object's data; a
// point answers only the support, centre and feature queries, so only GJK serves its pairs.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Utilities/AABB.h"

class ParticleCollider : public ConvexGeometry
{
public:
	// No radius: the point's bounding sphere is the point.
	ParticleCollider() { geometryKind = kGeometryParticle; }

	Tuple3f Support(const Tuple3f&) const override { return position; }
	// A point is never hit.
	float RayCast(const Tuple3f&, const Tuple3f&) const override { return kRayMiss; }
	Tuple3f GetNormal(const Tuple3f&) const override { return {}; }
	Tuple3f GetCentre() const override { return position; }
	int GetFeature(const Tuple3f& direction, Tuple3f* points) const override;
	// The point as both corners.
	AABB GetBounds() const { return {position, position}; }

	// Key "Mass".
	float mass = 0.0f;
	// World position; the origin until the body first moves it.
	Tuple3f position;
};

class ParticleCollision : public Collider
{
public:
	ConvexGeometry* GetGeometry(unsigned) override { return &particle; }
	const ConvexGeometry* GetGeometry(unsigned) const override { return &particle; }
	unsigned GetGeometryCount() const override { return 1; }
	void Initialize() override {}
	// "Mass".
	bool Load(Serializer& serializer) override;
	bool Save(Serializer& serializer) override;
	// The point follows the body's world position.
	void UpdateTransform() override;
	// The point's box.
	void UpdateBounds() override;
	// The particle's mass; no inertia, so it never turns. Leaves isStatic as it is.
	void ComputeMass(Matrix4& inverseInertia, float& mass, Tuple3f& centreOfMass) override;
	float GetVolume() const override { return 0.0f; }
	Collider* Clone() const override { return new ParticleCollision(); }
	// A small white sphere at the point, whether or not physics debug drawing is on.
	void DebugDraw() override;
	void GetGeometries(const float*, std::vector<ConvexGeometry*>&) override {}
	std::vector<Tuple3f> GetVertices() const override { return {}; }
	std::vector<IndexTriple> GetIndices() const override { return {}; }

	ParticleCollider particle;
};
