// FrameTimer: measures and paces the frames of the main loop. A frame's start is taken when it
// begins; when it ends early, the rest of its 16 ms is slept (at most 62.5 frames a second, since
// physics and animation take one fixed step per frame), and then its length in seconds, at most
// 1/15 s, is kept: components that animate by time read the length of the last finished frame
// during their update, so a stall never reaches them as a leap. It also keeps the game clock: the
// time the world has lived through, which a frame longer than its step does not outrun.
#pragma once

#include <cstdint>
#include <functional>

class FrameTimer
{
public:
	// The time the timer reads and waits through; tests put a clock of their own in its place.
	struct Clock
	{
		// Milliseconds since a fixed base; wrapping around is allowed.
		std::function<std::uint32_t()> now;
		// Returns after at least that many milliseconds.
		std::function<void(std::uint32_t milliseconds)> sleep;
	};

	static constexpr std::uint32_t kFrameMilliseconds = 16;
	static constexpr double kMaxFrameTime = 1.0 / 15.0;

	// The main loop's timer, over the engine's millisecond clock.
	static FrameTimer& Instance();

	explicit FrameTimer(Clock clock);

	void StartFrame();
	// Sleeps out the rest of a frame that ends early, then takes its length.
	void EndFrame();

	// Seconds; 0 until the first frame has ended.
	double GetFrameTime() const
	{
		return frameTime;
	}

	// Seconds the last finished frame really took, not capped: what the sound mix keeps pace with.
	double GetElapsedTime() const
	{
		return elapsedTime;
	}

	// Milliseconds of game time: the clock's reading less what long frames dropped. Physics takes
	// one fixed step a frame, so a frame stands for at most kFrameMilliseconds of the world's time
	// however long it took; timers on this clock keep pace with what the physics simulated, and a
	// slow machine plays the same game in slow motion. Every update of a frame reads the time of
	// the frame's start, wherever the frame's time went; time between frames counts in full.
	// Gameplay timers read it through Logic::GameMilliseconds, which also stands still while paused.
	std::uint32_t GameMilliseconds() const;

	// Replaces the clock and returns the one it replaced; the drops of the old clock are forgotten.
	Clock SetClock(Clock newClock);

private:
	Clock clock;
	std::uint32_t frameStart = 0;
	// Milliseconds the finished frames ran past their step; the game time at the running frame's start.
	std::uint32_t dropped = 0;
	std::uint32_t gameFrameStart = 0;
	bool inFrame = false;
	double frameTime = 0.0;
	double elapsedTime = 0.0;
};
