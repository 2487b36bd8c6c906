#include "Components/Logic/RagdollLink.h"

#include "Components/Logic/BonePose.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>

namespace
{
	constexpr unsigned kLinkFlags = kBodyGhost | kBodyNoGravity | kBodyNoIntegrate;
}

RagdollLink::RagdollLink() : glideStart(Logic::GameMilliseconds())
{
}

bool RagdollLink::Load(Serializer& serializer)
{
	owner->RegisterHandler("Connect", &RagdollLink::OnConnect);
	owner->RegisterHandler("Disconnect", &RagdollLink::OnDisconnect);
	serializer.Read(connectTime).Read(boneName).Read(offsetPos).Read(offsetRotation);
	offsetRot = QuaternionFromRotationVector(offsetRotation);
	return true;
}

bool RagdollLink::Serialize(Serializer& serializer)
{
	serializer.Write("connectTime", connectTime).Write("boneName", boneName).Write("offsetPos", offsetPos);
	serializer.Write("offsetRot.AxisAngle()", offsetRotation);
	return true;
}

bool RagdollLink::Start()
{
	state = kFree;
	return true;
}

bool RagdollLink::Update()
{
	if (state == kFree)
		return true;
	RigidBody* body = RigidBodyOf(*owner);
	if (body != nullptr)
		body->Wake();
	if (state == kGliding)
	{
		const float seconds = static_cast<float>(Logic::GameMilliseconds() - glideStart) / 1000.0f;
		// A glide of no time (or a NaN one) is over at once.
		const float t = connectTime > 0.0f ? std::min(seconds / connectTime, 1.0f) : 1.0f;
		owner->HandleMessage(Message("SetRot").Push(QuaternionToRotationVector(Quaternion::Slerp(start.rotation, end.rotation, t))));
		owner->HandleMessage(Message("SetPos").Push(start.position + (end.position - start.position) * t));
		if (t >= 1.0f)
		{
			state = kAttached;
			if (body != nullptr)
				body->flags &= ~kBodyGhost;
		}
		return true;
	}
	Pose anchor;
	// The bone is looked up anew each frame: a target that lost it is as good as gone.
	if (!AnchorPose(anchor))
	{
		owner->HandleMessage(Message("Disconnect"));
		return true;
	}
	SendPose(anchor);
	return true;
}

void RagdollLink::OnConnect(Message::Reader reader)
{
	if (state != kFree)
		return;
	const unsigned target = reader.Read<unsigned>();
	targetId = target;
	Pose anchor;
	if (target == 0 || target == owner->GetId() || !AnchorPose(anchor))
	{
		targetId = 0;
		return;
	}
	state = kGliding;
	glideStart = Logic::GameMilliseconds();
	RigidBody* body = RigidBodyOf(*owner);
	start.position = body != nullptr ? body->GetPosition() : anchor.position;
	start.rotation = WorldOrientationOf(*owner);
	end = anchor;
	if (body != nullptr)
	{
		body->flags |= kLinkFlags;
		// The linked body starts the attachment at rest: keeping the velocity it had here, it would
		// be answered by its contacts as if it were still flying.
		body->velocity = Tuple3f();
		body->angularVelocity = Tuple3f();
	}
}

void RagdollLink::OnDisconnect(Message::Reader)
{
	targetId = 0;
	state = kFree;
	if (RigidBody* body = RigidBodyOf(*owner))
	{
		body->velocity = Tuple3f();
		body->angularVelocity = Tuple3f();
		body->Wake();
		body->flags &= ~kLinkFlags;
	}
}

bool RagdollLink::AnchorPose(Pose& pose) const
{
	const Object target = ObjectFromId(targetId);
	if (target.IsDummy())
		return false;
	const auto bone = FindBonePose(*target.object, boneName);
	if (!bone)
		return false;
	pose.position = ModelToWorld(*target.object, bone->position) + Quaternion::Rotate(bone->orientation, offsetPos);
	pose.rotation = WorldOrientationOf(*target.object) * bone->orientation * offsetRot;
	return true;
}

void RagdollLink::SendPose(const Pose& pose) const
{
	owner->HandleMessage(Message("SetPos").Push(pose.position));
	owner->HandleMessage(Message("SetRot").Push(QuaternionToRotationVector(pose.rotation)));
}
