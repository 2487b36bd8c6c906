// PhysicsMaterial: the surface and bulk of an object for the physics engine: how bouncy its
// contacts are, how much friction it offers and how dense its collider is. Objects without one
// count as restitution 0, friction 0.3 and density 790.
#pragma once

#include "Component.h"
#include "Object.h"

struct __PhysicsMaterialName
{
	static constexpr const char* name = "PhysicsMaterial";
};

class PhysicsMaterial : public ComponentBase<PhysicsMaterial, __PhysicsMaterialName>
{
public:
	static constexpr float kDefaultRestitution = 0.0f;
	static constexpr float kDefaultFriction = 0.3f;
	static constexpr float kDefaultDensity = 790.0f;

	// Restitution, friction and density, by position.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override { return true; }
	bool Update() override { return true; }
	void Detach() override {}

	// The material of the object; null when it has none.
	static const PhysicsMaterial* Of(unsigned objectId);
	static float RestitutionOf(unsigned objectId);
	static float FrictionOf(unsigned objectId);
	static float DensityOf(unsigned objectId);

	// A material created and never loaded behaves like no material at all.
	float restitution = kDefaultRestitution;
	float friction = kDefaultFriction;
	float density = kDefaultDensity;
};

// The friction of a contact between two objects: the smaller of their coefficients.
float CombineFriction(unsigned objectA, unsigned objectB);
// 1 + the smaller of the two objects' restitution coefficients: the bounce of their contacts.
float CombineRestitution(unsigned objectA, unsigned objectB);
