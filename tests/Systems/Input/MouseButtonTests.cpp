#include "Systems/Input/MouseButton.h"

#include "Systems/Input/FakeInputDevice.h"

#include <gtest/gtest.h>

TEST(MouseButton, NamesAndNumbersSelectTheButton)
{
	FakeInputDevice device;
	ButtonContext context{device};
	struct Case
	{
		const char* text;
		unsigned number;
		const char* description;
	};
	const Case cases[] = {
		{"LEFT", 1, "Left"},
		{"middle", 2, "Middle"},
		{"Right", 3, "Right"},
		{"wheel_up", 4, "Wheel Up"},
		{"WHEEL_DOWN", 5, "Wheel Down"},
		{"6", 6, "6"},
		{"sideways", 0, "0"},
	};
	for (const Case& c : cases)
	{
		MouseButton button(context, c.text);
		EXPECT_EQ(button.Number(), c.number) << c.text;
		EXPECT_EQ(button.Describe(), c.description) << c.text;
	}
}

TEST(MouseButton, HeldButtonIsDown)
{
	FakeInputDevice device;
	ButtonContext context{device};
	MouseButton right(context, "Right");
	MouseButton left(context, "Left");
	device.mouseButtons = 1u << 2;
	right.Poll();
	left.Poll();
	EXPECT_TRUE(right.Pressed());
	EXPECT_FALSE(left.IsDown());
}

TEST(MouseButton, WheelStepIsDownForTheOneFrameOfItsEvents)
{
	FakeInputDevice device;
	ButtonContext context{device};
	MouseButton wheelDown(context, "Wheel_Down");
	context.wheelMask = 1u << 4;
	wheelDown.Poll();
	EXPECT_TRUE(wheelDown.Pressed());
	context.wheelMask = 0;
	wheelDown.Poll();
	EXPECT_TRUE(wheelDown.Released());
}

TEST(MouseButton, NumbersOutsideTheMaskAreNeverDown)
{
	FakeInputDevice device;
	ButtonContext context{device};
	device.mouseButtons = 0xFFFFFFFFu;
	context.wheelMask = 0xFFFFFFFFu;
	for (const char* text : {"0", "33", "4000000000", "sideways"})
	{
		MouseButton button(context, text);
		button.Poll();
		EXPECT_FALSE(button.IsDown()) << text;
	}
	MouseButton highest(context, "32");
	highest.Poll();
	EXPECT_TRUE(highest.IsDown()) << "the wheel mask reaches every bit";
}
