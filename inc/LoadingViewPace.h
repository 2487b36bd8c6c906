// LoadingViewPace: how often the loading page is redrawn while a level loads. A redraw costs a whole
// frame (the page is copied and presented), so the loading steps ask for one after each piece of
// work and at most one is made every kIntervalMs, about 30 a second; a level with thousands of small
// groups would otherwise spend its loading time presenting frames.
#pragma once

#include <cstdint>

namespace LoadingViewPace
{
	constexpr std::uint32_t kIntervalMs = 33;

	// Draws the engine's loading view when its last draw through here is kIntervalMs or more ago.
	void DrawWhenDue();
	// Draws it now: the first and the last state of a load are always shown.
	void DrawNow();
	// The draws made through here since the program started.
	unsigned DrawCount();
}
