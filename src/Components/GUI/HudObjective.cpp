#include "Components/GUI/HudObjective.h"

#include "Components/Logic/Objectives.h"
#include "Composition.h"
#include "Object.h"
#include "Utilities/v8/JSObject.h"
#include "Utilities/v8/ScriptLiteral.h"

#include <sstream>

namespace
{
	[[maybe_unused]] const bool hudObjectiveScriptClassRegistered = [] {
		JSObject<HudObjective>::Bind("HudObjective", 0);
		return true;
	}();

	void CallPage(Composition& display, const std::string& statement)
	{
		display.HandleMessage(Message("CallJSFunction").PushString(statement));
	}
}

bool HudObjective::Start()
{
	objectiveRow = 0;
	owner->RegisterHandler("InitHudObjective", &HudObjective::OnInitHudObjective);
	owner->RegisterHandler("AddHudObjective", &HudObjective::OnAddHudObjective);
	// Without a player nothing is registered: on the shared "Dummy" object the handlers would
	// outlive this display.
	if (const Object player = ObjectFromName("Player"); !player.IsDummy())
	{
		player.object->RegisterHandler("ObjectiveComplete", &HudObjective::OnObjectiveComplete, owner->GetId());
		player.object->RegisterHandler("ObjectiveProgress", &HudObjective::OnObjectiveProgress, owner->GetId());
	}
	return true;
}

Objectives* HudObjective::PlayerObjectives()
{
	const Object player = ObjectFromName("Player");
	return player.IsDummy() ? nullptr : player.object->GetComponent<Objectives>();
}

void HudObjective::AddRow(const std::string& messageName, unsigned count, unsigned hitsRequired, const std::string& description)
{
	std::ostringstream statement;
	statement << "InitObjective(" << ScriptStringLiteral(messageName) << ", " << count << ", " << hitsRequired << ", "
			  << ScriptStringLiteral(description) << ", " << objectiveRow << "); void(0);";
	CallPage(*owner, statement.str());
	++objectiveRow;
}

void HudObjective::OnInitHudObjective(Message::Reader)
{
	const Objectives* objectives = PlayerObjectives();
	if (objectives == nullptr)
		return;
	for (const auto& [messageName, goal] : objectives->GetGoals().Entries())
		if (!goal.hidden)
			AddRow(messageName, goal.count, goal.hitsRequired, goal.description);
}

void HudObjective::OnAddHudObjective(Message::Reader reader)
{
	const std::string messageName = reader.Read<std::string>();
	const Objectives* objectives = PlayerObjectives();
	if (objectives == nullptr)
		return;
	for (const auto& [name, goal] : objectives->GetGoals().Entries())
		if (name == messageName)
		{
			AddRow(name, goal.count, goal.hitsRequired, goal.description);
			return;
		}
}

void HudObjective::OnObjectiveComplete(Message::Reader)
{
	CallPage(*owner, "ClearObjectives(); void(0);");
	objectiveRow = 0;
	owner->HandleMessage(Message("InitHudObjective"));
}

void HudObjective::OnObjectiveProgress(Message::Reader reader)
{
	const std::string messageName = reader.Read<std::string>();
	const unsigned count = reader.Read<unsigned>();
	const unsigned hitsRequired = reader.Read<unsigned>();
	std::ostringstream statement;
	statement << "UpdateObjective(" << ScriptStringLiteral(messageName) << ", " << count << ", " << hitsRequired << "); void(0);";
	CallPage(*owner, statement.str());
}
