// Test helper acting on the X window with a given title, as a user or window manager would:
//   XWindowTool close TITLE     asks it to close (a WM_DELETE_WINDOW client message, as when the
//                               user clicks the close box); SDL turns the request into its quit event.
//   XWindowTool position TITLE  prints its position on the screen and the screen size: "x y w h".
// Of several windows with the title, it acts on the topmost.
// Exit code 0 on success, 1 when no window has the title, 2 on bad usage or no display.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>

namespace
{
	bool HasTitle(Display* display, ::Window window, const char* title)
	{
		char* name = nullptr;
		if (!XFetchName(display, window, &name) || !name)
			return false;
		const bool same = std::strcmp(name, title) == 0;
		XFree(name);
		return same;
	}

	// The window with the title nearest the top, searched depth first from the root; 0 when none. A
	// window made last lies on top: the one of a program that has just ended can linger beneath it
	// until a busy X server notices the program has gone, and a close sent there would be lost.
	::Window FindWindow(Display* display, ::Window window, const char* title)
	{
		if (HasTitle(display, window, title))
			return window;
		::Window root = 0;
		::Window parent = 0;
		::Window* children = nullptr;
		unsigned count = 0;
		::Window found = 0;
		if (XQueryTree(display, window, &root, &parent, &children, &count))
		{
			// Listed bottom to top.
			for (unsigned i = count; i > 0 && !found; --i)
				found = FindWindow(display, children[i - 1], title);
			if (children)
				XFree(children);
		}
		return found;
	}

	void AskToClose(Display* display, ::Window window)
	{
		XEvent event{};
		event.xclient.type = ClientMessage;
		event.xclient.window = window;
		event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
		event.xclient.format = 32;
		event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
		event.xclient.data.l[1] = CurrentTime;
		XSendEvent(display, window, False, NoEventMask, &event);
	}

	void PrintPosition(Display* display, ::Window window)
	{
		const ::Window root = DefaultRootWindow(display);
		XWindowAttributes screen;
		XGetWindowAttributes(display, root, &screen);
		int x = 0;
		int y = 0;
		::Window child = 0;
		XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
		std::printf("%d %d %d %d\n", x, y, screen.width, screen.height);
	}
}

int main(int argc, char** argv)
{
	const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
	const bool position = argc == 3 && std::strcmp(argv[1], "position") == 0;
	if (!close && !position)
	{
		std::fprintf(stderr, "usage: %s close|position WINDOW-TITLE\n", argv[0]);
		return 2;
	}
	Display* display = XOpenDisplay(nullptr);
	if (!display)
	{
		std::fprintf(stderr, "XWindowTool: cannot open the X display\n");
		return 2;
	}
	const ::Window window = FindWindow(display, DefaultRootWindow(display), argv[2]);
	if (window && close)
		AskToClose(display, window);
	else if (window)
		PrintPosition(display, window);
	XCloseDisplay(display);
	return window ? 0 : 1;
}
