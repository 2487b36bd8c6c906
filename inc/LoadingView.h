// LoadingView: the loading page shown full screen while a level loads or unloads. The page is
// rendered by the HTML engine into a view of the screen's size; the engine makes one view for each
// load and each unload and draws it between the steps of the work.
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

	// Lets the HTML engine advance the page and takes what it painted since the last draw.
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

private:
	HTMLView* view;
	unsigned width;
	unsigned height;
};

// Draws the engine's loading view, when there is an engine and it has one.
void DrawEngineLoadingView();
