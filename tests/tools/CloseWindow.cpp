// Test helper: asks the X window with the given title to close, as a window manager does when
// the user clicks its close box (a WM_DELETE_WINDOW client message). SDL turns the request into
// its quit event. Exit code 0 when a window was asked, 1 when none has the title.
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

	int AskToClose(Display* display, ::Window window, const char* title)
	{
		int asked = 0;
		if (HasTitle(display, window, title))
		{
			XEvent event{};
			event.xclient.type = ClientMessage;
			event.xclient.window = window;
			event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
			event.xclient.format = 32;
			event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
			event.xclient.data.l[1] = CurrentTime;
			XSendEvent(display, window, False, NoEventMask, &event);
			++asked;
		}
		::Window root = 0;
		::Window parent = 0;
		::Window* children = nullptr;
		unsigned count = 0;
		if (XQueryTree(display, window, &root, &parent, &children, &count))
		{
			for (unsigned i = 0; i < count; ++i)
				asked += AskToClose(display, children[i], title);
			if (children)
				XFree(children);
		}
		return asked;
	}
}

int main(int argc, char** argv)
{
	if (argc != 2)
	{
		std::fprintf(stderr, "usage: %s WINDOW-TITLE\n", argv[0]);
		return 2;
	}
	Display* display = XOpenDisplay(nullptr);
	if (!display)
	{
		std::fprintf(stderr, "CloseWindow: cannot open the X display\n");
		return 2;
	}
	const int asked = AskToClose(display, DefaultRootWindow(display), argv[1]);
	XCloseDisplay(display);
	return asked > 0 ? 0 : 1;
}
