// A shipped level played through the game loop in a small window, with the renderer its textures
// load into: the harness of the tests that play the shipped levels.
#pragma once

#include "Components/Transform.h"
#include "Systems/Input.h"
#include "Systems/Input/FakeInputDevice.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

// A test that plays a shipped level opens a window: without an X display it is skipped, as the
// other window tests are. The first line of such a test.
#define TW_SKIP_WITHOUT_DISPLAY() \
	do \
	{ \
		if (std::getenv("DISPLAY") == nullptr) \
			GTEST_SKIP() << "needs an X display: run the tests under xvfb-run"; \
	} while (false)

namespace test
{
	class ShippedLevelWorld : public GameWorld
	{
	public:
		// configElements: more of the configuration ("<Sound>...</Sound>").
		explicit ShippedLevelWorld(const std::string& level, const std::string& configElements = "")
			: GameWorld("<FirstLevel>" + level + "</FirstLevel><Window><Width>160</Width><Height>120</Height></Window>" + configElements)
		{
			engine.engine->AddSystem(new Window());
			engine.engine->AddSystem(new Graphics());
		}
		// Adds the Input system with its built-in bindings over a scripted keyboard and mouse: the
		// keys and buttons the player holds. The device lives as long as the engine.
		FakeInputDevice& AddScriptedInput()
		{
			auto device = std::make_unique<FakeInputDevice>();
			FakeInputDevice& scripted = *device;
			engine.engine->AddSystem(new Input(std::move(device)));
			return scripted;
		}
		// Runs the game loop from the first level for that many frames: on frame n the step n runs,
		// then everyFrame(n).
		void Play(std::map<unsigned, std::function<void()>> steps, unsigned frames, const std::function<void(unsigned)>& everyFrame = {})
		{
			for (unsigned frame = 1; everyFrame && frame <= frames; ++frame)
				steps[frame] = [step = steps[frame], &everyFrame, frame] {
					if (step)
						step();
					everyFrame(frame);
				};
			Run(engine.engine->GetCurrentLevel(), std::move(steps), frames);
		}
	};

	// Where the object stands; far off once it is gone.
	inline Tuple3f PositionOf(const Object& object)
	{
		const Transform* transform = object.IsDummy() ? nullptr : object.object->GetComponent<Transform>();
		return transform != nullptr ? transform->GetWorldPosition() : Tuple3f(1e9f, 1e9f, 1e9f);
	}
	inline Tuple3f PositionOf(unsigned id) { return PositionOf(ObjectFromId(id)); }
}
