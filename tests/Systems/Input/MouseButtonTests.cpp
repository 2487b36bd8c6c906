#include "Systems/Input/MouseButton.h"

#include "Systems/Input/FakeInputDevice.h"

#include <gtest/gtest.h>

namespace
{
	class MouseButtonTest : public ::testing::Test
	{
	protected:
		FakeInputDevice device;
		ButtonContext context{device};
	};
}

TEST_F(MouseButtonTest, NamesAndNumbersSelectTheButton)
{
	struct Case { const char* text; unsigned number; const char* description; };
	const Case cases[] = {{"LEFT", 1, "Left"}, {"middle", 2, "Middle"}, {"Right", 3, "Right"}, {"wheel_up", 4, "Wheel Up"},
		{"WHEEL_DOWN", 5, "Wheel Down"}, {"6", 6, "6"}, {"sideways", 0, "0"}};
	for (const Case& c : cases)
	{
		MouseButton button(context, c.text);
		EXPECT_EQ(button.Number(), c.number) << c.text;
		EXPECT_EQ(button.Describe(), c.description) << c.text;
	}
}

// Numbers outside the 32-bit mask name no button and are never down.
TEST_F(MouseButtonTest, HeldButtonsAndThisFramesWheelStepsWithinTheMaskAreDown)
{
	struct Case { const char* text; uint32_t held, wheel; bool down; };
	const Case cases[] = {{"Right", 1u << 2, 0, true}, {"Left", 1u << 2, 0, false}, {"Wheel_Down", 0, 1u << 4, true},
		{"0", ~0u, ~0u, false}, {"33", ~0u, ~0u, false}, {"4000000000", ~0u, ~0u, false}, {"sideways", ~0u, ~0u, false},
		{"32", 0, ~0u, true}};
	for (const Case& c : cases)
	{
		device.mouseButtons = c.held;
		context.pressedButtons = c.wheel;
		MouseButton button(context, c.text);
		button.Poll();
		EXPECT_EQ(button.IsDown(), c.down) << c.text;
	}
}
