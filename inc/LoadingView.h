// LoadingView: the loading page shown full screen while a level loads or unloads. The page is
// rendered by the HTML engine into a view of the screen's size; the engine makes one view for each
// load and each unload and draws it between the steps of the work, as a textured full-screen quad.
#pragma once

#include <string>

class HTMLView;

class LoadingView
{
public:
	// A view of the Graphics system's screen size showing the page (empty when there is none).
	explicit LoadingView(const std::string& page);
	~LoadingView();
	LoadingView(const LoadingView&) = delete;
	LoadingView& operator=(const LoadingView&) = delete;

	// Lets the HTML engine advance the page, copies what it painted since the last draw into the
	// texture and shows the page full screen; it presents a frame on every call.
	void Draw();

	const HTMLView& GetView() const
	{
		return *view;
	}
	unsigned GetWidth() const
	{
		return width;
	}
	unsigned GetHeight() const
	{
		return height;
	}
	// The OpenGL texture that receives the page; 0 without a window to draw in.
	unsigned GetTexture() const
	{
		return texture;
	}

private:
	void CopyDirtyRectangle();

	HTMLView* view;
	unsigned texture = 0;
	// The "HUDShader" program.
	unsigned program = 0;
	unsigned width;
	unsigned height;
};

// Draws the engine's loading view, when there is an engine and it has one.
void DrawEngineLoadingView();
