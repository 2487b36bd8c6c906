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
		void MovePointer(int dx, int dy) { device.pointer = {device.windowSize.x / 2 + dx, device.windowSize.y / 2 + dy}; }
	};
}

TEST_F(MouseMoveButton, ScaleIsClampedAndValueReadsPixelsOverFiveHundred)
{
	context.mouseWarp = true;
	struct Case { float scale; bool invert; int pixels; float expected; };
	const Case cases[] = {{0.99f, false, 50, 0.099f}, {5.0f, false, 50, 0.099f}, {0.5f, false, -100, -0.1f},
		{0.5f, true, 100, -0.1f}, {-1.0f, false, 50, 0.0f}};
	for (const Case& c : cases)
	{
		MouseMove move(context, "x", c.scale, c.invert);
		MovePointer(c.pixels, 0);
		move.Poll();
		EXPECT_NEAR(move.ValueAsFloat(), c.expected, 1e-6) << "scale " << c.scale;
	}
}

TEST_F(MouseMoveButton, ButtonsShareOneSampleAndRecentreOncePerCycle)
{
	context.mouseWarp = true;
	{
		MouseMove none(context, "Z", 0.5f, false);
		MouseMove x(context, "x", 0.5f, false);
		MouseMove y(context, "Y", 0.5f, false);
		EXPECT_EQ(device.pointer.x, 400) << "construction centres the pointer";
		EXPECT_EQ(device.pointer.y, 300);
		EXPECT_EQ(none.Describe() + x.Describe() + y.Describe(), "XY");
		const int warpsAfterConstruction = device.warps;
		const auto pollCycle = [&] { none.Poll(); x.Poll(); y.Poll(); };

		// The last poll of a cycle takes the sample; the others read the previous cycle's.
		MovePointer(100, 40);
		pollCycle();
		EXPECT_EQ(device.positionReads, 1);
		EXPECT_EQ(device.warps, warpsAfterConstruction + 1);
		EXPECT_TRUE(x.IsUp());
		EXPECT_NEAR(y.ValueAsFloat(), 0.04f, 1e-6);

		MovePointer(-50, 0);
		pollCycle();
		EXPECT_EQ(device.positionReads, 2);
		EXPECT_TRUE(none.IsUp()) << "a button without a valid axis reads no motion";
		EXPECT_NEAR(x.ValueAsFloat(), 0.1f, 1e-6);
		EXPECT_TRUE(y.Released());
		EXPECT_EQ(context.motion.aliveButtons, 3u);
	}
	EXPECT_EQ(context.motion.aliveButtons, 0u);
}

TEST_F(MouseMoveButton, PointerIsRecentredOnlyWhileWarpingWithFocus)
{
	MouseMove move(context, "Y", 0.5f, false);
	const int warps = device.warps;
	device.pendingMotion = {0, -25};
	move.Poll();
	EXPECT_NEAR(move.ValueAsFloat(), -0.025f, 1e-6) << "without warping the relative motion is read";
	EXPECT_EQ(device.positionReads, 0);
	move.Poll();
	EXPECT_TRUE(move.Released());

	context.mouseWarp = true;
	device.focused = false;
	MovePointer(0, 30);
	move.Poll();
	EXPECT_TRUE(move.IsDown());
	EXPECT_EQ(device.warps, warps) << "an unfocused window keeps the pointer";
}

// A large jump saturates instead of overflowing the 32-bit value.
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

// While the pointer was held, the warps back to the centre gathered as relative motion.
TEST_F(MouseMoveButton, FreedFromTheCentreTheFirstRelativeReadingIsNoMotion)
{
	MouseMove move(context, "X", 0.5f, false);
	MouseMove::CapturePointer(context);
	move.Poll();
	device.pendingMotion = {-144, 0};
	MouseMove::FreePointer(context);
	move.Poll();
	EXPECT_TRUE(move.IsUp());
	device.pendingMotion = {30, 0};
	move.Poll();
	EXPECT_NEAR(move.ValueAsFloat(), 0.03f, 1e-6);
}
