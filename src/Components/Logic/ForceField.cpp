#include "Components/Logic/ForceField.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/ObjectBodies.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"

#include <algorithm>
#include <string>

namespace
{
	// Share of the field's turning push that reaches a body.
	constexpr float kTurnFactor = 0.15f;
}

ForceField::ForceField(const ForceField& other)
	: QuietComponent(other), tailForce(other.tailForce), headForce(other.headForce), direction(other.direction)
{
}

bool ForceField::Load(Serializer& serializer)
{
	serializer.Read(tailForce).Read(headForce).Read(direction);
	return true;
}

bool ForceField::Serialize(Serializer& serializer)
{
	serializer.Write("tailForce", tailForce).Write("headForce", headForce).Write("direction", direction);
	return true;
}

bool ForceField::Start()
{
	owner->RegisterHandler("SetDirection", &ForceField::OnSetDirection);
	owner->RegisterHandler("SetForce", &ForceField::OnSetForce);
	owner->RegisterHandler("Collision", &ForceField::OnCollision);
	owner->RegisterHandler("CollisionOff", &ForceField::OnCollisionOff);
	owner->RegisterHandler("CollisionEnd", &ForceField::OnCollisionEnd);
	return true;
}

ForceField::Touched* ForceField::Find(unsigned objectId)
{
	const auto found = std::find_if(touched.begin(), touched.end(), [objectId](const Touched& entry) { return entry.objectId == objectId; });
	return found != touched.end() ? &*found : nullptr;
}

void ForceField::OnSetDirection(Message::Reader reader)
{
	const Tuple3f requested = reader.Read<Tuple3f>();
	// A zero vector has no direction; normalising it would write huge values into bodies.
	if (!IsFinite(requested) || TupleMath::IsZeroLength<float>(requested.Length()))
	{
		tw::Diagnostics::Report("ForceField of object '" + owner->GetName() + "' (" + std::to_string(owner->GetId()) +
			"): \"SetDirection\" without a usable direction is ignored; the field keeps its direction");
		return;
	}
	direction = requested.Normalize();
}

void ForceField::OnSetForce(Message::Reader reader)
{
	float head = 0.0f;
	if (!reader.Read(head))
		return;
	float tail = head;
	if (reader.HasMore())
		reader.Read(tail);
	headForce = head;
	tailForce = tail;
}

void ForceField::OnCollision(Message::Reader reader)
{
	const ContactReport contact = ContactReport::Read(reader);
	Touched* entry = Find(contact.otherId);
	if (entry == nullptr)
	{
		touched.push_back({contact.otherId, {}});
		SendToObject(contact.otherId, Message("Blown"));
		entry = Find(contact.otherId);
	}
	// A body is listed once, however many contacts it begins; Drop lets it go when its contact
	// ends.
	if (entry != nullptr && contact.otherBody != nullptr &&
		std::find(entry->bodies.begin(), entry->bodies.end(), contact.otherBody) == entry->bodies.end())
		entry->bodies.push_back(contact.otherBody);
}

void ForceField::OnCollisionOff(Message::Reader reader)
{
	const ContactReport contact = ContactReport::Read(reader);
	Drop(contact.otherId, contact.otherBody);
}

void ForceField::OnCollisionEnd(Message::Reader reader)
{
	unsigned otherId = 0;
	RigidBody* otherBody = nullptr;
	if (reader.Read(otherId) && reader.Read(otherBody))
		Drop(otherId, otherBody);
}

void ForceField::Drop(unsigned objectId, const RigidBody* body)
{
	Touched* entry = Find(objectId);
	if (entry == nullptr)
		return;
	const auto found = std::find(entry->bodies.begin(), entry->bodies.end(), body);
	if (found == entry->bodies.end())
		return;
	*found = entry->bodies.back();
	entry->bodies.pop_back();
}

bool ForceField::Update()
{
	const Transform* transform = owner->GetComponent<Transform>();
	if (transform == nullptr)
		return true;
	const Tuple3f centre = transform->GetWorldPosition();
	const auto scaleLength = static_cast<float>(transform->GetScale().Length());
	// Objects that have gone are forgotten, so the list holds no more than what lives.
	std::erase_if(touched, [](const Touched& entry) { return ObjectFromId(entry.objectId).IsDummy(); });
	for (std::size_t index = touched.size(); index-- > 0;)
	{
		Touched& entry = touched[index];
		// The pool reuses body records: a body its object no longer owns is dropped.
		std::erase_if(entry.bodies, [&entry](const RigidBody* body) { return !IsBodyOfObject(entry.objectId, body); });
		for (RigidBody* body : entry.bodies)
			if ((body->flags & (kBodyLogic | kBodyController)) == 0 && body->inverseMass != 0.0f)
				Push(*body, centre, scaleLength);
	}
	return true;
}

void ForceField::Push(RigidBody& body, const Tuple3f& centre, float scaleLength) const
{
	const Tuple3f position = body.GetPosition();
	// A field without size pushes everything with its tail force.
	const float ahead = scaleLength > 0.0f ? (direction * scaleLength).DotProduct(position - centre) / scaleLength : 0.0f;
	const float t = std::clamp(ahead, 0.0f, 1.0f);
	const float radius = body.collider != nullptr ? body.collider->GetRadius() : 0.0f;
	const float strength = (headForce - tailForce) * t * t + tailForce;
	const Tuple3f force = direction * (strength * radius * radius);
	const Tuple3f acceleration = force * body.inverseMass;
	const Tuple3f torque = Cross(centre - position, force);
	const Tuple3f turn = (body.worldInverseInertia * torque) * kTurnFactor;
	if (!IsFinite(acceleration) || !IsFinite(turn))
		return;
	body.acceleration = acceleration;
	body.angularAcceleration = turn;
}
