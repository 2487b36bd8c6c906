// LeafClock: when a behaviour leaf started something (its run, a phase, a rest) on the game
// clock (the time the world has simulated), and how long ago that was. A new clock starts at once,
// so that a leaf updated before its Start measures from its creation rather than from the clock's
// zero.
#pragma once

#include "FrameTimer.h"

#include <cstdint>

class LeafClock
{
public:
	LeafClock() : start(FrameTimer::Instance().GameMilliseconds()) {}

	void Restart() { start = FrameTimer::Instance().GameMilliseconds(); }
	// Unsigned: the count stays right when the millisecond clock wraps.
	std::uint32_t Milliseconds() const { return FrameTimer::Instance().GameMilliseconds() - start; }
	float Seconds() const { return static_cast<float>(Milliseconds()) / 1000.0f; }

private:
	std::uint32_t start;
};
