// The test program holds one connection to its X display from start to exit. An X server that
// resets when its last client leaves (Xvfb does, unless started with -noreset) cannot be opened
// while it resets: without this connection the program would leave the server clientless between
// one test's window and the next, and the next window would fail to open.
#include <X11/Xlib.h>

#include <cstdlib>

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
}
