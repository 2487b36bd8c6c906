// ChargeObject: a behaviour leaf with which a character charges at a named object. It starts only
// when the target is within reach and sees the charger, stops the character's walk, turns it
// toward the target for a second, then for 4.5 seconds pushes its body toward the target at a
// fixed rate while kicking up "Dust", and succeeds.
#pragma once

#include "Systems/Logic/BehaviorNode.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>

class ChargeObject : public BehaviorNode
{
public:
	static constexpr std::uint32_t kTurnTime = 1000;
	static constexpr std::uint32_t kChargeTime = 4500;

	ChargeObject();

	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override;

private:
	enum Phase
	{
		Stopping,
		Turning,
		Setting,
		Charging
	};

	// The target's position and the owner's; false (with the node failed) when the target or a
	// Transform has gone.
	bool Positions(Tuple3f& own, Tuple3f& target);
	void Turn();
	void Charge();

	std::string targetObjName;
	// An acceleration change per unit of inverse mass.
	float impulse = 0.0f;
	// Milliseconds between pushes.
	std::uint32_t impulseRate = 0;
	float maxChargeDist = 0.0f;
	unsigned targetId = 0;
	std::uint32_t turnStart = 0;
	std::uint32_t chargeStart = 0;
	std::uint32_t lastImpulse = 0;
	Phase phase = Stopping;
};
