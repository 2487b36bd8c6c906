// GolemFollowObject: the leaf with which the golem walks after a named object for a while. Each
// frame it steps the golem towards the target on the ground plane, stopping short of radius, and
// turns it about the vertical at a bounded rate, by "SetPos" and "SetRot" to its owner. It fails
// when stateTime has passed or the target is gone; it never succeeds.
#pragma once

#include "Systems/Logic/BehaviorNode.h"
#include "Systems/Logic/LeafClock.h"
#include "Utilities/Tuple.h"

#include <string>

class GolemFollowObject final : public BehaviorNode
{
public:
	// Closer than this on the ground plane the golem neither walks nor turns.
	static constexpr float kStopDistance = 0.5f;

	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

	std::string targetName;
	float velocity = 0.0f;
	// Radians per second; degrees per second in files.
	float angularVelocity = 0.0f;
	float radius = 0.0f;
	float stateTime = 0.0f;
	// The golem's forward direction in its model space.
	Tuple3f lookDirMS;

private:
	// As read, so that a save writes back what was loaded, not a value converted there and back.
	float angularVelocityDegrees = 0.0f;
	LeafClock following;
};
