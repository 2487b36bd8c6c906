#include "Components/Physics/CharacterController.h"

#include "Components/Graphics/Camera.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Serializer.h"
#include "Systems/Physics/CollisionManifold.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace
{
	constexpr float kStillSpeed = 0.0001f;
	const Tuple3f kUp(0.0f, 1.0f, 0.0f);
	const Tuple3f kViewAxis(0.0f, 0.0f, 1.0f);
}

bool CharacterController::Load(Serializer& serializer)
{
	owner->RegisterHandler("MoveForward", &CharacterController::OnMoveForward);
	owner->RegisterHandler("Strafe", &CharacterController::OnStrafe);
	owner->RegisterHandler("Jump", &CharacterController::OnJump);
	owner->RegisterHandler("Crouch", &CharacterController::OnCrouch);
	owner->RegisterHandler("Uncrouch", &CharacterController::OnUncrouch);
	owner->RegisterHandler("Collision", &CharacterController::OnCollision);
	owner->RegisterHandler("CollisionEnd", &CharacterController::OnCollisionEnd);
	for (float& speed : groundMaxSpeed)
		serializer.Read(speed);
	for (float& acceleration : groundAcceleration)
		serializer.Read(acceleration);
	serializer.Read(airSpeedFactor);
	serializer.Read(airAccelerationFactor);
	serializer.Read(deceleration);
	serializer.Read(jumpSpeed);
	serializer.Read(crouchedScale);
	serializer.Read(crouchTime);
	serializer.Read(angle);
	for (int index = 0; index < 3; ++index)
	{
		airMaxSpeed[index] = groundMaxSpeed[index] * airSpeedFactor;
		airAcceleration[index] = groundAcceleration[index] * airAccelerationFactor;
	}
	return true;
}

bool CharacterController::Serialize(Serializer& serializer)
{
	static constexpr const char* kSpeedNames[] = {"Max Speed Forward", "Max Speed Backward", "Max Speed Sideways"};
	static constexpr const char* kAccelerationNames[] = {"Acceleration Forward", "Acceleration Backward",
		"Acceleration Sideways"};
	for (int index = 0; index < 3; ++index)
		serializer.Write(kSpeedNames[index], groundMaxSpeed[index]);
	for (int index = 0; index < 3; ++index)
		serializer.Write(kAccelerationNames[index], groundAcceleration[index]);
	serializer.Write("Air Speed Factor", airSpeedFactor);
	serializer.Write("Air Acceleration Factor", airAccelerationFactor);
	serializer.Write("Deceleration", deceleration);
	serializer.Write("Jump Speed", jumpSpeed);
	serializer.Write("Crouched Scale", crouchedScale);
	serializer.Write("Crouch Time", crouchTime);
	serializer.Write("Angle", angle);
	return true;
}

bool CharacterController::Start()
{
	Message unpause("Pause");
	unpause.Push(false);
	Engine::SendMessage(unpause);
	if (const Transform* transform = owner->GetComponent<Transform>())
		standingScale = transform->GetScale();
	crouchState = kAtRest;
	moved = false;
	airborne = true;
	crouchTimer = 0.0f;
	crouchFraction = 0.0f;
	return true;
}

RigidBody* CharacterController::GetRigidBody() const
{
	const Body* body = owner->GetComponent<Body>();
	return body != nullptr ? body->GetBody() : nullptr;
}

bool CharacterController::Update()
{
	RigidBody* body = GetRigidBody();
	if (body == nullptr)
		return true;
	FaceCamera();
	body->Wake();
	if (crouchState != kAtRest)
		Crouch(*body);
	if (!airborne)
		MeasureGround(*body);
	if (!moved && !airborne)
		Decelerate(*body);
	airborne = contacts.empty();
	moved = false;
	return true;
}

void CharacterController::FaceCamera()
{
	const Camera* camera = owner->GetComponent<Camera>();
	Transform* transform = owner->GetComponent<Transform>();
	if (camera == nullptr || transform == nullptr)
		return;
	const Tuple3f& direction = camera->GetDirection();
	const float turn = direction.AngleBetween(kViewAxis);
	const float yaw = direction.x > 0.0f ? turn : -turn;
	transform->SetWorldOrientation(QuaternionFromRotationVector(Tuple3f(0.0f, yaw, 0.0f)));
}

