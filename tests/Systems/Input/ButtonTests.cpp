#include "Systems/Input/Button.h"
#include "Systems/Input/Key.h"

#include "Systems/Input/FakeInputDevice.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <vector>

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
			if (held)
				device.heldKeys.insert(SDLK_w);
			else
				device.heldKeys.erase(SDLK_w);
			key.Poll();
		}
	};
}

TEST_F(ButtonTest, EdgesLastExactlyOnePoll)
{
	struct Step
	{
		bool held;
		bool down, pressed, released;
	};
	const std::vector<Step> steps = {
		{false, false, false, false},
		{true, true, true, false},
		{true, true, false, false},
		{true, true, false, false},
		{false, false, false, true},
		{false, false, false, false},
		{true, true, true, false},
	};
	uint32_t time = 1000;
	for (size_t i = 0; i < steps.size(); ++i)
	{
		PollAt(time += 16, steps[i].held);
		EXPECT_EQ(key.IsDown(), steps[i].down) << "poll " << i;
		EXPECT_EQ(key.IsUp(), !steps[i].down) << "poll " << i;
		EXPECT_EQ(key.Pressed(), steps[i].pressed) << "poll " << i;
		EXPECT_EQ(key.Released(), steps[i].released) << "poll " << i;
	}
	EXPECT_FLOAT_EQ(key.ValueAsFloat(), 1.0f);
	EXPECT_EQ(key.GetValue(), Button::kHeldValue);
}

TEST_F(ButtonTest, QuickPressesCountUpAndIdleResetsTheCount)
{
	PollAt(1000, true);
	EXPECT_EQ(key.PressCount(), 1u);
	PollAt(1016, false);
	PollAt(1032, false); // the release is stamped here; the lag counts from this poll
	PollAt(1032 + 150, true);
	EXPECT_EQ(key.PressCount(), 2u);
	EXPECT_TRUE(key.Pressed());
	PollAt(1200, false);
	PollAt(1216, false);
	PollAt(1300, true);
	EXPECT_EQ(key.PressCount(), 3u);
	PollAt(1316, false);
	PollAt(1332, false);
	PollAt(1332 + 150, false);
	EXPECT_EQ(key.PressCount(), 3u) << "still within the lag";
	PollAt(1332 + 151, false);
	EXPECT_EQ(key.PressCount(), 0u);
	PollAt(2000, true);
	EXPECT_EQ(key.PressCount(), 1u);
}

TEST_F(ButtonTest, LongHoldThenQuickTapContinuesTheCount)
{
	PollAt(1000, true);
	for (uint32_t t = 1016; t < 4000; t += 16)
		PollAt(t, true);
	PollAt(4000, false);
	PollAt(4016, false);
	PollAt(4100, true);
	EXPECT_EQ(key.PressCount(), 2u);
}

TEST_F(ButtonTest, StateTimeCountsFromThePollAfterTheChange)
{
	PollAt(1000, true);
	PollAt(1020, true);
	device.now = 1500;
	EXPECT_EQ(key.StateTime(), 480u);
}

TEST(KeyButton, NamesAreCaseInsensitiveAndUnknownNamesAreNeverDown)
{
	FakeInputDevice device;
	ButtonContext context{device};
	struct Case
	{
		const char* name;
		unsigned heldSymbol;
		bool down;
		const char* description;
	};
	const Case cases[] = {
		{"Space", SDLK_SPACE, true, "space"},
		{"ESC", SDLK_ESCAPE, true, "esc"},
		{"LWin", SDLK_LSUPER, true, "lwin"},
		{"kpEnter", SDLK_KP_ENTER, true, "kpenter"},
		{"a", SDLK_b, false, "a"},
		{"nosuchkey", SDLK_UNKNOWN, false, "nosuchkey"},
		{"", SDLK_UNKNOWN, false, ""},
	};
	for (const Case& c : cases)
	{
		device.heldKeys = {c.heldSymbol};
		Key key(context, c.name);
		key.Poll();
		EXPECT_EQ(key.IsDown(), c.down) << c.name;
		EXPECT_EQ(key.Describe(), c.description);
	}
}
