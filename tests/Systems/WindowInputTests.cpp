#include "Systems/Input.h"
#include "Systems/Window.h"

#include "Systems/TestEngine.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace
{
	// The real Window and Input systems on the X display, driven by X input events from xdotool
	// and by the close request a window manager sends.
	class WindowInputEndToEnd : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			if (!std::getenv("DISPLAY"))
				GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
			engine = std::make_unique<TestEngine>(
				"<Config><Window><Width>640</Width><Height>480</Height><Fullscreen>false</Fullscreen></Window></Config>");
			engine->engine->AddSystem(new Window());
			engine->engine->AddSystem(new Input());
		}

		// Runs frames until the condition holds or five seconds pass.
		bool RunFramesUntil(const std::function<bool()>& condition)
		{
			const Uint32 start = SDL_GetTicks();
			while (SDL_GetTicks() - start < 5000)
			{
				for (System* system : engine->engine->GetSystems())
					system->Update();
				if (condition())
					return true;
				SDL_Delay(10);
			}
			return false;
		}

		std::unique_ptr<TestEngine> engine;
	};
}

TEST_F(WindowInputEndToEnd, KeyPressSendsTheBoundMessageAndClosingTheWindowShutsDown)
{
	// In the background, so the frames keep running while the key goes down and up.
	ASSERT_EQ(std::system("xdotool key --delay 100 w &"), 0);
	const bool moved = RunFramesUntil([&]
	{
		for (const ReceivedMessage& message : engine->Received("MoveForward"))
			if (message.arguments.size() == 1 && message.arguments[0] != "0")
				return true;
		return false;
	});
	EXPECT_TRUE(moved) << "no MoveForward with a non-zero argument";
	ASSERT_FALSE(engine->Received("KeyDown").empty());
	EXPECT_EQ(engine->Received("KeyDown").front().arguments.front(), std::to_string(SDLK_w));

	ASSERT_EQ(std::system(TW_XWINDOW_TOOL " close Tumblewreck"), 0);
	EXPECT_TRUE(RunFramesUntil([&] { return !engine->Received("Shutdown").empty(); }));
	EXPECT_EQ(engine->engine->GetRequestedState(), Engine::kQuit);
}
