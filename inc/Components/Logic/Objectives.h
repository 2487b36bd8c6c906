// Objectives: a level's goals, kept on the player object. Each goal counts how often its message
// arrives at the objects bearing a name; every hit and completed goal is reported to the own object
// (where the heads-up display listens), and once every goal that is not optional is met the
// stored achieved messages go out, each after its own delay. Goals keep the order read: the display
// lists them in that order and saving writes them back as read.
#pragma once

#include "Components/QuietComponent.h"
#include "Components/Logic/RelayMsg.h"
#include "Message.h"

#include <cstdint>
#include <string>
#include <vector>

struct __ObjectivesName
{
	static constexpr const char* name = "Objectives";
};

class Objectives : public QuietComponent<Objectives, __ObjectivesName>
{
public:
	struct Objective
	{
		std::string archetype;
		unsigned hitsRequired = 1;
		unsigned count = 0;
		std::string description;
		bool showCounter = true;
		bool optional = false;
		bool hidden = false;
		// Set while the goal's own reports are sent, so a report that comes back as the goal's
		// message cannot recurse.
		bool counting = false;
	};
	struct AchievedMessage
	{
		std::string recipient;
		RelayMsg message;
		std::uint32_t delay = 0;
		bool sent = false;
	};

	Objectives();

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;
	void Detach() override;

	const KeyedRecords<Objective>& GetGoals() const { return goals; }
	bool IsAllComplete() const { return allComplete; }
	// True while the goals are met and an achieved message waits for its delay.
	bool OwesMessages() const;
	// No later goal message counts (the player is out); achieved messages already owed still go.
	void StopCounting() { countingStopped = true; }
	// Goal messages count again (the player is back up); those heard while stopped stay uncounted.
	void ResumeCounting() { countingStopped = false; }

private:
	void OnLevelLoaded(Message::Reader reader);
	void OnGoal(Message::Reader reader);
	void CountHit(const std::string& name, Objective& goal);
	bool RequiredGoalsMet() const;

	KeyedRecords<Objective> goals;
	std::vector<AchievedMessage> achieved;
	bool allComplete = false;
	bool countingStopped = false;
	std::uint32_t completeTime;
};
