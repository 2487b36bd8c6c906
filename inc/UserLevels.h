// Where the game saves levels: "Levels/" in the user folder, which the search paths read before the
// game's own Data, so a saved level is the one the game loads next and the game's Data is never
// written. The level editor's save and the pages' "Engine.SaveLevel" both come through here.
#pragma once

#include <string>

class Engine;

namespace UserLevels
{
	// The user folder's "Levels/" folder, ending in "/".
	std::string Folder(const Engine& engine);
	// A name that stays a file of that folder: not empty, no folder part, not "." or "..".
	bool IsPlainName(const std::string& levelName);
	// Saves the running level as that folder's file of the name, creating the folder when needed.
	// Every kind of file is searched for in the user folder before the game's Data, so a save may
	// only replace a level: a name with an extension, or one the search paths find as a file
	// outside the levels' folders, is refused. A page saves at most once a second. False, with one
	// diagnostic naming the requester and the level, when the save is refused or the file could not
	// be written.
	bool Save(Engine& engine, const std::string& levelName, const std::string& requester);
}
