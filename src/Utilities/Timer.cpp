#include "Utilities/Timer.h"

#include <SDL/SDL.h>

namespace
{
	bool timerStarted = false;
	uint32_t baseTicks = 0;
	ElapsedMillisecondsHook clockHook = nullptr;
}

void SetElapsedMillisecondsHook(ElapsedMillisecondsHook hook)
{
	clockHook = hook;
}

uint32_t GetElapsedMilliseconds()
{
	if (clockHook != nullptr)
		return clockHook();
	if (!timerStarted && SDL_InitSubSystem(SDL_INIT_TIMER) >= 0)
	{
		timerStarted = true;
		baseTicks = SDL_GetTicks();
	}
	return SDL_GetTicks() - baseTicks;
}

uint32_t GetElapsedMillisecondsNoInit()
{
	if (clockHook != nullptr)
		return clockHook();
	return SDL_GetTicks() - baseTicks;
}

void SleepMilliseconds(uint32_t milliseconds)
{
	SDL_Delay(milliseconds);
}
