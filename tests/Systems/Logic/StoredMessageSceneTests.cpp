// A level of stored messages played through the game loop with the real physics step: the player
// runs over a power-up and a switch pad whose switch opens a gate, and on to the exit, which ends
// the level. The gate's relay turns "Open" into a "Move" that lifts the gate 4 units.
#include "Components/Logic/Health.h"
#include "Components/Logic/StoredMessageWorld.h"
#include "Components/Transform.h"
#include "Engine.h"
#include "Utilities/SearchPaths.h"

#include <algorithm>

namespace
{
	using namespace test;

	Object SceneObjectNamed(const std::string& name)
	{
		Object object = FirstObject();
		while (!object.IsDummy() && object.object->GetName() != name)
			object = NextObject(object);
		return object;
	}

	// Appends the value unless it repeats the last one: what a value went through, in order.
	template <class T>
	void Note(std::vector<T>& values, const T& value)
	{
		if (values.empty() || values.back() != value)
			values.push_back(value);
	}

	// The level lays out, along the player's run: the power-up, the switch pad more than a second's
	// run away (a switch's cooldown also runs from its start), the gate, and the exit.
	TEST(SwitchScene, ThePlayerTakesThePowerUpOnceOpensTheGateOnceAndReachesTheNextLevel)
	{
		StoredMessageWorld world;
		ASSERT_TRUE(GetSearchPaths().Add(TW_TEST_DATA_DIR "Levels/"));
		constexpr unsigned kRunFrames = 188; // 3 s of 16 ms frames
		constexpr unsigned kTouchAgainFrames = 31; // within the switch's 1 s cooldown
		std::vector<int> health;
		unsigned gateOpenedFrame = 0;
		float gateHeight = 0.0f;
		unsigned medkitGoneFrame = 0;
		unsigned exitFrame = 0;
		bool touchedAgain = false;
		std::map<unsigned, std::function<void()>> script;
		for (unsigned frame = 1; frame <= 250; ++frame)
			script[frame] = [&, frame] {
				const Object player = SceneObjectNamed("Player");
				if (Engine::Instance()->GetCurrentLevel() != "SwitchGate" || player.IsDummy())
				{
					exitFrame = exitFrame != 0 ? exitFrame : frame;
					return;
				}
				if (frame == 2)
					player.SendMessage(Message("Damage").PushInt(40));
				if (frame <= kRunFrames)
					player.SendMessage(Message("MoveForward").PushFloat(1.0f));
				Note(health, player.object->GetComponent<Health>()->GetHealth());
				if (medkitGoneFrame == 0 && SceneObjectNamed("Medkit").IsDummy())
					medkitGoneFrame = frame;
				// Open once the player, 1 unit tall, fits under it.
				gateHeight = SceneObjectNamed("Gate").object->GetComponent<Transform>()->GetWorldPosition().y;
				if (gateOpenedFrame == 0 && gateHeight >= 2.0f)
					gateOpenedFrame = frame;
				// A second touch of the pad while the switch cools down changes nothing.
				if (gateOpenedFrame != 0 && frame == gateOpenedFrame + kTouchAgainFrames)
				{
					SceneObjectNamed("SwitchBlock").SendMessage(Message("Collision").PushU32(player.id));
					touchedAgain = true;
				}
			};
		script[250] = [] { Engine::Instance()->RequestState(Engine::kQuit); };
		world.Run("SwitchGate", script, 300);

		EXPECT_EQ(health, (std::vector<int>{100, 60, 85})) << "hurt on frame 2, healed once by the power-up";
		EXPECT_NE(medkitGoneFrame, 0u);
		EXPECT_TRUE(touchedAgain);
		const auto opens = std::count_if(Listener::Log().begin(), Listener::Log().end(), [](const Heard& heard) { return heard.name == "Open"; });
		EXPECT_EQ(opens, 1) << "the group hears \"Open\" once";
		EXPECT_LT(medkitGoneFrame, gateOpenedFrame) << "the power-up lies before the pad";
		EXPECT_GT(exitFrame, gateOpenedFrame);
		EXPECT_EQ(gateHeight, 5.0f) << "lifted exactly 4 units";
		EXPECT_LE(exitFrame, kRunFrames) << "the player reached the exit while running";
		const std::vector<std::string> expected = {"LevelLoaded SwitchGate", "UnloadingLevel SwitchGate",
			"LevelLoaded SwitchGateExit", "UnloadingLevel SwitchGateExit"};
		EXPECT_EQ(Events(), expected);
	}
}
