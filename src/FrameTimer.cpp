#include "FrameTimer.h"

#include "Utilities/Timer.h"

#include <algorithm>
#include <utility>

namespace
{
	constexpr double kMillisecondsPerSecond = 1000.0;
}

FrameTimer& FrameTimer::Instance()
{
	static FrameTimer timer(GetElapsedMilliseconds);
	return timer;
}

FrameTimer::FrameTimer(Clock clock) : clock(std::move(clock))
{
}

void FrameTimer::StartFrame()
{
	frameStart = clock();
}

void FrameTimer::EndFrame()
{
	// Unsigned, so a clock that wrapped around during the frame still gives its length.
	const std::uint32_t elapsed = clock() - frameStart;
	frameTime = std::min(elapsed / kMillisecondsPerSecond, kMaxFrameTime);
}

FrameTimer::Clock FrameTimer::SetClock(Clock newClock)
{
	return std::exchange(clock, std::move(newClock));
}
