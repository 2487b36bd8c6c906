#include "Components/Logic/Suck.h"

#include "Components/Logic/CameraAim.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/PowerUp.h"
#include "Components/Physics/ObjectBodies.h"
#include "Components/Physics/PhysicsId.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"
#include "Utilities/v8/JSObject.h"

#include <algorithm>
#include <cmath>

namespace
{
	[[maybe_unused]] const bool suckScriptClassRegistered = [] {
		JSObject<Suck>::Bind("Suck", 0).AddMember("active", &Suck::active).AddMember("grabDist", &Suck::grabDist);
		return true;
	}();

	// Within this of the view axis a body has no direction across it: it gets no sideways pull.
	constexpr double kOnAxis = 1e-6;
	// Added to the aimed body's velocity every frame, whatever its mass and the frame time.
	constexpr float kAimedNudge = 0.07f;
	// The aimed pull never falls below a fifth of maxForce inside the reach.
	constexpr float kAimedFalloffCap = 0.8f;

	// The distance to save for a squared one: the one read when it still squares to it.
	float DistanceToSave(float squared, float read)
	{
		return read * read == squared ? read : std::sqrt(std::max(squared, 0.0f));
	}
}

Suck::Suck()
{
	StoreScalerData();
}

Suck::Suck(const Suck& other)
	: QuietComponent(other),
	  active(other.active),
	  enabled(other.enabled),
	  grabDist(other.grabDist),
	  maxForce(other.maxForce),
	  perpForce(other.perpForce),
	  parForce(other.parForce),
	  maxGrabDist(other.maxGrabDist),
	  grabDistRead(other.grabDistRead),
	  maxGrabDistRead(other.maxGrabDistRead),
	  maxVolume(other.maxVolume),
	  aoeScale(other.aoeScale),
	  scalerDescription(other.scalerDescription)
{
	StoreScalerData();
}

Suck::~Suck() = default;

bool Suck::Load(Serializer& serializer)
{
	serializer.Read(grabDist).Read(maxGrabDist).Read(maxForce).Read(perpForce).Read(parForce).Read(aoeScale).Read(maxVolume);
	active = false;
	enabled = true;
	grabDistRead = grabDist;
	maxGrabDistRead = maxGrabDist;
	grabDist *= grabDist;
	maxGrabDist *= maxGrabDist;
	if (serializer.HasMore())
	{
		serializer.EnterNode("", "");
		scalerDescription.Load(serializer);
		serializer.LeaveNode();
	}
	StoreScalerData();
	return true;
}

bool Suck::Serialize(Serializer& serializer)
{
	serializer.Write("grabDist", DistanceToSave(grabDist, grabDistRead))
		.Write("maxGrabDist", DistanceToSave(maxGrabDist, maxGrabDistRead))
		.Write("maxForce", maxForce)
		.Write("perpForce", perpForce)
		.Write("parForce", parForce)
		.Write("aoeScale", aoeScale)
		.Write("maxVolume", maxVolume);
	serializer.EnterNode("", "Scaler");
	scalerDescription.Serialize(serializer);
	serializer.LeaveNode();
	return true;
}

void Suck::StoreScalerData()
{
	scalerData = std::make_unique<Serializer>();
	scalerDescription.Serialize(*scalerData);
	scalerData->SwitchToReading();
}

bool Suck::Start()
{
	owner->HandleMessage(Message("SetForceField").PushBool(false));
	owner->RegisterHandler("SetSucking", &Suck::OnSetSucking);
	owner->RegisterHandler("EnableSuck", &Suck::OnEnableSuck);
	return true;
}

void Suck::OnSetSucking(Message::Reader reader)
{
	bool on = active;
	reader.Read(on);
	active = on && enabled;
}

void Suck::OnEnableSuck(Message::Reader reader)
{
	reader.Read(enabled);
	if (!enabled)
		active = false;
}

