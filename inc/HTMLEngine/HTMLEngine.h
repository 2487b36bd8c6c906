// HTMLEngine: the library-wide entry points of the HTML engine that the GUI system and the
// loading view use: start-up, the per-frame update and view creation.
#pragma once

class HTMLView;

namespace HTMLEngine
{
	// Starts the engine; resourcePath may be null. True when the engine runs afterwards.
	bool Initialize(const char* resourcePath);
	// Lets every view advance loading, layout, scripts and painting.
	void Update();
	// Ends the engine; every view must have been destroyed before.
	void Destroy();

	// A new view of the given size, owned by the caller until HTMLView::Destroy.
	HTMLView* CreateView(int width, int height, bool transparent, bool enableAsyncRendering);
}
