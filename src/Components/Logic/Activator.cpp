#include "Components/Logic/Activator.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/RayCaster.h"
#include "Composition.h"
#include "Serializer.h"

bool Activator::Load(Serializer& serializer)
{
	owner->RegisterHandler("ActivateTarget", &Activator::OnActivateTarget);
	serializer.Read(reach);
	return true;
}

bool Activator::Serialize(Serializer& serializer)
{
	serializer.Write("reach", reach);
	return true;
}

void Activator::OnActivateTarget(Message::Reader)
{
	RayCaster* rayCaster = owner->GetComponent<RayCaster>();
	if (rayCaster == nullptr)
		return;
	rayCaster->Cast();
	if (rayCaster->hit && rayCaster->offset.LengthSquared() < reach * reach)
		SendToObject(rayCaster->hitObject, Message("ActivateObject"));
}
