// PageSaveLimit: how often a page may save a level. A page's timers each run once a frame, so a
// page that saved from them would rewrite a level many times a frame. A save asked for while a
// page's script runs is allowed once a second per page; the game's own saves, asked for outside
// any script, are not limited.
#pragma once

#include <cstdint>
#include <string>

namespace PageSaveLimit
{
	constexpr std::uint32_t kIntervalMilliseconds = 1000;

	// True when no page's script runs, or when the running page has not saved within the last
	// interval of the pages' clock: the save is then counted. Otherwise false; the requester's
	// refused saves are reported once per page.
	bool Allow(const std::string& requester);
}
