#include "Components/Physics/PhysicsMaterial.h"

#include "Serializer.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/ValueText.h"

#include <algorithm>
#include <limits>
#include <string>

namespace
{
	// A value read outside [low, high] (a bounce that adds energy, a negative mass) is refused
	// with one diagnostic naming the value, and the material keeps what it held.
	void ReadInRange(Serializer& serializer, const char* name, float& value, float low, float high)
	{
		float read = value;
		serializer.Read(read);
		if (read >= low && read <= high)
		{
			value = read;
			return;
		}
		tw::Diagnostics::Report("PhysicsMaterial: \"" + std::string(name) + "\" reads " + ValueText::Format(read) +
			", outside " + ValueText::Format(low) + ".." + ValueText::Format(high) + "; " + ValueText::Format(value) +
			" is kept");
	}
}

bool PhysicsMaterial::Load(Serializer& serializer)
{
	constexpr float kLargest = std::numeric_limits<float>::max();
	ReadInRange(serializer, "Restitution Coefficient", restitution, 0.0f, 1.0f);
	ReadInRange(serializer, "Friction Coefficient", friction, 0.0f, kLargest);
	ReadInRange(serializer, "Density", density, 0.0f, kLargest);
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
