// LevelNames: which level names the game loads. Level names come from data anyone may write (a
// level's "nextLevel" and "prevLevel", bindings, pages, the configuration), so levels, like pages
// and sounds, are read only from the data and user folders. The engine asks before every level
// change it is requested to make.
#pragma once

#include <string>

namespace LevelNames
{
	// Why the level of that name is not loaded, or empty when it is: an absolute path, a name that
	// climbs out with "..", or one the search paths find as a file outside the game's folders.
	std::string Refusal(const std::string& levelName);
	// True when the level may be loaded; otherwise false with a diagnostic naming it.
	bool MayLoad(const std::string& levelName);
}
