#include "Components/Logic/Reflection.h"

#include "Components/Graphics/Camera.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/MathCommon.h"

#include <cmath>
#include <vector>

namespace
{
	// Only bodies approaching faster than this (units per second) are sent back.
	constexpr float kApproachSpeed = 3.0f;
}

bool Reflection::Load(Serializer& serializer)
{
	serializer.Read(minimumSpeed_).Read(maximumSpeed_).Read(collisionAngle_).Read(boundingSphere_);
	cosAngle = static_cast<float>(std::cos(collisionAngle_ * kDegreesToRadians));
	owner->RegisterHandler("Reflect", &Reflection::OnReflect);
	return true;
}

bool Reflection::Serialize(Serializer& serializer)
{
	serializer.Write("minimumSpeed_", minimumSpeed_).Write("maximumSpeed_", maximumSpeed_);
	serializer.Write("collisionAngle_", collisionAngle_).Write("boundingSphere_", boundingSphere_);
	return true;
}

void Reflection::OnReflect(Message::Reader)
{
	const Transform* transform = owner->GetComponent<Transform>();
	const Camera* camera = owner->GetComponent<Camera>();
	if (transform == nullptr || camera == nullptr)
		return;
	const Tuple3f centre = transform->GetWorldPosition();
	const Tuple3f view = camera->GetDirection();
	bool found = false;
	std::vector<RigidBody*> bodies;
	Engine::SendMessage(Message("PhysicsQueryPrimitive").Push(&found).PushInt(kGeometrySphere)
		.Push(centre).Push(Tuple3f()).Push(Tuple3f(boundingSphere_, boundingSphere_, boundingSphere_)).Push(&bodies));
	for (RigidBody* body : bodies)
	{
		if (body->HasFlag(kBodyController) || (body->inverseMass == 0.0f && !body->HasFlag(kBodyLogic)))
			continue;
		const Tuple3f offset = body->GetPosition() - centre;
		// A body exactly at the centre lies in no direction.
		if (TupleMath::IsZeroLength<float>(offset.Length()))
			continue;
		const Tuple3f towards = offset.Normalize();
		if (body->velocity.DotProduct(towards) < -kApproachSpeed && view.DotProduct(towards) > cosAngle)
		{
			body->velocity = view * maximumSpeed_;
			SendToObject(body->ownerId, Message("SetExplodeType").PushU32(0));
		}
	}
}
