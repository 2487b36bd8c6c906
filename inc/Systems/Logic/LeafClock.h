// LeafClock: when a behaviour leaf started something (its run, a phase, a rest) on the Logic
// system's game clock (the time the world has simulated, standing still while the game or the
// editor pauses logic), and how long ago that was. A new clock starts at once,
// so that a leaf updated before its Start measures from its creation rather than from the clock's
// zero.
#pragma once

#include "Systems/Logic/Logic.h"

#include <cstdint>

class LeafClock
{
public:
	LeafClock() : start(Logic::GameMilliseconds()) {}

	void Restart() { start = Logic::GameMilliseconds(); }
	// Unsigned: the count stays right when the millisecond clock wraps.
	std::uint32_t Milliseconds() const { return Logic::GameMilliseconds() - start; }
	float Seconds() const { return static_cast<float>(Milliseconds()) / 1000.0f; }

private:
	std::uint32_t start;
};
