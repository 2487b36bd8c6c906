#include "Systems/Input/Button.h"
#include "Systems/Input/Key.h"

#include "Systems/Input/FakeInputDevice.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

namespace
{
	class ButtonTest : public ::testing::Test
	{
	protected:
		FakeInputDevice device;
		ButtonContext context{device};
		Key key{context, "W"};

		void PollAt(uint32_t time, bool held)
		{
			device.now = time;
			device.heldKeys = held ? std::set<unsigned>{SDLK_w} : std::set<unsigned>{};
			key.Poll();
		}
	};
}

TEST_F(ButtonTest, EdgesLastExactlyOnePoll)
{
	struct Step { bool held, down, pressed, released; };
	const Step steps[] = {{false, false, false, false}, {true, true, true, false}, {true, true, false, false},
		{true, true, false, false}, {false, false, false, true}, {false, false, false, false}, {true, true, true, false}};
	uint32_t time = 1000;
	for (const Step& step : steps)
	{
		PollAt(time += 16, step.held);
		EXPECT_EQ(key.IsDown(), step.down) << "at " << time;
		EXPECT_EQ(key.Pressed(), step.pressed) << "at " << time;
		EXPECT_EQ(key.Released(), step.released) << "at " << time;
	}
	EXPECT_FLOAT_EQ(key.ValueAsFloat(), 1.0f);
	EXPECT_EQ(key.GetValue(), Button::kHeldValue);
}

TEST_F(ButtonTest, PressCountRunsWhilePressesFollowWithinTheLag)
{
	// The lag counts from the poll after a release, where the release is stamped; a long hold
	// does not end the run.
	struct Step { uint32_t time; bool held; uint32_t count; };
	const Step steps[] = {{1000, true, 1}, {1016, false, 1}, {1032, false, 1}, {1182, true, 2}, {1200, false, 2},
		{1216, false, 2}, {1300, true, 3}, {1316, false, 3}, {1332, false, 3}, {1482, false, 3}, {1483, false, 0},
		{2000, true, 1}, {2016, true, 1}, {3000, true, 1}, {4000, false, 1}, {4016, false, 1}, {4100, true, 2}};
	for (const Step& step : steps)
	{
		PollAt(step.time, step.held);
		EXPECT_EQ(key.PressCount(), step.count) << "at " << step.time;
	}
}

TEST_F(ButtonTest, UnknownKeyNamesAreNeverDown)
{
	struct Case { const char* name; unsigned heldSymbol; bool down; };
	const Case cases[] = {{"kpEnter", SDLK_KP_ENTER, true}, {"LWin", SDLK_LSUPER, true}, {"a", SDLK_b, false},
		{"nosuchkey", SDLK_UNKNOWN, false}, {"", SDLK_UNKNOWN, false}};
	for (const Case& c : cases)
	{
		device.heldKeys = {c.heldSymbol};
		Key named(context, c.name);
		named.Poll();
		EXPECT_EQ(named.IsDown(), c.down) << c.name;
	}
}
