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
			rig = std::make_unique<InputTestRig>(
				"<Button><Type>MouseButton</Type><Name>Scroll</Name><Button>wheel_up</Button></Button>"
				"<Binding><Recipient>Player</Recipient><Condition>SCROLL_DOWN</Condition>"
				"<Message>Scroll()</Message></Binding>");
		}

		void TearDown() override
		{
			rig.reset();
			SDL_Quit();
		}

		static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0); }

		static SDL_Event Key(Uint8 type, SDLKey symbol, Uint8 scancode, Uint16 unicode)
		{
			SDL_Event event{};
			event.type = type;
			event.key.keysym.sym = symbol;
			event.key.keysym.scancode = scancode;
			event.key.keysym.unicode = unicode;
			return event;
		}

		static SDL_Event MouseButton(Uint8 type, Uint8 button, Uint16 x, Uint16 y)
		{
			SDL_Event event{};
			event.type = type;
			event.button.button = button;
			event.button.x = x;
			event.button.y = y;
			return event;
		}

		std::unique_ptr<InputTestRig> rig;
	};

	using Arguments = std::vector<std::vector<std::string>>;
}

TEST_F(InputEvents, EveryEventBecomesAnEngineWideMessage)
{
	Push(Key(SDL_KEYDOWN, SDLK_a, 38, 'a'));
	Push(Key(SDL_KEYUP, SDLK_a, 38, 0));
	Push(MouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 10, 20));
	Push(MouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 11, 21));
	SDL_Event motion{};
	motion.type = SDL_MOUSEMOTION;
	motion.motion.x = 30;
	motion.motion.y = 40;
	motion.motion.xrel = 5;
	motion.motion.yrel = -5;
	Push(motion);
	SDL_Event user{};
	user.type = SDL_USEREVENT;
	Push(user);
	SDL_Event quit{};
	quit.type = SDL_QUIT;
	Push(quit);

	rig->Frame(1000);
	EXPECT_EQ(rig->ArgumentsOf("KeyDown"), (Arguments{{"97", "38", "97"}}));
	EXPECT_EQ(rig->ArgumentsOf("KeyUp"), (Arguments{{"97", "38", "0"}}));
	EXPECT_EQ(rig->ArgumentsOf("MouseDown"), (Arguments{{"3", "10", "20"}}));
	EXPECT_EQ(rig->ArgumentsOf("MouseUp"), (Arguments{{"3", "11", "21"}}));
	EXPECT_EQ(rig->ArgumentsOf("MouseMove"), (Arguments{{"30", "40"}})) << "the position, not the motion";
	EXPECT_EQ(rig->ArgumentsOf("Shutdown"), (Arguments{{}}));
	EXPECT_EQ(rig->engine.engine->GetRequestedState(), Engine::kQuit);
}

TEST_F(InputEvents, WheelStepHoldsTheWheelButtonForOneFrame)
{
	Push(MouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP, 5, 5));
	Push(MouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_WHEELUP, 5, 5));
	rig->Frame(1000);
	EXPECT_EQ(rig->ArgumentsOf("MouseDown"), (Arguments{{"4", "5", "5"}}));
	EXPECT_EQ(rig->ArgumentsOf("Scroll").size(), 1u);
	rig->Frame(1016);
	EXPECT_EQ(rig->ArgumentsOf("Scroll").size(), 1u);
	EXPECT_EQ(rig->input->GetButtonContext().wheelMask, 0u);
}

TEST_F(InputEvents, PausedInputStillTurnsEventsIntoMessages)
{
	rig->SendPause(true);
	Push(Key(SDL_KEYDOWN, SDLK_ESCAPE, 9, 27));
	rig->Frame(1000, {SDLK_ESCAPE});
	EXPECT_EQ(rig->ArgumentsOf("KeyDown").size(), 1u);
	EXPECT_TRUE(rig->ArgumentsOf("PauseGame").empty());
}
