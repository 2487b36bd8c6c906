#include "Systems/Physics/Collider.h"

#include "Systems/Physics/RigidBody.h"
#include "Utilities/HashMap.h"

Tuple3f Collider::GetPosition() const
{
	return body != nullptr ? body->GetPosition() : Tuple3f();
}

Object Collider::GetOwner() const
{
	return ObjectFromId(ownerId);
}

float Collider::RayCast(const Tuple3f& origin, const Tuple3f& direction) const
{
	float best = kUnboundedDistance;
	for (unsigned index = 0; index < GetGeometryCount(); ++index)
	{
		const float t = GetGeometry(index)->RayCast(origin, direction);
		// Strict: a ray starting on a surface does not hit it, and an equal later hit loses.
		if (t > 0.0f && t < best)
			best = t;
	}
	return best >= kUnboundedDistance ? kRayMiss : best;
}

namespace
{
	tw::hash_map<std::string, std::unique_ptr<Collider>>& ColliderPrototypes()
	{
		static tw::hash_map<std::string, std::unique_ptr<Collider>> prototypes;
		return prototypes;
	}
}

const Collider* ColliderPrototypeLookup(const std::string& typeName)
{
	const auto found = ColliderPrototypes().find(typeName);
	return found != ColliderPrototypes().end() ? found->second.get() : nullptr;
}

void RegisterColliderPrototype(const std::string& typeName, std::unique_ptr<Collider> prototype)
{
	if (prototype == nullptr)
		ColliderPrototypes().erase(typeName);
	else
		ColliderPrototypes()[typeName] = std::move(prototype);
}
