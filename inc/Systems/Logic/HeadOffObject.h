// HeadOffObject: a behaviour leaf with which a character runs, along a path, not to where a named
// target is but to where it will be: the target's position pushed ahead along its velocity. It
// succeeds when the walk is over or after four seconds, so that the tree can aim again.
#pragma once

#include "Systems/Logic/BehaviorNode.h"

#include <cstdint>
#include <string>

class HeadOffObject : public BehaviorNode
{
public:
	static constexpr std::uint32_t kLongestRun = 4000;

	HeadOffObject();

	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

private:
	std::string targetObjName;
	// Seconds of the target's velocity added to its position.
	float leadOff = 0.0f;
	float speed = 0.0f;
	// The run is not tried at this distance or farther.
	float maxChargeDist = 0.0f;
	unsigned targetId = 0;
	std::uint32_t startTime = 0;
};