bool Suck::Update()
{
	const Transform* transform = owner->GetComponent<Transform>();
	if (!active || !enabled || transform == nullptr)
		return true;
	const Tuple3f ownPosition = transform->GetWorldPosition();
	owner->HandleMessage(Message("Suck"));
	const std::optional<CameraAim> aim = CameraAim::Active();
	if (!aim)
		return true;
	PullArea(*aim);
	PullAimed(*aim, ownPosition);
	return true;
}

void Suck::PullArea(const CameraAim& aim)
{
	Physics* physics = Physics::Instance();
	// A cone without width or length has no inside, and its falloffs would divide by zero.
	if (physics == nullptr || !(aoeScale.x > 0.0f && aoeScale.y > 0.0f && aoeScale.z > 0.0f))
		return;
	const RigidBody* ownBody = MainBodyOf(owner->GetId());
	const Tuple3f ownVelocity = ownBody != nullptr ? ownBody->velocity : Tuple3f();
	const Tuple3f& v = aim.direction;
	const Tuple3f centre = aim.eye + ownVelocity * PhysicsTimeStep() + v * (aoeScale.y * 0.5f);
	const Tuple3f rotation = QuaternionToRotationVector(QuaternionFromTo(Tuple3f(0.0f, -1.0f, 0.0f), v));
	found.clear();
	physics->GetDetection().QueryPrimitive(kGeometryCone, centre, rotation, aoeScale, &found);
	for (RigidBody* body : found)
	{
		if (body == ownBody || body->HasFlag(kBodyLogic))
			continue;
		const Tuple3f offset = body->GetPosition() - aim.eye;
		const float along = offset.DotProduct(v);
		const Tuple3f across = offset - v * along;
		const double acrossLength = across.Length();
		const float alongFalloff = std::clamp(1.0f - along / aoeScale.y, 0.0f, 1.0f);
		const float acrossFalloff = std::clamp(1.0f - 2.0f * static_cast<float>(acrossLength) / aoeScale.x, 0.0f, 1.0f);
		Tuple3f force = v * (-parForce * alongFalloff);
		if (acrossLength > kOnAxis)
			force += across * static_cast<float>(-perpForce * alongFalloff * acrossFalloff / acrossLength);
		body->acceleration += force * body->inverseMass;
	}
}

void Suck::PullAimed(const CameraAim& aim, const Tuple3f& ownPosition)
{
	RigidBody* body = nullptr;
	Tuple3f hitPoint;
	if (!aim.Cast(body, hitPoint))
		return;
	const Object target = body->GetOwner();
	if (target.IsDummy())
		return;
	target.object->HandleMessage(Message("Sucked"));
	if (body->HasFlag(kBodyController) || body->inverseMass == 0.0f || body->HasFlag(kBodyLogic))
		return;
	const float distanceSquared = hitPoint.DistanceSquared(ownPosition);
	// No reach: nothing is pulled (the quotient below would divide by it).
	if (!(maxGrabDist > 0.0f) || distanceSquared > maxGrabDist)
		return;
	const float falloff = std::min(distanceSquared / maxGrabDist, kAimedFalloffCap);
	body->ApplyForce(aim.direction * (-(1.0f - falloff) * maxForce), hitPoint);
	body->velocity -= aim.direction * kAimedNudge;
	if (!(distanceSquared < grabDist) || target.object->GetComponent<PhysicsId>() != nullptr ||
		target.object->GetComponent<PowerUp>() != nullptr || !CanHandOver(*body))
		return;
	scalerData->Rewind();
	owner->HandleMessage(Message("SuckedInItem"));
	owner->HandleMessage(Message("ParticleActivate").PushString("Suck").PushBool(false));
	owner->HandleMessage(Message("AddObject").PushU32(target.id).PushU32(Scaler::TypeId()).Push(scalerData.get()));
}

bool Suck::CanHandOver(const RigidBody& body) const
{
	return body.collider != nullptr && body.collider->GetVolume() <= maxVolume;
}
