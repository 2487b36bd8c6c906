#include "Components/Logic/CollisionDamage.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/ObjectBodies.h"
#include "Composition.h"
#include "Object.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>
#include <cmath>

void CollisionDamage::OnCollision(Message::Reader reader)
{
	const ContactReport contact = ContactReport::Read(reader);
	if (!contact.complete || ObjectFromId(contact.otherId).IsDummy() || contact.otherBody == nullptr)
		return;
	// The other object's main body counts, also when a ragdoll part of it made the contact.
	const RigidBody* body = MainBodyOf(contact.otherBody->ownerId);
	if (body == nullptr || body->HasFlag(kBodyGhost))
		return;
	const Tuple3f momentum = body->velocity * body->mass;
	const float speed = static_cast<float>(std::sqrt(static_cast<double>(momentum.x) * momentum.x +
		static_cast<double>(momentum.y) * momentum.y + static_cast<double>(momentum.z) * momentum.z));
	if (!(speed >= range.minVelocity))
		return;
	const double fraction = std::clamp(range.Fraction(speed), 0.0, 1.0);
	owner->HandleMessage(Message("Damage").PushInt(range.Damage(fraction)).Push(contact.point));
}