void CharacterController::Crouch(RigidBody& body)
{
	const float dt = Physics::Settings().timeStep;
	const bool lowering = crouchState == kLowering;
	if (lowering)
	{
		crouchTimer += dt;
		if (crouchTimer > crouchTime)
		{
			crouchTimer = crouchTime;
			crouchState = kAtRest;
		}
	}
	else
	{
		crouchTimer -= dt;
		if (crouchTimer < 0.0f)
		{
			crouchTimer = 0.0f;
			crouchState = kAtRest;
		}
	}
	// A crouch time of 0 crouches and stands up at once, never dividing by it.
	const float before = crouchFraction;
	crouchFraction = crouchTime > 0.0f ? crouchTimer / crouchTime : (lowering ? 1.0f : 0.0f);
	Transform* transform = owner->GetComponent<Transform>();
	if (transform == nullptr)
		return;
	if (!airborne)
	{
		// Half the change of height keeps the feet on the ground.
		Tuple3f position = transform->GetWorldPosition();
		position.y += (crouchedScale.y - standingScale.y) * (crouchFraction - before) * 0.5f;
		transform->SetWorldPosition(position);
	}
	transform->SetScale(standingScale + (crouchedScale - standingScale) * crouchFraction);
	body.ComputeMass(false);
	body.Wake();
}

void CharacterController::MeasureGround(const RigidBody& body)
{
	Physics* physics = Physics::Instance();
	const Tuple3f gravity = Physics::Settings().gravityDirection;
	groundMeasure = 0.0f;
	if (physics == nullptr)
		return;
	for (const auto& entry : contacts)
	{
		const CollisionManifold* manifold = physics->GetTransgression().FindManifold(body, *entry.first);
		if (manifold == nullptr)
			continue;
		for (const ContactPoint* contact = manifold->contacts.first; contact != nullptr; contact = contact->next)
			groundMeasure = std::max(groundMeasure, std::fabs(contact->normal.DotProduct(gravity)));
	}
}

void CharacterController::Decelerate(RigidBody& body)
{
	const float speed = std::hypot(body.velocity.x, body.velocity.z);
	if (speed < kStillSpeed)
		return;
	const float slowed = std::max(speed - Physics::Settings().timeStep * deceleration, 0.0f);
	body.velocity.x *= slowed / speed;
	body.velocity.z *= slowed / speed;
}

void CharacterController::Move(Tuple3f d, float v, Direction positive, Direction negative)
{
	Direction index = positive;
	if (v < 0.0f)
	{
		d = -d;
		v = -v;
		index = negative;
	}
	const float acceleration = airborne ? airAcceleration[index] : groundAcceleration[index];
	const float maximum = airborne ? airMaxSpeed[index] : groundMaxSpeed[index];
	ApplyMove(d * (acceleration * Physics::Settings().timeStep), maximum * v);
}

void CharacterController::ApplyMove(const Tuple3f& move, float maximum)
{
	RigidBody* body = GetRigidBody();
	if (body == nullptr)
		return;
	if (!airborne)
	{
		Message walk("StartSFX");
		walk.Push(std::string("Walk"));
		owner->HandleMessage(walk);
	}
	const Tuple3f n = move.Normalize();
	const float along = n.x * body->velocity.x + n.z * body->velocity.z;
	if (along <= maximum)
	{
		Tuple3f h(move.x + body->velocity.x, move.y, move.z + body->velocity.z);
		const float length = static_cast<float>(h.Length());
		if (length > maximum)
			h = h * (maximum / length);
		body->velocity = Tuple3f(h.x, h.y + body->velocity.y, h.z);
	}
	moved = true;
}

void CharacterController::OnMoveForward(Message::Reader reader)
{
	const Camera* camera = owner->GetComponent<Camera>();
	if (camera == nullptr)
		return;
	const Tuple3f right = camera->GetRight().Normalize();
	Move(Tuple3f().CrossProduct(kUp, right).Normalize(), reader.Read<float>(), kForward, kBackward);
}

void CharacterController::OnStrafe(Message::Reader reader)
{
	const Camera* camera = owner->GetComponent<Camera>();
	if (camera != nullptr)
		Move(camera->GetRight().Normalize(), reader.Read<float>(), kSideways, kSideways);
}

void CharacterController::OnJump(Message::Reader)
{
	RigidBody* body = GetRigidBody();
	if (body != nullptr && !airborne && groundMeasure > kJumpGround)
		body->velocity.y += jumpSpeed;
}

void CharacterController::OnCrouch(Message::Reader)
{
	crouchState = kLowering;
}

void CharacterController::OnUncrouch(Message::Reader)
{
	crouchState = kRising;
}

void CharacterController::OnCollision(Message::Reader reader)
{
	const unsigned objectId = reader.Read<unsigned>();
	reader.Read<Tuple3f>();
	reader.Read<Tuple3f>();
	reader.Read<float>();
	// A report without its body names no pair to measure.
	if (RigidBody* other = reader.Read<RigidBody*>())
		contacts.insert({other, objectId});
}

void CharacterController::OnCollisionEnd(Message::Reader reader)
{
	unsigned objectId = 0;
	RigidBody* other = nullptr;
	reader.Read(objectId);
	reader.Read(other);
	contacts.erase(other);
}
