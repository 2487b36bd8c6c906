#include "Components/Logic/MotionRules.h"

#include "CachedComponent.h"
#include "Components/Logic/RelayMsg.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Message.h"
#include "MessageName.h"
#include "Utilities/Diagnostics.h"

namespace
{
	// Named once: every spinner and rotator sends it in every step.
	const MessageName kSetRot("SetRot");

	Transform* ReportIfMissing(Transform* transform, Composition& owner, const char* type)
	{
		if (transform == nullptr)
			tw::Diagnostics::Report(DescribeComponent(owner, type) + ": the object has no Transform; the component does nothing");
		return transform;
	}
}

Transform* RequireTransform(Composition& owner, const char* type)
{
	return ReportIfMissing(owner.GetComponent<Transform>(), owner, type);
}

Transform* RequireTransform(Composition& owner, CachedComponent<Transform>& cached, const char* type)
{
	return ReportIfMissing(cached.Get(owner), owner, type);
}

RigidBody* RequireBody(Composition& owner, const char* type)
{
	const Body* body = owner.GetComponent<Body>();
	RigidBody* rigidBody = body != nullptr ? body->GetBody() : nullptr;
	if (rigidBody == nullptr)
		tw::Diagnostics::Report(DescribeComponent(owner, type) + ": the object has no Body; the component does nothing");
	return rigidBody;
}

void SendTurn(Composition& owner, const Quaternion& startOrientation, const Tuple3f& rotation)
{
	const Quaternion turned = QuaternionFromRotationVector(rotation) * startOrientation;
	owner.HandleMessage(Message(kSetRot).Push(QuaternionToRotationVector(turned)));
}
