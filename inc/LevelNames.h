// LevelNames: which level names the game loads, and from which file. Level names come from data
// anyone may write (a level's "nextLevel" and "prevLevel", bindings, pages, the configuration), so
// levels, like pages and sounds, are read only from the data and user folders: a name is looked up
// in those folders alone, never in the folder the game was started from. The engine asks before
// every level change it is requested to make, and again when it loads the level.
#pragma once

#include <functional>
#include <memory>
#include <string>

class OpenedFile;

namespace LevelNames
{
	// Why the level of that name is not loaded, or empty when it is: an absolute path, a name that
	// climbs with "..", or one the game's folders lead to a file outside them (through a link).
	std::string Refusal(const std::string& levelName);
	// True when the level may be loaded; otherwise false with a diagnostic naming it.
	bool MayLoad(const std::string& levelName);
	// The level's file, found through the game's folders and opened once, so that what is read is
	// what was checked. Null, with a diagnostic naming the level, when it is refused or not found.
	std::unique_ptr<OpenedFile> Open(const std::string& levelName);

	// Tests change the files between a level file's opening and its check, as another program
	// could: while one is set, it runs right after each level file is opened. Null for none.
	using OpenedHook = std::function<void()>;
	void SetOpenedHook(OpenedHook hook);
}
