// FrameTimer: measures the frames of the main loop. A frame's start is taken when it begins and
// its length in seconds, at most 1/15 s, when it ends; components that animate by time read the
// length of the last finished frame during their update, so a stall never reaches them as a leap.
#pragma once

#include <cstdint>
#include <functional>

class FrameTimer
{
public:
	// Milliseconds since a fixed base; wrapping around is allowed.
	using Clock = std::function<std::uint32_t()>;

	static constexpr double kMaxFrameTime = 1.0 / 15.0;

	// The main loop's timer, over the engine's millisecond clock.
	static FrameTimer& Instance();

	explicit FrameTimer(Clock clock);

	void StartFrame();
	void EndFrame();

	// Seconds; 0 until the first frame has ended.
	double GetFrameTime() const
	{
		return frameTime;
	}

	// Replaces the clock and returns the one it replaced.
	Clock SetClock(Clock newClock);

private:
	Clock clock;
	std::uint32_t frameStart = 0;
	double frameTime = 0.0;
};
