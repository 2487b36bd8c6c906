// HudObjective: the heads-up display's list of the level's objectives. It reads the player's
// Objectives, adds each shown goal to the page as a row, updates a row's progress, and rebuilds
// the list when a goal is completed.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

#include <string>

class Objectives;

struct __HudObjectiveName
{
	static constexpr const char* name = "HudObjective";
};

class HudObjective : public QuietComponent<HudObjective, __HudObjectiveName>
{
public:
	// Listens to "InitHudObjective" and "AddHudObjective" on its object, and to the player's
	// "ObjectiveComplete" and "ObjectiveProgress" when there is a "Player".
	bool Start() override;

	// The row the next objective added to the page takes.
	unsigned GetObjectiveRow() const { return objectiveRow; }

private:
	void OnInitHudObjective(Message::Reader reader);
	void OnAddHudObjective(Message::Reader reader);
	void OnObjectiveComplete(Message::Reader reader);
	void OnObjectiveProgress(Message::Reader reader);
	void AddRow(const std::string& messageName, unsigned count, unsigned hitsRequired, const std::string& description);
	static Objectives* PlayerObjectives();

	unsigned objectiveRow = 0;
};
