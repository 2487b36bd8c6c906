#include "Components/Logic/BonePose.h"

#include "Components/Physics/Body.h"
#include "Composition.h"
#include "Object.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Matrix4.h"

RigidBody* RigidBodyOf(Composition& object)
{
	Body* body = object.GetComponent<Body>();
	return body != nullptr ? body->GetBody() : nullptr;
}

RigidBody* RigidBodyOf(unsigned objectId)
{
	const Object object = ObjectFromId(objectId);
	return object.IsDummy() ? nullptr : RigidBodyOf(*object.object);
}

std::optional<BoneTransform::BoneInfo> FindBonePose(Composition& object, const std::string& bone)
{
	const BoneTransform* bones = object.GetComponent<BoneTransform>();
	if (bones == nullptr)
		return std::nullopt;
	const auto found = bones->Find(bone);
	if (found == bones->End())
		return std::nullopt;
	return found->second;
}

Tuple3f ModelToWorld(Composition& object, const Tuple3f& modelPoint)
{
	if (const RigidBody* body = RigidBodyOf(object))
		return body->transforms.world * modelPoint;
	const Transform* transform = object.GetComponent<Transform>();
	if (transform == nullptr)
		return modelPoint;
	return Matrix4::FromTransform(transform->GetWorldPosition(), transform->GetScale(), transform->GetWorldOrientation()) * modelPoint;
}

Quaternion WorldOrientationOf(Composition& object)
{
	if (const RigidBody* body = RigidBodyOf(object))
		return body->orientation;
	const Transform* transform = object.GetComponent<Transform>();
	return transform != nullptr ? transform->GetWorldOrientation() : Quaternion();
}
