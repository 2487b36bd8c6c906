#include "Systems/Input/InputTestRig.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
	// SDL's event queue without a display: the dummy video driver.
	class InputEvents : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			setenv("SDL_VIDEODRIVER", "dummy", 1);
			ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
			ASSERT_NE(SDL_SetVideoMode(64, 64, 0, SDL_SWSURFACE), nullptr) << SDL_GetError();
			rig = std::make_unique<InputTestRig>("<Button><Type>MouseButton</Type><Name>Scroll</Name><Button>wheel_up</Button>"
												 "</Button>" + BindingXml("Player", "SCROLL_DOWN", "Scroll()"));
		}

		void TearDown() override
		{
			rig.reset();
			SDL_Quit();
			unsetenv("SDL_VIDEODRIVER");
		}

		static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0); }

		std::unique_ptr<InputTestRig> rig;
	};
}

TEST_F(InputEvents, EveryEventBecomesAnEngineWideMessageEvenWhilePaused)
{
	rig->SendPause(true);
	// Key: scancode, symbol, modifiers, character. Button: button, state, x, y. Motion: state,
	// x, y, relative x, relative y.
	Push({.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {38, SDLK_a, KMOD_NONE, 'a'}}});
	Push({.key = {SDL_KEYUP, 0, SDL_RELEASED, {38, SDLK_a, KMOD_NONE, 0}}});
	Push({.button = {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_RIGHT, SDL_PRESSED, 10, 20}});
	Push({.button = {SDL_MOUSEBUTTONUP, 0, SDL_BUTTON_RIGHT, SDL_RELEASED, 11, 21}});
	Push({.motion = {SDL_MOUSEMOTION, 0, 0, 30, 40, 5, -5}});
	Push({.type = SDL_USEREVENT});
	Push({.type = SDL_QUIT});

	rig->Frame(1000);
	EXPECT_EQ(rig->ArgumentsOf("KeyDown"), (ArgumentLists{{"97", "38", "97"}}));
	EXPECT_EQ(rig->ArgumentsOf("KeyUp"), (ArgumentLists{{"97", "38", "0"}}));
	EXPECT_EQ(rig->ArgumentsOf("MouseDown"), (ArgumentLists{{"3", "10", "20"}}));
	EXPECT_EQ(rig->ArgumentsOf("MouseUp"), (ArgumentLists{{"3", "11", "21"}}));
	EXPECT_EQ(rig->ArgumentsOf("MouseMove"), (ArgumentLists{{"30", "40"}})) << "the position, not the motion";
	EXPECT_EQ(rig->ArgumentsOf("Shutdown"), (ArgumentLists{{}}));
	EXPECT_EQ(rig->engine.engine->GetRequestedState(), Engine::kQuit);
}

TEST_F(InputEvents, WheelStepHoldsTheWheelButtonForOneFrame)
{
	Push({.button = {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_WHEELUP, SDL_PRESSED, 5, 5}});
	Push({.button = {SDL_MOUSEBUTTONUP, 0, SDL_BUTTON_WHEELUP, SDL_RELEASED, 5, 5}});
	rig->Frame(1000);
	EXPECT_EQ(rig->ArgumentsOf("MouseDown"), (ArgumentLists{{"4", "5", "5"}}));
	EXPECT_EQ(rig->ArgumentsOf("Scroll").size(), 1u);
	rig->Frame(1016);
	EXPECT_EQ(rig->ArgumentsOf("Scroll").size(), 1u);
	EXPECT_EQ(rig->input->GetButtonContext().pressedButtons, 0u);
}

TEST_F(InputEvents, AWindowCloseEndsTheGameThoughAHeldKeysBindingAsksForALevelInTheSameFrame)
{
	rig.reset();
	rig = std::make_unique<InputTestRig>(KeyButtonXml("N", "n") + BindingXml("Engine", "N_DOWN", "NextLevel()"));
	Push({.type = SDL_QUIT});
	rig->Frame(1000, {SDLK_n});
	EXPECT_EQ(rig->ArgumentsOf("NextLevel").size(), 1u) << "the binding acts after the close";
	EXPECT_EQ(rig->engine.engine->GetRequestedState(), Engine::kQuit);
}

TEST_F(InputEvents, MouseButtonsQueuedWhileALevelLoadedNeverReachItsPages)
{
	rig->input->Reload();
	Push({.button = {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT, SDL_PRESSED, 10, 20}});
	Push({.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {38, SDLK_a, KMOD_NONE, 'a'}}});
	Push({.motion = {SDL_MOUSEMOTION, 0, 0, 30, 40, 5, -5}});
	Push({.button = {SDL_MOUSEBUTTONUP, 0, SDL_BUTTON_LEFT, SDL_RELEASED, 10, 20}});
	rig->Frame(1000);
	EXPECT_TRUE(rig->ArgumentsOf("MouseDown").empty());
	EXPECT_TRUE(rig->ArgumentsOf("MouseUp").empty());
	EXPECT_EQ(rig->ArgumentsOf("KeyDown").size(), 1u);
	EXPECT_EQ(rig->ArgumentsOf("MouseMove").size(), 1u);
	// Once the level runs, a click is the player's own.
	Push({.button = {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT, SDL_PRESSED, 11, 21}});
	Push({.button = {SDL_MOUSEBUTTONUP, 0, SDL_BUTTON_LEFT, SDL_RELEASED, 11, 21}});
	rig->Frame(1016);
	EXPECT_EQ(rig->ArgumentsOf("MouseDown"), (ArgumentLists{{"1", "11", "21"}}));
	EXPECT_EQ(rig->ArgumentsOf("MouseUp"), (ArgumentLists{{"1", "11", "21"}}));
}

// A tap or a click shorter than a frame is down in the frame whose events hold it, and released in
// the next: a slow frame loses no press.
TEST_F(InputEvents, APressReleasedWithinOneFrameActsAsAPressThenARelease)
{
	Push({.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {25, SDLK_w, KMOD_NONE, 'w'}}});
	Push({.key = {SDL_KEYUP, 0, SDL_RELEASED, {25, SDLK_w, KMOD_NONE, 0}}});
	Push({.button = {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT, SDL_PRESSED, 10, 20}});
	Push({.button = {SDL_MOUSEBUTTONUP, 0, SDL_BUTTON_LEFT, SDL_RELEASED, 10, 20}});
	rig->Frame(1000);
	EXPECT_EQ(rig->ArgumentsOf("MoveForward"), (ArgumentLists{{"1"}}));
	EXPECT_EQ(rig->ArgumentsOf("SetLungState"), (ArgumentLists{{"2"}}));
	rig->Frame(1016);
	EXPECT_EQ(rig->ArgumentsOf("MoveForward").size(), 1u);
	EXPECT_EQ(rig->ArgumentsOf("SetLungState"), (ArgumentLists{{"2"}, {"0"}}));
}
