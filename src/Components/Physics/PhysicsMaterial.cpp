#include "Components/Physics/PhysicsMaterial.h"

#include "Serializer.h"

#include <algorithm>

bool PhysicsMaterial::Load(Serializer& serializer)
{
	serializer.Read(restitution);
	serializer.Read(friction);
	serializer.Read(density);
	return true;
}

bool PhysicsMaterial::Serialize(Serializer& serializer)
{
	serializer.Write("Restitution Coefficient", restitution);
	serializer.Write("Friction Coefficient", friction);
	serializer.Write("Density", density);
	return true;
}

const PhysicsMaterial* PhysicsMaterial::Of(unsigned objectId)
{
	return static_cast<const PhysicsMaterial*>(FindComponent(objectId, TypeId()));
}

float PhysicsMaterial::RestitutionOf(unsigned objectId)
{
	const PhysicsMaterial* material = Of(objectId);
	return material != nullptr ? material->restitution : kDefaultRestitution;
}

float PhysicsMaterial::FrictionOf(unsigned objectId)
{
	const PhysicsMaterial* material = Of(objectId);
	return material != nullptr ? material->friction : kDefaultFriction;
}

float PhysicsMaterial::DensityOf(unsigned objectId)
{
	const PhysicsMaterial* material = Of(objectId);
	return material != nullptr ? material->density : kDefaultDensity;
}

float CombineFriction(unsigned objectA, unsigned objectB)
{
	return std::min(PhysicsMaterial::FrictionOf(objectA), PhysicsMaterial::FrictionOf(objectB));
}

float CombineRestitution(unsigned objectA, unsigned objectB)
{
	return 1.0f + std::min(PhysicsMaterial::RestitutionOf(objectA), PhysicsMaterial::RestitutionOf(objectB));
}
