#include "Components/Logic/TeamDamage.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"

bool TeamDamage::Load(Serializer& serializer)
{
	serializer.Read(teamName);
	serializer.Read(damage);
	return true;
}

bool TeamDamage::Serialize(Serializer& serializer)
{
	serializer.Write("teamName", teamName);
	serializer.Write("damage", damage);
	return true;
}

bool TeamDamage::Start()
{
	if (damage >= 1)
		owner->RegisterHandler("Collision", &TeamDamage::OnCollision);
	return true;
}

void TeamDamage::OnCollision(Message::Reader reader)
{
	const unsigned otherId = ContactReport::Read(reader).otherId;
	const auto* other = static_cast<const TeamDamage*>(FindComponent(otherId, TypeId()));
	if (other == nullptr || other->teamName == teamName)
		return;
	Message hit("Damage");
	hit.PushInt(damage);
	// Without a Transform the damage comes without a direction.
	if (const Transform* transform = owner->GetComponent<Transform>())
		hit.Push(transform->GetWorldPosition());
	SendToObject(otherId, hit);
}
