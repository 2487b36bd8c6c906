#include "Components/Graphics/GolemModel.h"

#include "Composition.h"

bool GolemModel::Load(Serializer& serializer)
{
	owner->RegisterHandler<GolemModel>("SetAnimation", &GolemModel::OnSetAnimation);
	owner->RegisterHandler<GolemModel>("ChangeAnimation", &GolemModel::OnChangeAnimation);
	return Model::Load(serializer);
}

bool GolemModel::Update()
{
	return false;
}
