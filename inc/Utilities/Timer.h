// The engine's millisecond clock, measured from the first call of GetElapsedMilliseconds.
#pragma once

#include <cstdint>

// Starts the SDL timer on the first call (and after a failed start); milliseconds since then.
uint32_t GetElapsedMilliseconds();

// Milliseconds since the clock started, without starting it (the raw tick count before).
uint32_t GetElapsedMillisecondsNoInit();

// Tests drive game time with a clock of their own: while one is set, both getters above return
// its reading. Null gives the SDL clock back.
using ElapsedMillisecondsHook = uint32_t (*)();
void SetElapsedMillisecondsHook(ElapsedMillisecondsHook hook);

// Returns after at least that many milliseconds.
void SleepMilliseconds(uint32_t milliseconds);
