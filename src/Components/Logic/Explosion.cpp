#include "Components/Logic/Explosion.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/Body.h"
#include "Components/Physics/ObjectBodies.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>
#include <limits>

namespace
{
	constexpr float kSmallestScale = 0.01f;
	// Closer to the centre than this (squared), a body is pushed straight up.
	constexpr float kCentreDistanceSquared = 0.0001f;

	// Named once: a blast rescales every piece twice in a frame and damages each neighbour.
	const MessageName kSetScale("SetScale");
	const MessageName kDamage("Damage");

	Message SetScaleMessage(const Tuple3f& scale)
	{
		Message message(kSetScale);
		message.Push(scale);
		return message;
	}
}

bool Explosion::Load(Serializer& serializer)
{
	owner->RegisterHandler("Explode", &Explosion::OnExplode);
	owner->RegisterHandler("Collision", &Explosion::OnCollision);
	owner->RegisterHandler("CollisionEnd", &Explosion::OnCollisionEnd);
	serializer.Read(iScale).Read(fScale).Read(time).Read(force).Read(damage).Read(uses);
	for (float* component : {&iScale.x, &iScale.y, &iScale.z})
		if (*component < kSmallestScale)
			*component = kSmallestScale;
	scaleDelta = fScale - iScale;
	Reset();
	return true;
}

bool Explosion::Serialize(Serializer& serializer)
{
	serializer.Write("iScale", iScale).Write("fScale", fScale).Write("time", time).Write("force", force);
	serializer.Write("damage", damage).Write("uses", uses);
	return true;
}

void Explosion::Reset()
{
	elapsed = 0.0f;
	exploding = false;
	touching.clear();
	owner->HandleMessage(SetScaleMessage(iScale));
}

Tuple3f Explosion::Centre()
{
	// Found again after a component came or went: the Transform may have been replaced.
	const Transform* transform = ownTransform.Get(*owner);
	return transform != nullptr ? transform->GetWorldPosition() : Tuple3f();
}

Message Explosion::Hit()
{
	Message hit(kDamage);
	hit.PushInt(damage).Push(Centre());
	return hit;
}

void Explosion::Strike(unsigned objectId, const Message& hit)
{
	// Built once: it carries no arguments, and its name keeps the id it was first looked up with.
	static const Message explode("Explode");
	// Objects are deleted only between frames (a level load waits for the frame's end too), so the
	// object found serves both deliveries; a missing one is the "Dummy" object, which ignores them.
	Composition* target = ObjectFromId(objectId).object;
	target->HandleMessage(hit);
	target->HandleMessage(explode);
}

void Explosion::OnExplode(Message::Reader)
{
	// Touching explosions pass "Explode" back and forth; ignoring the echo ends the chain.
	if (passingOn || uses == 0)
		return;
	if (uses != std::numeric_limits<int>::min())
		--uses;
	exploding = true;
	passingOn = true;
	const Message hit = Hit();
	// By index: a handler further down may change the contacts.
	for (std::size_t index = touching.size(); index-- > 0;)
		if (index < touching.size())
			Strike(touching[index].objectId, hit);
	passingOn = false;
}

void Explosion::OnCollision(Message::Reader reader)
{
	const ContactReport contact = ContactReport::Read(reader);
	if (exploding)
		Strike(contact.otherId, Hit());
	if (contact.otherBody == nullptr || contact.otherBody->HasFlag(kBodyGhost))
		return;
	const auto held = std::find_if(touching.begin(), touching.end(), [&](const Contact& entry) { return entry.body == contact.otherBody; });
	if (held == touching.end())
		touching.push_back(Contact{contact.otherBody, contact.otherId, {}});
}

void Explosion::OnCollisionEnd(Message::Reader reader)
{
	reader.Read<unsigned>();
	const RigidBody* body = reader.Read<RigidBody*>();
	std::erase_if(touching, [body](const Contact& entry) { return entry.body == body; });
}

bool Explosion::IsStillOwned(Contact& contact)
{
	// The main body, through the Body last found; anything else can only be a ragdoll part.
	const Body* mainBody = contact.ownerBody.Get(contact.objectId);
	return (mainBody != nullptr && mainBody->GetBody() == contact.body) || IsSimulatedPartOfObject(contact.objectId, contact.body);
}

bool Explosion::Update()
{
	if (!exploding || !PhysicsSteps())
		return true;
	elapsed += PhysicsTimeStep();
	// A blast time of 0 or less lasts one step.
	const float progress = time > 0.0f ? elapsed / time : 1.0f;
	const Tuple3f scale = iScale + scaleDelta * progress;
	if (IsFinite(scale))
		owner->HandleMessage(SetScaleMessage(scale));
	const Tuple3f centre = Centre();
	for (std::size_t index = touching.size(); index-- > 0;)
	{
		// A body its object no longer owns is forgotten.
		if (!IsStillOwned(touching[index]))
		{
			touching.erase(touching.begin() + static_cast<std::ptrdiff_t>(index));
			continue;
		}
		RigidBody* body = touching[index].body;
		const Tuple3f offset = body->GetPosition() - centre;
		const Tuple3f direction = offset.LengthSquared() < kCentreDistanceSquared ? Tuple3f(0.0f, 1.0f, 0.0f) : offset.Normalize();
		const Tuple3f bodyScale = body->transform != nullptr ? body->transform->GetScale() : Tuple3f(1.0f, 1.0f, 1.0f);
		const float averageScale = (bodyScale.x + bodyScale.y + bodyScale.z) / 3.0f;
		const Tuple3f push = direction * (force * averageScale * averageScale * body->inverseMass);
		if (IsFinite(push))
			body->acceleration += push;
	}
	if (!(elapsed <= time))
		Reset();
	return true;
}
