// The state every button of the Input system shares: the device it reads, the multi-press
// window, whether the pointer is held at the window centre, the keys and mouse buttons this
// frame's events pressed, and the mouse-motion sample that all MouseMove buttons take in turn.
// The Input system owns one.
#pragma once

#include "Systems/Input/InputDevice.h"

#include <bitset>
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

// The keys (SDL key symbols) pressed by one frame's events; symbols past the last SDL key are
// never pressed.
class PressedKeys
{
public:
	void Press(unsigned symbol)
	{
		if (symbol < kSymbols)
			keys.set(symbol);
	}
	bool Has(unsigned symbol) const { return symbol < kSymbols && keys.test(symbol); }
	void Clear() { keys.reset(); }

private:
	static constexpr unsigned kSymbols = 512;
	std::bitset<kSymbols> keys;
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
	// Mouse buttons (bit n - 1 for button n) and keys (SDL key symbols) pressed by this frame's
	// events. They are down in this frame's polls even if released again before it: a wheel step
	// always is, and so is a click or a tap shorter than a slow frame.
	uint32_t pressedButtons = 0;
	PressedKeys pressedKeys;
	MotionSampler motion;
};
