#include "UserLevels.h"

#include "Engine.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"
#include "HTMLEngine/PageSaveLimit.h"

#include <filesystem>
#include <iostream>
#include <system_error>

namespace
{
	bool IsLevelFile(const Engine& engine, const std::string& path)
	{
		return IsInsideFolder(path, UserLevels::Folder(engine)) || IsInsideFolder(path, engine.GetDataFolder() + "Levels/");
	}

	// Why a level may not be saved under the name; empty when it may.
	std::string SaveRefusal(const Engine& engine, const std::string& levelName)
	{
		if (!UserLevels::IsPlainName(levelName))
			return "is not a plain file name (no folders, no \"..\")";
		if (std::filesystem::path(levelName).has_extension())
			return "has an extension, which no level has: the saved file would stand before the game's file of that name";
		const std::string found = FindFile(levelName);
		std::error_code error;
		if (std::filesystem::is_regular_file(found, error) && !IsLevelFile(engine, found))
			return "is the game's file \"" + found + "\", not a level";
		return "";
	}
}

namespace UserLevels
{
	std::string Folder(const Engine& engine)
	{
		return engine.GetUserFolder() + "Levels/";
	}

	bool IsPlainName(const std::string& levelName)
	{
		return !levelName.empty() && levelName != "." && levelName != ".."
			&& levelName.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
	}

	bool Save(Engine& engine, const std::string& levelName, const std::string& requester)
	{
		if (const std::string refusal = SaveRefusal(engine, levelName); !refusal.empty())
		{
			tw::Diagnostics::Report(requester + ": the level name \"" + levelName + "\" " + refusal + "; nothing was saved");
			return false;
		}
		if (!PageSaveLimit::Allow(requester))
			return false;
		const std::string folder = Folder(engine);
		std::error_code error;
		std::filesystem::create_directories(folder, error);
		if (error)
		{
			std::cerr << requester << ": the folder \"" << folder << "\" could not be made (" << error.message()
					  << "); the level \"" << levelName << "\" was not saved\n";
			return false;
		}
		if (!engine.SaveLevel(folder + levelName))
		{
			std::cerr << requester << ": the level \"" << levelName << "\" could not be saved into \"" << folder
					  << "\"\n";
			return false;
		}
		return true;
	}
}
