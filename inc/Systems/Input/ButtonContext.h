// The state every button of the Input system shares: the device it reads, the multi-press
// window, whether the pointer is held at the window centre, this frame's wheel steps, and the
// mouse-motion sample that all MouseMove buttons take in turn. The Input system owns one.
#pragma once

#include "Systems/Input/InputDevice.h"

#include <cstdint>

struct MotionSampler
{
	unsigned aliveButtons = 0;
	unsigned pollsInCycle = 0;
	PixelPair lastMotion;
	// The next sample measures what the pointer did before it was captured or freed (where it
	// was left, motion queued under the other reading), not a motion.
	bool dropNextSample = false;

	// Called as the pointer is captured or freed, and at a level change: no sample taken before
	// reaches a button, not even the one a cycle's first button would read next.
	void Restart()
	{
		lastMotion = {};
		dropNextSample = true;
	}
};

struct ButtonContext
{
	static constexpr uint32_t kDefaultPressLag = 150;

	explicit ButtonContext(InputDevice& device) : device(device) {}

	InputDevice& device;
	// A press this many milliseconds or less after the poll that followed a release
	// continues the run of presses.
	uint32_t pressLag = kDefaultPressLag;
	// True while the game runs unpaused: motion is then read against the window centre.
	bool mouseWarp = false;
	// Wheel buttons pressed by this frame's events: bit 3 for button 4, bit 4 for button 5.
	uint32_t wheelMask = 0;
	MotionSampler motion;
};
