#include "Systems/Physics/Collider.h"

#include "Systems/Physics/RigidBody.h"

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
