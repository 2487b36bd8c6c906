// A knocked-out player in the first level, played through the game loop with the player's own
// keys and mouse: from the death to the restart its controls rest and nothing counts for or
// against it, while a level change earned before the death goes first.
#include "Archetype.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/Grabber.h"
#include "Components/Logic/Health.h"
#include "Components/Logic/Lungs.h"
#include "Components/Logic/Objectives.h"
#include "Components/Logic/Suck.h"
#include "Engine.h"
#include "Systems/Logic/ShippedLevelWorld.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace
{
	using test::PositionOf;
	using DeathScript = std::map<unsigned, std::function<void()>>;

	// The level has settled and the player stands on the floor.
	constexpr unsigned kDeathFrame = 40;
	// The house comes down, meeting the level's goal, half a second before the death.
	constexpr unsigned kGoalFrame = kDeathFrame - 30;
	// Past the restart delay of 3 s after a death at kDeathFrame.
	constexpr unsigned kAfterTheRestart = kDeathFrame + 200;

	Object DyingPlayer()
	{
		return ObjectFromName("Player");
	}

	void Die()
	{
		DyingPlayer().SendMessage(Message("Death"));
	}

	// Plays the first level with the player's keys and mouse until the level changes or the frames
	// run out; the name of the level that followed, or "".
	std::string PlayFirstLevelToDeath(const std::function<void(FakeInputDevice&, DeathScript&)>& stage, unsigned frames,
		const std::function<void()>& whileItStands = {})
	{
		test::ShippedLevelWorld world("Homestead");
		FakeInputDevice& device = world.AddScriptedInput();
		DeathScript script;
		stage(device, script);
		std::string nextLevel;
		world.Play(script, frames, [&](unsigned) {
			if (!nextLevel.empty())
				return;
			if (world.engine.ArgumentsOf("LevelLoaded").size() > 1)
			{
				nextLevel = world.engine.engine->GetCurrentLevel();
				Engine::SendMessage(Message("Shutdown"));
			}
			else if (whileItStands)
				whileItStands();
		});
		return nextLevel;
	}

	// The first level as it stood at the death.
	struct AtTheDeath
	{
		Tuple3f player;
		std::vector<Tuple3f> crates;
		int health = 0;
	};

	std::string WhatTheCratesDid(const AtTheDeath& death)
	{
		if (!DyingPlayer().object->GetComponent<Blow>()->heldObjs.empty())
			return "a crate was breathed in";
		const std::vector<unsigned> crates = ObjectIdsByName("Crate");
		for (std::size_t crate = 0; crate < crates.size() && crate < death.crates.size(); ++crate)
			if (PositionOf(crates[crate]).Distance(death.crates[crate]) > 0.05)
				return "a crate was pulled";
		return "";
	}

	// One after the other, in one play of the level, what the knocked-out player does with its
	// keys and mouse and what befalls it; nothing of it counts, and the level starts again.
	TEST(PlayableLevelPlayerDeath, NothingAKnockedOutPlayerDoesOrMeetsCounts)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const struct
		{
			const char* what;
			unsigned frame;
			std::function<void(FakeInputDevice&)> act;
			// What counted since the death, or "".
			std::function<std::string(const AtTheDeath&)> counted;
		} kCases[] = {
			{"walking", kDeathFrame + 5, [](FakeInputDevice& keys) { keys.heldKeys = {SDLK_w}; },
				[](const AtTheDeath& death) {
					return PositionOf(DyingPlayer()).Distance(death.player) > 0.05 ? "the player walked" : "";
				}},
			{"breathing in at the crate ahead", kDeathFrame + 30,
				[](FakeInputDevice& input) {
					input.heldKeys.clear();
					input.mouseButtons = SDL_BUTTON(SDL_BUTTON_RIGHT);
				},
				WhatTheCratesDid},
			{"blowing", kDeathFrame + 60, [](FakeInputDevice& mouse) { mouse.mouseButtons = SDL_BUTTON(SDL_BUTTON_LEFT); },
				// A breath out spends the lungs, whatever it shoots.
				[](const AtTheDeath&) {
					const Lungs& lungs = *DyingPlayer().object->GetComponent<Lungs>();
					return lungs.curCapacity < 0.5f * lungs.baseCapacity ? "the breath was blown out" : "";
				}},
			// After the grace of the health's first second.
			{"a hit", kDeathFrame + 65, [](FakeInputDevice&) { DyingPlayer().SendMessage(Message("Damage").PushInt(10)); },
				[](const AtTheDeath& death) {
					return DyingPlayer().object->GetComponent<Health>()->GetHealth() < death.health ? "the player was hurt" : "";
				}},
			{"the house brought down", kDeathFrame + 70,
				[](FakeInputDevice&) { ObjectFromName("House").SendMessage(Message("HouseDestroyed")); },
				[](const AtTheDeath&) { return DyingPlayer().object->GetComponent<Objectives>()->IsAllComplete() ? "the goal counted" : ""; }},
			{"a win token landing", kDeathFrame + 75,
				[](FakeInputDevice&) {
					const Object token = CreateObjectFromArchetype("WinToken.xml");
					token.object->Start();
					token.SendMessage(Message("SetPos").Push(Tuple3f(3.0f, 1.5f, -3.0f)));
				},
				[](const AtTheDeath&) { return ""; }},
		};
		AtTheDeath death;
		std::vector<std::string> counted(std::size(kCases));
		const std::string nextLevel = PlayFirstLevelToDeath(
			[&](FakeInputDevice& device, DeathScript& script) {
				script[kDeathFrame] = [&] {
					death.player = PositionOf(DyingPlayer());
					for (unsigned crate : ObjectIdsByName("Crate"))
						death.crates.push_back(PositionOf(crate));
					death.health = DyingPlayer().object->GetComponent<Health>()->GetHealth();
					Die();
				};
				for (const auto& deathCase : kCases)
					script[deathCase.frame] = [&] { deathCase.act(device); };
			},
			kAfterTheRestart, [&] {
				for (std::size_t row = 0; row < std::size(kCases); ++row)
					if (counted[row].empty() && !death.crates.empty())
						counted[row] = kCases[row].counted(death);
			});
		for (std::size_t row = 0; row < std::size(kCases); ++row)
			EXPECT_EQ(counted[row], "") << kCases[row].what;
		EXPECT_EQ(nextLevel, "Homestead") << "the level did not start again";
	}

	// What the player keeps doing with a button or key held when it is knocked out stops there.
	TEST(PlayableLevelPlayerDeath, WhatThePlayerHeldOnStopsAtTheDeath)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const struct
		{
			const char* what;
			// Twenty frames before the death.
			std::function<void(FakeInputDevice&)> start;
			// What the player is still doing, or "".
			std::function<std::string()> doing;
		} kCases[] = {
			{"breathing in", [](FakeInputDevice& mouse) { mouse.mouseButtons = SDL_BUTTON(SDL_BUTTON_RIGHT); },
				[] {
					const bool lungsFill = DyingPlayer().object->GetComponent<Lungs>()->state == Lungs::kInhale;
					return lungsFill || DyingPlayer().object->GetComponent<Suck>()->active ? "breathing in" : "";
				}},
			// As the display passes the carry key on, at the crate put within reach below the view.
			{"carrying",
				[](FakeInputDevice&) {
					ObjectFromId(ObjectIdsByName("Crate").front()).SendMessage(Message("SetPos").Push(Tuple3f(0.0f, 0.5f, -2.0f)));
					DyingPlayer().SendMessage(Message("RotRight").PushFloat(0.3f));
					DyingPlayer().SendMessage(Message("Grab"));
				},
				[] { return DyingPlayer().object->GetComponent<Grabber>()->GetGrabbedObject() != 0 ? "carrying" : ""; }},
		};
		for (const auto& heldCase : kCases)
		{
			std::string atTheDeath, later;
			PlayFirstLevelToDeath(
				[&](FakeInputDevice& device, DeathScript& script) {
					script[kDeathFrame - 20] = [&] { heldCase.start(device); };
					script[kDeathFrame] = [&] {
						atTheDeath = heldCase.doing();
						Die();
					};
					script[kDeathFrame + 30] = [&] { later = heldCase.doing(); };
				},
				kDeathFrame + 30);
			EXPECT_EQ(atTheDeath, heldCase.what) << "the player was not " << heldCase.what;
			EXPECT_EQ(later, "") << heldCase.what;
		}
	}

	// The goal met half a second before the death sends the game on 5 s after it was met, well after
	// the restart would have come: the next level comes, not the restart.
	TEST(PlayableLevelPlayerDeath, ALevelChangeEarnedBeforeTheDeathGoesFirst)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const std::string nextLevel = PlayFirstLevelToDeath(
			[](FakeInputDevice&, DeathScript& script) {
				script[kGoalFrame] = [] { ObjectFromName("House").SendMessage(Message("HouseDestroyed")); };
				script[kDeathFrame] = Die;
			},
			kGoalFrame + 5000 / 16 + 30);
		EXPECT_EQ(nextLevel, "Hillside");
	}

	// The first level as shipped, but naming prevLevel as its previous level and with the player's
	// death given to the object named alsoDying too (none for ""), written where the game finds it
	// first.
	void ShadowFirstLevel(const std::string& prevLevel, const std::string& alsoDying)
	{
		const Engine& engine = *Engine::Instance();
		std::ifstream shipped(engine.GetDataFolder() + "Levels/Homestead");
		std::string level{std::istreambuf_iterator<char>(shipped), std::istreambuf_iterator<char>()};
		const std::string previous = "\"prevLevel\">Homestead<";
		level.replace(level.find(previous), previous.size(), "\"prevLevel\">" + prevLevel + "<");
		const std::string archetype = "\"Archetype\">" + alsoDying + "</string>";
		if (const std::size_t at = level.find(archetype); at != std::string::npos)
			level.insert(at + archetype.size(), "<Component><string name=\"ComponentName\">PlayerDeath</string></Component>");
		std::ofstream(engine.GetUserFolder() + "Homestead") << level;
	}

	void DropAWinToken()
	{
		const Object token = CreateObjectFromArchetype("WinToken.xml");
		token.object->Start();
		token.SendMessage(Message("SetPos").Push(Tuple3f(3.0f, 1.5f, -3.0f)));
	}

	void BringTheHouseDown()
	{
		ObjectFromName("House").SendMessage(Message("HouseDestroyed"));
	}

	// A player that is not out, or no longer out, walks with its keys: after a death whose restart
	// is refused a win or the level's goal takes the game on, and another object's death restarts
	// the level.
	TEST(PlayableLevelPlayerDeath, APlayerNotOutWalksAndWins)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const struct
		{
			const char* what;
			const char* prevLevel;
			// The object that dies; the player's death is given to it unless it is the player.
			const char* dying;
			// The player holds the walking key from here for kWalkFrames frames, then wins, if it
			// is given a win.
			unsigned walkFrame;
			void (*win)();
			const char* nextLevel;
		} kCases[] = {
			{"a restart that climbs out of the game's folders", "../Levels/Homestead", "Player", kAfterTheRestart, DropAWinToken, "Hillside"},
			{"a restart to an absolute path", "/Homestead", "Player", kAfterTheRestart, BringTheHouseDown, "Hillside"},
			{"another object's death", "Homestead", "Balloon", kDeathFrame + 5, nullptr, "Homestead"},
		};
		constexpr unsigned kWalkFrames = 30;
		// The goal's message goes 5 s after the goal is met.
		constexpr unsigned kWinFrames = 5000 / 16 + 30;
		for (const auto& row : kCases)
		{
			Tuple3f from;
			double walked = 0.0;
			const std::string nextLevel = PlayFirstLevelToDeath(
				[&](FakeInputDevice& device, DeathScript& script) {
					ShadowFirstLevel(row.prevLevel, row.dying == std::string("Player") ? "" : row.dying);
					script[kDeathFrame] = [&] { ObjectFromName(row.dying).SendMessage(Message("Death")); };
					script[row.walkFrame] = [&] {
						from = PositionOf(DyingPlayer());
						device.heldKeys = {SDLK_w};
					};
					script[row.walkFrame + kWalkFrames] = [&] {
						walked = PositionOf(DyingPlayer()).Distance(from);
						device.heldKeys.clear();
						if (row.win != nullptr)
							row.win();
					};
				},
				row.win != nullptr ? row.walkFrame + kWalkFrames + kWinFrames : kAfterTheRestart);
			EXPECT_GT(walked, 0.2) << row.what;
			EXPECT_EQ(nextLevel, row.nextLevel) << row.what;
		}
	}
}
