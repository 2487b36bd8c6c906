// The Window system: the game's one SDL window and its OpenGL context. It opens the window
// from the "Window" settings, lists the full-screen modes, and changes resolution or
// full-screen mode on "ChangeResolution", announcing the change with "LosingDevice" before and
// "LostDevice" after it. It is the one system kept across level changes.
#pragma once

#include "System.h"
#include "Utilities/Config.h"
#include "Utilities/Tuple.h"

#include <vector>

struct __WindowName
{
	static constexpr const char* name = "Window";
};

class Window : public SystemBase<Window, __WindowName>
{
public:
	Window();

	void LoadConfig(Config& section) override;
	void Initialize() override;
	void Shutdown() override;

	int GetWidth() const { return width; }
	int GetHeight() const { return height; }
	int GetBitsPerPixel() const { return bitsPerPixel; }
	bool IsFullscreen() const { return fullscreen; }
	// The full-screen OpenGL modes SDL offers, in SDL's order.
	const std::vector<Tuple2<int>>& GetModes() const { return modes; }
	// The index of the mode in use among GetModes (width and height both match); -1 when absent.
	int CurrentModeIndex() const { return IndexOfMode(modes, width, height); }
	static int IndexOfMode(const std::vector<Tuple2<int>>& modes, int width, int height);

private:
	void OnChangeResolution(Message::Reader reader);
	// Opens the window at the current size, depth and full-screen choice; false when SDL
	// refuses the mode. On success the size becomes the one actually obtained.
	bool SetVideoMode();
	void SetIcon();
	void ListFullscreenModes();

	// A size of 0 takes the desktop's; the default depth is the desktop's too.
	static constexpr int kDefaultWidth = 0;
	static constexpr int kDefaultHeight = 0;
	static constexpr bool kDefaultFullscreen = true;

	int width = kDefaultWidth;
	int height = kDefaultHeight;
	int bitsPerPixel = 0;
	int defaultBitsPerPixel = 0;
	bool fullscreen = kDefaultFullscreen;
	// The "Window" element of the configuration, which every mode set is written into.
	Config settings;
	std::vector<Tuple2<int>> modes;
};
