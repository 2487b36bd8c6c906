#include "Systems/Logic/CooldownPriorityNode.h"

#include "Systems/Logic/Logic.h"

namespace
{
	// Unsigned, so a clock that wrapped around still gives the time between.
	double SecondsSince(std::uint32_t stamp, std::uint32_t now)
	{
		return static_cast<std::uint32_t>(now - stamp) / 1000.0;
	}
}

CooldownPriorityNode::CooldownPriorityNode() : lastFinish(Logic::GameMilliseconds())
{
}

void CooldownPriorityNode::Deserialize(Serializer& serializer)
{
	serializer.Read(bufferTime);
	cooldowns.clear();
	BehaviorNode::Deserialize(serializer);
}

void CooldownPriorityNode::ReadChildSettings(Serializer& serializer)
{
	CooldownEntry& entry = cooldowns.emplace_back();
	serializer.Read(entry.cooldown).Read(entry.initial).Read(entry.priority);
	entry.lastUsed = Logic::GameMilliseconds();
}

void CooldownPriorityNode::Serialize(Serializer& serializer) const
{
	serializer.Write("Buffer Time", bufferTime);
	BehaviorNode::Serialize(serializer);
}

void CooldownPriorityNode::WriteChildSettings(Serializer& serializer, std::size_t index) const
{
	const CooldownEntry& entry = cooldowns[index];
	serializer.Write("Cooldown", entry.cooldown).Write("Initial", entry.initial).Write("Priority", entry.priority);
}

bool CooldownPriorityNode::IsReady(CooldownEntry& entry, std::uint32_t now)
{
	double rested = SecondsSince(entry.lastUsed, now);
	if (!entry.initialApplied)
	{
		rested += entry.initial;
		entry.initialApplied = true;
	}
	return rested >= entry.cooldown;
}

std::size_t CooldownPriorityNode::PickCooldownChild()
{
	const std::uint32_t now = Logic::GameMilliseconds();
	std::size_t best = 0;
	while (best < cooldowns.size() && !IsReady(cooldowns[best], now))
		++best;
	// Ties keep the earlier child; children before the first ready one are not ready at all.
	for (std::size_t later = best + 1; later < cooldowns.size(); ++later)
		if (IsReady(cooldowns[later], now) && cooldowns[later].priority > cooldowns[best].priority)
			best = later;
	return best;
}

void CooldownPriorityNode::Start()
{
	if (children.empty() || SecondsSince(lastFinish, Logic::GameMilliseconds()) < bufferTime)
	{
		status = Success;
		return;
	}
	current = PickCooldownChild();
	if (current == children.size())
		status = Success;
	else
		StartChild(*children[current].node);
}

void CooldownPriorityNode::EndChildRun()
{
	lastFinish = cooldowns[current].lastUsed = Logic::GameMilliseconds();
	children[current].node->Finish();
	status = Success;
}

void CooldownPriorityNode::Update()
{
	BehaviorNode& child = *children[current].node;
	if (child.status == Running)
	{
		child.Update();
		return;
	}
	const bool failed = child.status == Failure || child.status == Ready;
	EndChildRun();
	// A failed child's run ends with an evaluation that uses up pending head starts.
	if (failed)
		current = PickCooldownChild();
}
