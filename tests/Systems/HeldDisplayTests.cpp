// The test program holds one connection to its X display from start to exit. An X server that
// resets when its last client leaves (Xvfb does, unless started with -noreset) cannot be opened
// while it resets: without this connection the program would leave the server clientless between
// one test's window and the next, and the next window would fail to open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <cstdlib>
#include <string>

namespace
{
	class HeldDisplay
	{
	public:
		HeldDisplay() : display(std::getenv("DISPLAY") != nullptr ? XOpenDisplay(nullptr) : nullptr) {}
		~HeldDisplay()
		{
			if (display != nullptr)
				XCloseDisplay(display);
		}
		HeldDisplay(const HeldDisplay&) = delete;
		HeldDisplay& operator=(const HeldDisplay&) = delete;

	private:
		Display* display;
	};

	const HeldDisplay heldDisplay;

	// A window closed is a client leaving: the next window finds the display as the last one left
	// it. A display that resets forgets every name a client gave it, and cannot be opened at all
	// while it resets.
	TEST(HeldDisplay, AClientLeavingLeavesTheDisplayAsItWasForTheNext)
	{
		if (std::getenv("DISPLAY") == nullptr)
			GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
		const std::string name = "TW_HELD_DISPLAY_" + std::to_string(getpid());
		Display* leaving = XOpenDisplay(nullptr);
		ASSERT_NE(leaving, nullptr) << "the display could not be opened";
		XInternAtom(leaving, name.c_str(), False);
		XSync(leaving, False);
		XCloseDisplay(leaving);
		Display* next = XOpenDisplay(nullptr);
		ASSERT_NE(next, nullptr) << "the display could not be opened right after a client left it: it was resetting";
		const Atom kept = XInternAtom(next, name.c_str(), True);
		XCloseDisplay(next);
		EXPECT_NE(kept, static_cast<Atom>(None)) << "the display reset when a client left it";
	}
}
