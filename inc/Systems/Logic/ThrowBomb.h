// ThrowBomb: a behaviour leaf with which a character throws a projectile at a named object. When
// the target is within reach and the line from it to the throwing point is clear, the character
// stops, faces the target and sends itself "StartGust" with a ballistic aim (its Blow launches the
// projectile); it keeps facing the target until the cooldown has passed and succeeds.
#pragma once

#include "Systems/Logic/BehaviorNode.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>

class ThrowBomb : public BehaviorNode
{
public:
	ThrowBomb();

	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

private:
	// The launch point: the offset turned by the body's orientation, from the owner's position.
	Tuple3f LaunchPoint(const Tuple3f& position) const;

	std::string targetObjName;
	// In the body's frame.
	Tuple3f shootOffset;
	float shootSpeed = 0.0f;
	float maxShootDist = 0.0f;
	// Milliseconds from the range test until the node succeeds.
	std::uint32_t cooldown = 0;
	unsigned targetId = 0;
	std::uint32_t lastThrow = 0;
};
