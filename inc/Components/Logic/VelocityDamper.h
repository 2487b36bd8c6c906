// VelocityDamper: slows its own body by the factor damp every frame physics steps (per frame, not
// per second) and caps its speed along each world axis at maxSpeed.
#pragma once

#include "Components/QuietComponent.h"
#include "Utilities/Tuple.h"

struct __VelocityDamperName
{
	static constexpr const char* name = "VelocityDamper";
};

class VelocityDamper : public QuietComponent<VelocityDamper, __VelocityDamperName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Update() override;

private:
	static constexpr float kNoLimit = 1e12f;

	float damp = 0.0f;
	Tuple3f maxSpeed{kNoLimit, kNoLimit, kNoLimit};
};
