// GolemModel: a Model that animates, poses its bones and feeds its owner's BoneTransform every
// frame but is never drawn itself; the golem's visible body is drawn by other components that
// follow those bones.
#pragma once

#include "Components/Graphics/Model.h"

struct __GolemModelName
{
	static constexpr const char* name = "GolemModel";
};

class GolemModel : public ComponentBase<GolemModel, __GolemModelName, Model>
{
public:
	// Binds "SetAnimation", "ChangeAnimation", "Ragdoll" and "SetAnimationSpeed" under its own type
	// as well, so that they reach it, then loads as a Model.
	bool Load(Serializer& serializer) override;
	// Draws nothing.
	bool Update() override;
};
