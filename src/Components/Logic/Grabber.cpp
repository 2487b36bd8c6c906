#include "Components/Logic/Grabber.h"

#include "Components/Logic/CameraAim.h"
#include "Components/Logic/RayCaster.h"
#include "Components/Physics/ObjectBodies.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"

namespace
{
	constexpr float kHeldDamping = 0.95f;
}

bool Grabber::Load(Serializer& serializer)
{
	owner->RegisterHandler("Grab", &Grabber::OnGrab);
	owner->RegisterHandler("Release", &Grabber::OnRelease);
	serializer.Read(reach);
	return true;
}

bool Grabber::Serialize(Serializer& serializer)
{
	serializer.Write("reach", reach);
	return true;
}

bool Grabber::Start()
{
	grabbedObject = 0;
	grabbedBody = nullptr;
	if (Physics* physics = Physics::Instance())
		constraint = physics->GetResolution().CreateConstraint();
	return true;
}

void Grabber::Detach()
{
	Physics* physics = Physics::Instance();
	if (physics != nullptr && !physics->GetResolution().tearingDown)
		physics->GetResolution().DestroyConstraint(constraint);
	constraint = ConstraintRef();
}

bool Grabber::Update()
{
	RigidBody* ownBody = MainBodyOf(owner->GetId());
	if (ownBody == nullptr)
		return true;
	// The held body's record is reused once its object goes or changes its body, so it is checked
	// before every use.
	if (grabbedObject == 0 || !IsBodyOfObject(grabbedObject, grabbedBody))
	{
		owner->HandleMessage(Message("Release"));
		return true;
	}
	const std::optional<CameraAim> aim = CameraAim::Active();
	if (!aim || constraint.record == nullptr)
		return true;
	const Tuple3f heldPoint = grabbedBody->transforms.world * localGrabPoint;
	const Tuple3f target = aim->eye + aim->direction * holdDistance;
	grabbedBody->velocity *= kHeldDamping;
	grabbedBody->angularVelocity *= kHeldDamping;
	grabbedBody->Wake();
	Constraint& row = *constraint.record;
	row.lambda = 0.0f;
	row.forceScale = 1.0f;
	BuildSlackRopeRow(row, *ownBody, target, *grabbedBody, heldPoint, kSlack, Physics::Settings().baumgarte);
	return true;
}

void Grabber::OnGrab(Message::Reader)
{
	RayCaster* rayCaster = owner->GetComponent<RayCaster>();
	RigidBody* ownBody = MainBodyOf(owner->GetId());
	Physics* physics = Physics::Instance();
	if (grabbedObject != 0 || rayCaster == nullptr || ownBody == nullptr || physics == nullptr || constraint.record == nullptr)
		return;
	rayCaster->Cast();
	if (!rayCaster->hit || !(rayCaster->offset.LengthSquared() < reach * reach))
		return;
	holdDistance = static_cast<float>(rayCaster->offset.Length());
	grabbedObject = rayCaster->hitObject;
	grabbedBody = rayCaster->hitBody;
	localGrabPoint = grabbedBody->transforms.inverse * rayCaster->hitPoint;
	// The row needs its bodies before the resolution stage takes it.
	constraint.record->bodyA = ownBody;
	constraint.record->bodyB = grabbedBody;
	physics->GetResolution().EnableConstraint(constraint);
}

void Grabber::OnRelease(Message::Reader)
{
	if (grabbedObject == 0)
		return;
	if (Physics* physics = Physics::Instance())
		physics->GetResolution().DisableConstraint(constraint);
	grabbedObject = 0;
	grabbedBody = nullptr;
}
