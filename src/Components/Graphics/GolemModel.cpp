#include "Components/Graphics/GolemModel.h"

#include "Composition.h"

bool GolemModel::Load(Serializer& serializer)
{
	owner->RegisterHandler<GolemModel>("SetAnimation", &GolemModel::OnSetAnimation);
	owner->RegisterHandler<GolemModel>("ChangeAnimation", &GolemModel::OnChangeAnimation);
	// A drawn Model beside it takes these under the Model type: without its own binding a ragdolled
	// golem's invisible model would go on writing its animation into the bones the drawn one shows.
	owner->RegisterHandler<GolemModel>("Ragdoll", &GolemModel::OnRagdoll);
	owner->RegisterHandler<GolemModel>("SetAnimationSpeed", &GolemModel::OnSetAnimationSpeed);
	return Model::Load(serializer);
}

bool GolemModel::Update()
{
	return false;
}
