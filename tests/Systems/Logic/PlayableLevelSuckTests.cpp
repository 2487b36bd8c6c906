// The shipped player breathing in with its own right mouse button in the first level: the pull
// moves what it catches, never the player.
#include "Archetype.h"
#include "Systems/Logic/ShippedLevelWorld.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace
{
	using test::PositionOf;

	// The level has settled: the player stands on the floor.
	constexpr unsigned kSuckBreathFrame = 40;
	// Two seconds of 16 ms frames.
	constexpr unsigned kSuckTwoSeconds = 125;

	// Over 2 s of breathing in, at the empty sky and at a crate and a keg ahead, the player stands
	// where it stood when the right button went down.
	TEST(PlayableLevelSuck, BreathingInLeavesThePlayerWhereItStands)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const Tuple3f level(0.0f, -0.1f, -1.0f);
		const struct
		{
			const char* aimedAt;
			std::optional<const char*> archetype;
			Tuple3f place;
			Tuple3f view;
		} kCases[] = {{"the sky", std::nullopt, Tuple3f(), Tuple3f(0.0f, 1.0f, -1.0f)},
			{"a crate", "Crate.xml", Tuple3f(0.0f, 0.5f, -6.0f), level}, {"a keg", "Keg.xml", Tuple3f(0.0f, 0.4f, -5.0f), level}};
		for (const auto& aimCase : kCases)
		{
			SCOPED_TRACE(aimCase.aimedAt);
			test::ShippedLevelWorld world("Homestead");
			FakeInputDevice& mouse = world.AddScriptedInput();
			Tuple3f stood;
			float strayed = 0.0f;
			std::map<unsigned, std::function<void()>> script;
			script[1] = [&] {
				// The level's crates stand aside; only the case's object lies ahead.
				for (unsigned crate : ObjectIdsByName("Crate"))
					ObjectFromId(crate).SendMessage(Message("SetPos").Push(Tuple3f(25.0f, 0.5f, static_cast<float>(crate))));
				if (aimCase.archetype)
				{
					const Object placed = CreateObjectFromArchetype(*aimCase.archetype);
					placed.object->Start();
					placed.SendMessage(Message("SetPos").Push(aimCase.place));
				}
				ObjectFromName("Player").SendMessage(Message("SetDir").PushFloat(aimCase.view.x).PushFloat(aimCase.view.y).PushFloat(aimCase.view.z));
			};
			script[kSuckBreathFrame] = [&] {
				stood = PositionOf(ObjectFromName("Player"));
				mouse.mouseButtons = SDL_BUTTON(SDL_BUTTON_RIGHT);
			};
			world.Play(script, kSuckBreathFrame + kSuckTwoSeconds, [&](unsigned frame) {
				if (frame > kSuckBreathFrame)
					strayed = std::max(strayed, static_cast<float>(PositionOf(ObjectFromName("Player")).Distance(stood)));
			});
			EXPECT_LT(strayed, 0.05f) << "the player moved while breathing in";
		}
	}
}
