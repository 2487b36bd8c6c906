// HTMLView: one page of the HTML engine rendered into a BGRA pixel canvas. Callers load a page,
// inject input in view pixels, run statements in it, and whenever the view is dirty they lock
// the canvas and copy its dirty rectangle out. HTMLEngine::Update runs the page's timers, lays it
// out and paints it; nothing is painted between updates.
//
// Pixels are straight (not premultiplied) BGRA, as the game's textures blend them. Locking and
// unlocking hands the pixels out and leaves the view clean, whatever the lock's argument.
#pragma once

#include "HTMLEngine/PageSaveLimit.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class HtmlDocument;
class PageLayout;
class PageScript;

class HTMLView
{
public:
	enum MouseButton
	{
		LeftMouseButton = 0,
		MiddleMouseButton = 1,
		RightMouseButton = 2
	};

	struct Rect
	{
		int left;
		int top;
		int width;
		int height;
	};

	// Use HTMLEngine::CreateView. A size of 0 or less gives 1 pixel.
	HTMLView(int width, int height, bool transparent);

	// Loads the page at path (relative style sheets, scripts and images resolve against its
	// folder), runs its scripts and its load event; it is painted at the next update. A file that
	// cannot be read or is refused (outside the game's folders, not a regular file, too large)
	// leaves a blank page and a diagnostic naming it. Asked while the page's own script runs, the
	// load waits for the next update. frameName is unused (no frames).
	void LoadFile(const std::string& path, const char* frameName = nullptr);
	// Only "file:" URLs load; any other scheme gives a blank page and a diagnostic (no network).
	void LoadURL(const std::string& url, const char* frameName = nullptr);
	const std::string& GetLoadedFile() const
	{
		return loadedFile;
	}
	// Runs the statement in the page; errors are reported, never thrown.
	void ExecuteJavascript(const std::string& source, const char* frameName = nullptr);

	// True when the canvas holds pixels that were not handed out since the last unlock.
	bool IsDirty() const
	{
		return dirty;
	}
	// No text selection exists: nothing to do.
	void DeselectAll()
	{
	}
	// Lets the wheel scroll a page taller than the view; a thin bar shows where.
	void SetAllowScollbars(bool allow);

	// Between LockCanvas and UnlockCanvas the pixels and the dirty rectangle stay valid.
	void LockCanvas(bool clearDirty);
	void UnlockCanvas();
	Rect GetDirtyRect() const
	{
		return dirtyRect;
	}
	int GetBytesPerRow() const
	{
		return width * kBytesPerPixel;
	}
	const uint8_t* GetPixels() const
	{
		return pixels.data();
	}
	int GetWidth() const
	{
		return width;
	}
	int GetHeight() const
	{
		return height;
	}
	// Pixels scrolled down (0 at the top).
	int GetScroll() const
	{
		return scrollY;
	}

	// New size in pixels (at least 1x1); the page is laid out again at the next update.
	void Resize(int width, int height);

	// A key: keydown / keyup with the virtual-key code as keyCode, and on a press with a character,
	// keypress with it as charCode. Keys go to the body (no focus).
	void InjectKeyEvent(bool press, int virtualKeyCode, int scanCode, int character, int modifiers);
	// The pointer in view pixels: hover and mousemove.
	void InjectMouseMove(float x, float y);
	// mousedown / mouseup on the element under the pointer, with the button's number; for the left
	// button alone, click when press and release hit the same element.
	void InjectMouseDown(MouseButton button, int clickCount);
	void InjectMouseUp(MouseButton button);
	// Scrolls by -amount pixels (20 a wheel step up), only when scroll bars are allowed.
	void InjectMouseWheel(float amount, float horizontal);

	// Runs due timers, lays out and paints what changed (called by HTMLEngine::Update).
	void Update(std::uint32_t now);
	// Drops the page's scripts (the script runtime is ending); the page stays as painted.
	void DropScripts();

	// Ends the view; the pointer is invalid afterwards (asked from its own page's script, the view
	// goes at the next update).
	void Destroy();

private:
	static constexpr int kBytesPerPixel = 4;
	static constexpr int kScrollBarWidth = 6;

	~HTMLView();
	void StartPage(const std::string& path, const std::string& markup);
	void ClampScroll();
	void Paint();
	// The node under the pointer (page coordinates include the scroll), or null.
	class HtmlNode* NodeUnderPointer() const;
	void DispatchMouse(const char* type, int button);

	int width;
	int height;
	bool transparent;
	bool allowScrollbars = false;
	std::vector<uint8_t> pixels;
	std::string loadedFile;
	std::optional<std::string> pendingPage;
	bool doomed = false;
	bool dirty = false;
	Rect dirtyRect{0, 0, 0, 0};
	bool needsLayout = false;
	bool needsRender = false;
	bool needsPaint = false;
	int scrollY = 0;
	int pointerX = -1;
	int pointerY = -1;
	// Node ids pressed per button, -1 when none.
	long pressed[3] = {-1, -1, -1};

	// Declared before the page's parts, so that it ends after them: it outlives every page loaded.
	PageSaveLimit::Pane saves;
	std::unique_ptr<HtmlDocument> document;
	std::unique_ptr<PageLayout> layout;
	std::unique_ptr<PageScript> script;
};
