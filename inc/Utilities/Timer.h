// The engine's millisecond clock, measured from the first call of GetElapsedMilliseconds.
#pragma once

#include <cstdint>

// Starts the SDL timer on the first call (and after a failed start); milliseconds since then.
uint32_t GetElapsedMilliseconds();

// Milliseconds since the clock started, without starting it (the raw tick count before).
uint32_t GetElapsedMillisecondsNoInit();

// Returns after at least that many milliseconds.
void SleepMilliseconds(uint32_t milliseconds);
