#include "Components/Physics/CursorController.h"

#include "Components/Graphics/Camera.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/DebugDraw.h"

#include <cfloat>
#include <cmath>

namespace
{
	// Never falls asleep while the controller runs.
	constexpr int kAwake = 100000;
	constexpr float kHitMarkerRadius = 0.1f;
	constexpr float kDragLineWidth = 2.0f;
	const Tuple4f kHitMarkerColour(1.0f, 1.0f, 0.0f, 1.0f);
	const Tuple4f kDragLineColour(0.0f, 1.0f, 0.0f, 1.0f);

	// displacement / dt; a step of (almost) no time gives the largest float with the displacement's
	// sign, 0 counting as positive.
	Tuple3f VelocityOver(const Tuple3f& displacement, float dt)
	{
		if (std::fabs(dt) > FLT_EPSILON)
			return displacement * (1.0f / dt);
		Tuple3f velocity;
		for (int axis = 0; axis < 3; ++axis)
			velocity[axis] = displacement[axis] < 0.0f ? -FLT_MAX : FLT_MAX;
		return velocity;
	}
}

bool CursorController::Load(Serializer&)
{
	owner->RegisterHandler("GrabSelectedBody", &CursorController::OnGrabSelectedBody);
	owner->RegisterHandler("ReleaseConstrainedBody", &CursorController::OnReleaseConstrainedBody);
	return true;
}

bool CursorController::Start()
{
	const Body* body = owner->GetComponent<Body>();
	cursorBody = body != nullptr ? body->GetBody() : nullptr;
	grabbedBody = nullptr;
	selectedBody = nullptr;
	if (Physics* physics = Physics::Instance())
		constraint = physics->GetResolution().CreateConstraint();
	return true;
}

void CursorController::Detach()
{
	Physics* physics = Physics::Instance();
	if (physics != nullptr && !physics->GetResolution().tearingDown)
		physics->GetResolution().DestroyConstraint(constraint);
	constraint = ConstraintRef();
}

bool CursorController::GetView(Tuple3f& eye, Tuple3f& direction) const
{
	const Graphics* graphics = Graphics::Find();
	const Camera* camera = graphics != nullptr ? graphics->GetActiveCamera() : nullptr;
	if (camera == nullptr)
		return false;
	eye = camera->GetEyePosition();
	direction = camera->GetDirection().Normalize();
	return true;
}

bool CursorController::GrabbedBodyIsAlive() const
{
	const Object holder = ObjectFromId(grabbedOwnerId);
	if (holder.IsDummy())
		return false;
	const Body* body = holder.object->GetComponent<Body>();
	return body != nullptr && body->GetBody() == grabbedBody;
}

bool CursorController::Update()
{
	Tuple3f eye;
	Tuple3f direction;
	if (cursorBody == nullptr || !GetView(eye, direction))
		return true;
	if (grabbedBody != nullptr && !GrabbedBodyIsAlive())
		LetGo();

	RigidBody* hitBody = nullptr;
	Tuple3f hit;
	if (Physics::RayCast(eye, direction, &hitBody, &hit) && hitBody != nullptr)
	{
		selectedBody = hitBody;
		hitPoint = hit;
		DebugDraw::DrawSphereUniform(hitPoint, kHitMarkerRadius, kHitMarkerColour);
	}
	else
		selectedBody = nullptr;

	cursorBody->sleepCounter = kAwake;
	cursorBody->inverseMass = 1.0f;
	const Tuple3f target = eye + direction * grabDistance;
	if (grabbedBody != nullptr)
		Drag(target);
	cursorBody->inverseMass = 0.0f;
	previousTarget = target;
	if (grabbedBody != nullptr)
		DebugDraw::DrawLine(grabbedBody->transforms.world * grabPoint, target, kDragLineWidth, kDragLineColour);
	return true;
}

void CursorController::Drag(const Tuple3f& target)
{
	cursorBody->velocity = VelocityOver(target - previousTarget, Physics::Settings().timeStep);
	if (cursorBody->transform != nullptr)
		cursorBody->transform->SetWorldPosition(target);
	cursorBody->UpdateDerived();
	grabbedBody->velocity *= 0.95f;
	grabbedBody->angularVelocity *= 0.9f;
	if (constraint.record == nullptr)
		return;
	BuildSlackRopeRow(*constraint.record, *cursorBody, target, *grabbedBody, grabbedBody->transforms.world * grabPoint, kSlack,
		Physics::Settings().baumgarte);
}

void CursorController::OnGrabSelectedBody(Message::Reader)
{
	Tuple3f eye;
	Tuple3f direction;
	if (selectedBody == nullptr || cursorBody == nullptr || !GetView(eye, direction))
		return;
	Physics* physics = Physics::Instance();
	grabbedBody = selectedBody;
	grabbedOwnerId = grabbedBody->ownerId;
	grabPoint = grabbedBody->transforms.inverse * hitPoint;
	grabDistance = static_cast<float>((hitPoint - eye).Length());
	previousTarget = eye + direction * grabDistance;
	if (physics != nullptr && constraint.record != nullptr)
	{
		// The row needs its bodies before the resolution stage takes it.
		constraint.record->bodyA = cursorBody;
		constraint.record->bodyB = grabbedBody;
		physics->GetResolution().EnableConstraint(constraint);
	}
}

void CursorController::OnReleaseConstrainedBody(Message::Reader)
{
	if (grabbedBody != nullptr)
		LetGo();
}

void CursorController::LetGo()
{
	if (Physics* physics = Physics::Instance())
		physics->GetResolution().DisableConstraint(constraint);
	grabbedBody = nullptr;
	grabbedOwnerId = 0;
}
