#include "Utilities/Timer.h"

#include <SDL/SDL.h>

namespace
{
	bool timerStarted = false;
	uint32_t baseTicks = 0;
}

uint32_t GetElapsedMilliseconds()
{
	if (!timerStarted && SDL_InitSubSystem(SDL_INIT_TIMER) >= 0)
	{
		timerStarted = true;
		baseTicks = SDL_GetTicks();
	}
	return SDL_GetTicks() - baseTicks;
}

uint32_t GetElapsedMillisecondsNoInit()
{
	return SDL_GetTicks() - baseTicks;
}

void SleepMilliseconds(uint32_t milliseconds)
{
	SDL_Delay(milliseconds);
}
