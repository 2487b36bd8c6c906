#include "UserLevels.h"

#include "Engine.h"

#include <filesystem>
#include <iostream>
#include <system_error>

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
		if (!IsPlainName(levelName))
		{
			std::cerr << requester << ": the level name \"" << levelName
					  << "\" is not a plain file name (no folders, no \"..\"); nothing was saved\n";
			return false;
		}
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
