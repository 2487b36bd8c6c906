// Behaviour leaves that move a character or wait for it to get up: Idle stands still for a random
// time, Wander walks to a random point nearby through the character's PathMovement, and Tumble
// waits until a ragdolled character has come to rest and then stands it up; BossTumble stands the
// fallen golem up after a fixed time. They act by messages to their own object and by reading its
// components.
#pragma once

#include "Systems/Logic/BehaviorNode.h"
#include "Systems/Logic/LeafClock.h"

#include <cstdint>

class Idle : public BehaviorNode
{
public:
	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

private:
	// Milliseconds; the longest is exclusive.
	std::uint32_t minIdleTime = 0;
	std::uint32_t maxIdleTime = 0;
	std::uint32_t duration = 0;
	LeafClock idling;
};

class Wander : public BehaviorNode
{
public:
	// A walk not finished by then ends anyway, so that the tree can choose again.
	static constexpr std::uint32_t kLongestWalk = 7000;

	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

private:
	float minWanderDist = 0.0f;
	float maxWanderDist = 0.0f;
	float minSpeed = 0.0f;
	float maxSpeed = 0.0f;
	LeafClock walking;
};

class Tumble : public BehaviorNode
{
public:
	// Below a tenth of its health a character stays down no longer.
	static constexpr float kBadlyHurt = 0.1f;

	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

private:
	// Squared.
	float minStandSpeed = 0.0f;
	// Milliseconds.
	std::uint32_t waitUntilStand = 0;
	// Since the body was last moving.
	LeafClock resting;
};

class BossTumble : public BehaviorNode
{
public:
	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

private:
	// Milliseconds.
	std::uint32_t waitUntilStand = 0;
	LeafClock lying;
};
