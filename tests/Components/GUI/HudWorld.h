// A heads-up display in a test world: a "Player" with objectives, and the display object
// "PlayerHudObj" (pane, plane, buffer, PlayerHud, HudObjective) showing a page that records every
// call the game makes.
#pragma once

#include "Components/GUI/HudObjective.h"
#include "Components/GUI/PlayerHud.h"
#include "Components/Logic/Objectives.h"
#include "Systems/GUI/GuiWorld.h"

namespace gui_tests
{
	inline const char* kHudPage =
		"<body><script>"
		"function Hud() { var o = new ObjectFromName('PlayerHudObj', 0); return o.GetId() != 0 ? o.GetComponent('PlayerHud') : null; }"
		"function SetNewHealth() { record('health', Hud().HealthPercentage_); }"
		"function SetNewLungs() { record('lungs', Hud().LungsPercentage_); }"
		"function InitObjective(name, count, required, description, row) { record('init', name, count, required, description, row); }"
		"function UpdateObjective(name, count, required) { record('update', name, count, required); }"
		"function ClearObjectives() { record('clear'); }"
		"</script></body>";

	// One goal of the player's Objectives.
	inline std::string GoalXml(const std::string& name, unsigned required, const std::string& description, bool hidden = false)
	{
		return "<Objective><string>" + name + "</string><string>Hut</string><unsigned>" + std::to_string(required) +
			"</unsigned><string>" + description + "</string><bool>false</bool><bool>" + (hidden ? "true" : "false") +
			"</bool><bool>true</bool></Objective>";
	}

	class HudWorld : public GuiWorld
	{
	protected:
		void SetUp() override
		{
			GuiWorld::SetUp();
			Objectives::Register();
		}

		// The player (with these goals) and the display; the display's page is loaded and clean.
		void MakeHud(const std::string& goalsXml = "", bool withPlayer = true)
		{
			if (withPlayer)
				player = StartedObject(test::TransformXml("0 0 0") + test::ComponentXml("Objectives", "<Messages/>" + goalsXml), "Player");
			hud = StartedPane(400, 300, 800, 600, kHudPage, PlaneXml("0 0 800 600") + BufferXml() +
				test::ComponentXml("PlayerHud", "<float>1</float><float>0.5</float><Tuple2f>200 20</Tuple2f><Tuple2f>200 10</Tuple2f>"
					"<Tuple2f>800 600</Tuple2f><Tuple2f>64 64</Tuple2f><Tuple2f>300 24</Tuple2f><Tuple2f>24 24</Tuple2f><float>18</float>") +
				test::ComponentXml("HudObjective", ""), "PlayerHudObj")->owner;
			Recorded().clear();
		}

		Composition* player = nullptr;
		Composition* hud = nullptr;
	};
}
