// HTMLView: one page of the HTML engine rendered into a BGRA pixel canvas. Callers load a page,
// and whenever the view is dirty they lock the canvas and copy its dirty rectangle out.
// This layer does not lay out or paint HTML yet: a loaded page shows as a transparent canvas.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HTMLView
{
public:
	struct Rect
	{
		int left;
		int top;
		int width;
		int height;
	};

	// The canvas starts fully transparent (BGRA all zero), transparent or not.
	HTMLView(int width, int height);

	// Starts showing the page at path; frameName names a frame of the page (unused: no frames).
	void LoadFile(const std::string& path, const char* frameName = nullptr);
	const std::string& GetLoadedFile() const { return loadedFile; }

	// True when the canvas holds pixels that were not copied out since the last lock.
	bool IsDirty() const { return dirty; }

	// Between LockCanvas and UnlockCanvas the pixels and the dirty rectangle stay valid.
	// Locking with clearDirty set marks the canvas clean.
	void LockCanvas(bool clearDirty);
	void UnlockCanvas();
	Rect GetDirtyRect() const { return dirtyRect; }
	int GetBytesPerRow() const { return width * kBytesPerPixel; }
	const uint8_t* GetPixels() const { return pixels.data(); }

	// Ends the view; the pointer is invalid afterwards.
	void Destroy();

private:
	static constexpr int kBytesPerPixel = 4;

	void MarkAllDirty();

	int width;
	int height;
	std::vector<uint8_t> pixels;
	std::string loadedFile;
	bool dirty = false;
	Rect dirtyRect{0, 0, 0, 0};
};
