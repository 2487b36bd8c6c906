// CooldownPriorityNode: picks one child per run among those whose own cooldown has elapsed,
// preferring higher priority, and runs nothing until a buffer time has passed since the last
// chosen child ended. It always ends its runs with Success, whatever the child did.
#pragma once

#include "Systems/Logic/BehaviorNode.h"

#include <cstdint>
#include <vector>

class CooldownPriorityNode final : public BehaviorNode
{
public:
	// A child's settings and timers, in child order.
	struct CooldownEntry
	{
		// Seconds the child rests after it was last used.
		float cooldown = 0.0f;
		// Seconds of head start, added once to the child's first readiness check.
		float initial = 0.0f;
		// Higher wins.
		int priority = 0;
		// Game milliseconds; when the entry was read, then when the child last ended.
		std::uint32_t lastUsed = 0;
		bool initialApplied = false;
	};

	CooldownPriorityNode();

	// "Buffer Time", then per child "Behavior", "Cooldown", "Initial", "Priority" and its data.
	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

	// The index of the child to run, or the number of children when none is ready. Evaluating
	// an entry uses up its head start, whether or not it is chosen.
	std::size_t PickCooldownChild();

	const std::vector<CooldownEntry>& GetCooldowns() const { return cooldowns; }

private:
	void ReadChildSettings(Serializer& serializer) override;
	void WriteChildSettings(Serializer& serializer, std::size_t index) const override;
	bool IsReady(CooldownEntry& entry, std::uint32_t now);
	void EndChildRun();

	// Seconds from the end of one chosen child to the next choice.
	float bufferTime = 0.0f;
	std::size_t current = 0;
	std::vector<CooldownEntry> cooldowns;
	// Game milliseconds when the last chosen child ended; the node's construction at first.
	std::uint32_t lastFinish;
};
