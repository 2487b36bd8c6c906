#include "Systems/Input/MouseMove.h"

#include "Systems/Input/FakeInputDevice.h"

#include <gtest/gtest.h>

namespace
{
	class MouseMoveButton : public ::testing::Test
	{
	protected:
		FakeInputDevice device;
		ButtonContext context{device};

		// Puts the pointer this far right of and below the window centre.
		void MovePointer(int dx, int dy)
		{
			device.pointer = {device.windowSize.x / 2 + dx, device.windowSize.y / 2 + dy};
		}
	};
}

TEST_F(MouseMoveButton, ScaleIsClampedAndValueReadsPixelsOverFiveHundred)
{
	context.mouseWarp = true;
	struct Case
	{
		float scale;
		bool invert;
		int pixels;
		float expected;
	};
	const Case cases[] = {
		{0.99f, false, 50, 0.099f},
		{5.0f, false, 50, 0.099f},
		{0.5f, false, -100, -0.1f},
		{0.5f, true, 100, -0.1f},
		{-1.0f, false, 50, 0.0f},
	};
	for (const Case& c : cases)
	{
		MouseMove move(context, "x", c.scale, c.invert);
		MovePointer(c.pixels, 0);
		move.Poll();
		EXPECT_NEAR(move.ValueAsFloat(), c.expected, 1e-6) << "scale " << c.scale;
	}
}

TEST_F(MouseMoveButton, AxesReadTheirOwnComponent)
{
	context.mouseWarp = true;
	MouseMove x(context, "X", 0.5f, false);
	MouseMove y(context, "y", 0.5f, false);
	MouseMove none(context, "Z", 0.5f, false);
	MovePointer(0, 40);
	// The third poll of a cycle takes the sample the next cycle's polls read.
	for (int cycle = 0; cycle < 2; ++cycle)
		for (Button* button : {static_cast<Button*>(&x), static_cast<Button*>(&y), static_cast<Button*>(&none)})
			button->Poll();
	EXPECT_TRUE(x.IsUp());
	EXPECT_TRUE(y.IsDown());
	EXPECT_TRUE(none.IsUp());
	EXPECT_EQ(x.Describe(), "X");
	EXPECT_EQ(y.Describe(), "Y");
	EXPECT_EQ(none.Describe(), "");
}

TEST_F(MouseMoveButton, ButtonsShareOneSampleAndRecentreOncePerCycle)
{
	context.mouseWarp = true;
	MouseMove first(context, "X", 0.5f, false);
	MouseMove second(context, "X", 0.5f, false);
	const int warpsAfterConstruction = device.warps;

	MovePointer(100, 0);
	first.Poll();
	second.Poll();
	EXPECT_EQ(device.positionReads, 1);
	EXPECT_EQ(device.warps, warpsAfterConstruction + 1);
	EXPECT_TRUE(first.IsUp()) << "the first of a cycle reads the previous cycle's sample";
	EXPECT_NEAR(second.ValueAsFloat(), 0.1f, 1e-6);

	MovePointer(-50, 0);
	first.Poll();
	second.Poll();
	EXPECT_EQ(device.positionReads, 2);
	EXPECT_NEAR(first.ValueAsFloat(), 0.1f, 1e-6);
	EXPECT_NEAR(second.ValueAsFloat(), -0.05f, 1e-6);
}

TEST_F(MouseMoveButton, UnfocusedWindowKeepsThePointer)
{
	context.mouseWarp = true;
	MouseMove move(context, "X", 0.5f, false);
	device.focused = false;
	MovePointer(30, 0);
	const int warps = device.warps;
	move.Poll();
	EXPECT_EQ(device.warps, warps);
	EXPECT_TRUE(move.IsDown());
}

TEST_F(MouseMoveButton, WithoutWarpRelativeMotionIsRead)
{
	MouseMove move(context, "Y", 0.5f, false);
	device.pendingMotion = {0, -25};
	move.Poll();
	EXPECT_NEAR(move.ValueAsFloat(), -0.025f, 1e-6);
	EXPECT_EQ(device.positionReads, 0);
	move.Poll();
	EXPECT_TRUE(move.Released());
}

TEST_F(MouseMoveButton, HugeMotionSaturates)
{
	context.mouseWarp = true;
	MouseMove move(context, "X", 0.99f, false);
	MouseMove inverted(context, "X", 0.99f, true);
	MovePointer(100000, 0);
	move.Poll();
	inverted.Poll();
	move.Poll();
	EXPECT_EQ(move.GetValue(), 2147483647);
	EXPECT_EQ(inverted.GetValue(), -2147483647);
}

TEST_F(MouseMoveButton, ConstructionWarpsToTheCentreAndCountsLiveButtons)
{
	{
		MouseMove move(context, "X", 1.0f, false);
		EXPECT_EQ(device.pointer.x, 400);
		EXPECT_EQ(device.pointer.y, 300);
		EXPECT_EQ(context.motion.aliveButtons, 1u);
	}
	EXPECT_EQ(context.motion.aliveButtons, 0u);
}
