#include "Components/GUI/HudObjective.h"

#include "Components/Logic/Objectives.h"
#include "Composition.h"
#include "Object.h"
#include "Utilities/v8/JSObject.h"

#include <cstdio>
#include <sstream>

namespace
{
	[[maybe_unused]] const bool hudObjectiveScriptClassRegistered = [] {
		JSObject<HudObjective>::Bind("HudObjective", 0);
		return true;
	}();

	// The text as a double-quoted script string literal. Level data goes into page statements: a
	// quote or line break must not end the string, nor may the rest run as script.
	std::string StringLiteral(const std::string& text)
	{
		std::string literal = "\"";
		for (std::size_t i = 0; i < text.size(); ++i)
		{
			const unsigned char c = static_cast<unsigned char>(text[i]);
			if (c == '"' || c == '\\')
				literal += {'\\', static_cast<char>(c)};
			else if (c < 0x20 || c == 0x7F)
			{
				char escaped[8];
				std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
				literal += escaped;
			}
			// U+2028 and U+2029 end a line inside older script string literals.
			else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
					 (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9))
			{
				literal += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
				i += 2;
			}
			else
				literal += static_cast<char>(c);
		}
		return literal + "\"";
	}

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
	statement << "InitObjective(" << StringLiteral(messageName) << ", " << count << ", " << hitsRequired << ", "
			  << StringLiteral(description) << ", " << objectiveRow << "); void(0);";
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
	statement << "UpdateObjective(" << StringLiteral(messageName) << ", " << count << ", " << hitsRequired << "); void(0);";
	CallPage(*owner, statement.str());
}
