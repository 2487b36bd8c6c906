// PausableClock: game time that stands still while it is held, read from a running millisecond
// count. The Logic system holds one while it is paused, so that delays and time limits measured
// on it do not run out during a pause.
#pragma once

#include <cstdint>
#include <optional>

class PausableClock
{
public:
	// Held from now until a later SetHeld(false); repeating the same state changes nothing.
	void SetHeld(bool held, std::uint32_t now)
	{
		if (held && !heldSince)
			heldSince = now;
		else if (!held && heldSince)
		{
			stood += now - *heldSince;
			heldSince.reset();
		}
	}

	// The running count less every millisecond the clock was held (unsigned, so it wraps with it).
	std::uint32_t Read(std::uint32_t now) const { return now - stood - (heldSince ? now - *heldSince : 0u); }

private:
	std::uint32_t stood = 0;
	std::optional<std::uint32_t> heldSince;
};
