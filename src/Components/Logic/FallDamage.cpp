#include "Components/Logic/FallDamage.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/ObjectBodies.h"
#include "Components/Physics/Ragdoll.h"
#include "Composition.h"
#include "Object.h"
#include "Systems/Physics/RigidBody.h"

void FallDamage::OnCollision(Message::Reader reader)
{
	const Ragdoll* ragdoll = owner->GetComponent<Ragdoll>();
	if (ragdoll != nullptr && ragdoll->IsRagdolled())
		return;
	const ContactReport contact = ContactReport::Read(reader);
	if (!contact.complete || ObjectFromId(contact.otherId).IsDummy())
		return;
	const RigidBody* body = MainBodyOf(owner->GetId());
	if (body == nullptr)
		return;
	const float impact = -body->velocity.DotProduct(contact.normal);
	if (!(impact > range.minVelocity))
		return;
	owner->HandleMessage(Message("Damage").PushInt(range.Damage(range.Fraction(impact))).Push(contact.point));
}
