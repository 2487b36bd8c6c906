#include "Archetype.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/GameplayWorld.h"
#include "Systems/Logic/ShippedLevelWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace
{
	using test::PositionOf;

	// 60 s of game time.
	constexpr unsigned kFrames = 3750;
	// Half the shipped level's floor.
	constexpr float kFloorHalf = 30.0f;

	struct Character
	{
		const char* archetype;
		Tuple3f position;
	};

	// Five villagers behind the player, a bomb thrower 11 units to its right and a charger 11 to its left.
	const Character kCharacters[] = {
		{"Villager.xml", Tuple3f(-10, 1, 12)},
		{"Villager.xml", Tuple3f(-5, 1, 16)},
		{"Villager.xml", Tuple3f(0, 1, 20)},
		{"Villager.xml", Tuple3f(5, 1, 16)},
		{"Villager.xml", Tuple3f(10, 1, 12)},
		{"BombThrower.xml", Tuple3f(11, 1, 0)},
		{"Charger.xml", Tuple3f(-11, 1.5f, 0)},
	};

	struct Outcome
	{
		// Per villager: walks completed, lowest height, and whether it stayed on the floor, finite.
		std::vector<int> walks;
		std::vector<bool> stayedOnFloor;
		// Bombs that landed nearer the player than the thrower, and all that landed.
		int bombsNearPlayer = 0;
		int bombsLanded = 0;
		// The charger's distance to the player: when it set off, a second later, and the least after.
		float chargerStill = 0.0f;
		float chargerAfterTurn = 0.0f;
		float chargerNearest = 1e9f;
		// Every character's position at the end, as text.
		std::string finalPositions;
	};

	Outcome PlayWithCharacters()
	{
		Outcome outcome;
		test::ShippedLevelWorld world("Homestead");
		std::vector<unsigned> ids;
		std::vector<test::MessageLog*> logs;
		std::vector<unsigned> landedBombs;
		unsigned chargeFrame = 0;
		std::map<unsigned, std::function<void()>> script;
		script[1] = [&] {
			for (const Character& character : kCharacters)
			{
				const Object object = CreateObjectFromArchetype(character.archetype);
				object.object->Start();
				object.object->HandleMessage(Message("SetPos").Push(character.position));
				ids.push_back(object.id);
				logs.push_back(&test::Listen(object, {"PathingComplete", "ParticleActivate"}));
			}
			outcome.walks.assign(5, 0);
			outcome.stayedOnFloor.assign(5, true);
		};
		for (unsigned frame = 2; frame <= kFrames; ++frame)
			script[frame] = [&, frame] {
				const Tuple3f player = PositionOf(ObjectFromName("Player").id);
				for (std::size_t villager = 0; villager < 5; ++villager)
				{
					const Tuple3f at = PositionOf(ids[villager]);
					outcome.stayedOnFloor[villager] = outcome.stayedOnFloor[villager] && IsFinite(at) && at.y > 0.0f &&
						std::fabs(at.x) < kFloorHalf && std::fabs(at.z) < kFloorHalf;
				}
				// The charger's dust rises when its charge begins (and is put out when it ends).
				const Tuple3f charger = PositionOf(ids[6]);
				const float chargerDistance = static_cast<float>(charger.Distance(player));
				if (chargeFrame == 0 && !logs[6]->Named("ParticleActivate Dust " + tw::TextOf(true)).empty())
				{
					chargeFrame = frame;
					outcome.chargerStill = chargerDistance;
				}
				if (chargeFrame != 0 && frame == chargeFrame + 60)
					outcome.chargerAfterTurn = chargerDistance;
				if (chargeFrame != 0 && frame > chargeFrame + 60)
					outcome.chargerNearest = std::min(outcome.chargerNearest, chargerDistance);
				for (unsigned bomb : ObjectIdsByName("Bomb"))
				{
					const Tuple3f at = PositionOf(bomb);
					if (at.y > 0.3f || std::find(landedBombs.begin(), landedBombs.end(), bomb) != landedBombs.end())
						continue;
					landedBombs.push_back(bomb);
					++outcome.bombsLanded;
					outcome.bombsNearPlayer += at.Distance(player) < at.Distance(PositionOf(ids[5])) ? 1 : 0;
				}
			};
		script[kFrames + 1] = [&] {
			for (std::size_t villager = 0; villager < 5; ++villager)
				outcome.walks[villager] = static_cast<int>(logs[villager]->Count("PathingComplete"));
			std::ostringstream text;
			for (unsigned id : ids)
				text << tw::TextOf(PositionOf(id)) << ";";
			outcome.finalPositions = text.str();
			Engine::Instance()->RequestState(Engine::kQuit);
		};
		world.Play(script, kFrames + 10);
		return outcome;
	}

	TEST(PlayableLevelCharacters, VillagersWanderTheFloorTheThrowerLandsBombsByThePlayerAndTheChargerClosesIn)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const Outcome first = PlayWithCharacters();
		ASSERT_EQ(first.walks.size(), 5u);
		for (std::size_t villager = 0; villager < 5; ++villager)
		{
			EXPECT_TRUE(first.stayedOnFloor[villager]) << villager;
			EXPECT_GE(first.walks[villager], 1) << villager;
		}
		EXPECT_GE(first.bombsLanded, 1);
		EXPECT_EQ(first.bombsNearPlayer, first.bombsLanded);
		// Turning for a second: it stays where it was; then it closes on the player.
		EXPECT_NEAR(first.chargerAfterTurn, first.chargerStill, 0.5f);
		EXPECT_LT(first.chargerNearest, first.chargerStill - 3.0f);
		const Outcome second = PlayWithCharacters();
		EXPECT_EQ(second.finalPositions, first.finalPositions);
		EXPECT_EQ(second.walks, first.walks);
	}

	// Characters in the first level for 260 frames (4.2 s): one killed, one fallen out of the world
	// and one held at the depth where the breath parks what it has taken in.
	TEST(PlayableLevelCharacters, AKilledOrFallenCharacterGoesAfterThreeSecondsAndAParkedOneStays)
	{
		const struct
		{
			const char* what;
			const char* archetype;
			std::function<void(const Object&)> each;
			bool there2s;
			bool there4s;
		} rows[] = {
			{"killed", "Charger.xml", [](const Object& o) { o.SendMessage(Message("Damage").PushInt(100)); }, true, false},
			{"fallen", "Villager.xml", [](const Object& o) { o.SendMessage(Message("SetPos").Push(Tuple3f(0, -1200, 0))); }, true, false},
			{"parked", "Villager.xml", [](const Object& o) { o.SendMessage(Message("SetPos").Push(Tuple3f(0, Blow::kParkHeight - 40, 0))); }, true, true},
		};
		test::GameWorld world("<FirstLevel>Homestead</FirstLevel>");
		std::vector<Object> objects;
		std::vector<bool> there2s, there4s;
		bool chargerHurtsAfterDeath = true;
		std::map<unsigned, std::function<void()>> script;
		script[1] = [&] {
			for (const auto& row : rows)
			{
				objects.push_back(CreateObjectFromArchetype(row.archetype));
				objects.back().object->Start();
			}
		};
		for (unsigned frame = 2; frame <= 260; ++frame)
			script[frame] = [&, frame] {
				for (std::size_t row = 0; row < objects.size(); ++row)
					if (!ObjectFromId(objects[row].id).IsDummy())
						rows[row].each(objects[row]);
				// Past the half second after its start in which a character ignores hits.
				if (frame == 40)
					chargerHurtsAfterDeath = objects[0].GetComponent("TeamDamage") != nullptr;
				if (frame == 130 || frame == 260)
					for (const Object& object : objects)
						(frame == 130 ? there2s : there4s).push_back(!ObjectFromId(object.id).IsDummy());
			};
		script[261] = [] { Engine::Instance()->RequestState(Engine::kQuit); };
		world.Run(world.engine.engine->GetCurrentLevel(), script, 270);
		EXPECT_FALSE(chargerHurtsAfterDeath);
		ASSERT_EQ(there4s.size(), std::size(rows));
		for (std::size_t row = 0; row < std::size(rows); ++row)
		{
			EXPECT_EQ(there2s[row], rows[row].there2s) << rows[row].what;
			EXPECT_EQ(there4s[row], rows[row].there4s) << rows[row].what;
		}
	}
}
