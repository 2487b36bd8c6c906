// Where the game saves levels: "Levels/" in the user folder, which the search paths read before the
// game's own Data, so a saved level is the one the game loads next and the game's Data is never
// written. The level editor's save and the pages' "Engine.SaveLevel" both come through here.
#pragma once

#include <functional>
#include <string>

class Engine;

namespace UserLevels
{
	// What became of a save.
	struct Outcome
	{
		enum Kind
		{
			kSaved,
			// Asked for by a page within a second of its last save: made when the second is over.
			kHeld,
			kRefused,
		};
		Kind kind;
		// Why a refused save was refused.
		std::string reason;
	};
	// Hears what became of a save: at once, and again when a held save is made.
	using Told = std::function<void(const Outcome&)>;

	// The user folder's "Levels/" folder, ending in "/".
	std::string Folder(const Engine& engine);
	// A name that stays a file of that folder: not empty, no folder part, not "." or "..".
	bool IsPlainName(const std::string& levelName);
	// Saves the running level as that folder's file of the name, making the folder in the user folder
	// when needed (the user folder itself is made at start).
	// Every kind of file is searched for in the user folder before the game's Data, so a save may
	// only replace a level: a name with an extension, or one the game's folders hold as a file
	// outside their levels' folders, is refused (the working folder is not looked in, as no level
	// lookup looks there). A link in the place of the folder is refused, and so is a folder that
	// really lies in the game's data folder, whatever links lead there; the file is written through
	// the folder that was checked, whatever its path leads to by then, and a link in the place of the
	// file is replaced by the saved file. A page saves at most once a second (see PageSaveLimit): a
	// save asked for sooner is held. True when the level was saved now; a refused save gives one
	// diagnostic naming the requester and the level.
	bool Save(Engine& engine, const std::string& levelName, const std::string& requester, Told told = {});
	// Makes the saves the pages' limit holds, while the level they save is still whole.
	void MakeHeldSaves();
}
