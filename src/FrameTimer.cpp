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
	static FrameTimer timer({GetElapsedMilliseconds, SleepMilliseconds});
	return timer;
}

FrameTimer::FrameTimer(Clock clock) : clock(std::move(clock))
{
}

void FrameTimer::StartFrame()
{
	frameStart = clock.now();
	gameFrameStart = frameStart - dropped;
	inFrame = true;
}

void FrameTimer::EndFrame()
{
	// Unsigned, so a clock that wrapped around during the frame still gives its length.
	std::uint32_t elapsed = clock.now() - frameStart;
	if (elapsed < kFrameMilliseconds)
	{
		clock.sleep(kFrameMilliseconds - elapsed);
		elapsed = clock.now() - frameStart;
	}
	elapsedTime = elapsed / kMillisecondsPerSecond;
	frameTime = std::min(elapsedTime, kMaxFrameTime);
	if (elapsed > kFrameMilliseconds)
		dropped += elapsed - kFrameMilliseconds;
	inFrame = false;
}

std::uint32_t FrameTimer::GameMilliseconds() const
{
	return inFrame ? gameFrameStart : clock.now() - dropped;
}

FrameTimer::Clock FrameTimer::SetClock(Clock newClock)
{
	dropped = 0;
	inFrame = false;
	return std::exchange(clock, std::move(newClock));
}
