#include "LevelNames.h"

#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <filesystem>
#include <system_error>

namespace
{
	// A drive letter counts too: a level file written on Windows may carry one.
	bool IsAbsolute(const std::string& levelName)
	{
		return !levelName.empty() &&
			(levelName.front() == '/' || levelName.front() == '\\' || (levelName.size() > 1 && levelName[1] == ':'));
	}

	bool ClimbsOut(const std::string& levelName)
	{
		for (std::size_t start = 0;;)
		{
			const std::size_t end = levelName.find_first_of("/\\", start);
			if (levelName.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") == 0)
				return true;
			if (end == std::string::npos)
				return false;
			start = end + 1;
		}
	}
}

namespace LevelNames
{
	std::string Refusal(const std::string& levelName)
	{
		if (IsAbsolute(levelName))
			return "it is an absolute path";
		if (ClimbsOut(levelName))
			return "it climbs out of the game's folders with \"..\"";
		const std::string found = FindFile(levelName);
		std::error_code error;
		if (std::filesystem::is_regular_file(found, error) && !GetSearchPaths().Holds(found))
			return "it is the file \"" + found + "\", outside the game's folders";
		return "";
	}

	bool MayLoad(const std::string& levelName)
	{
		const std::string refusal = Refusal(levelName);
		if (refusal.empty())
			return true;
		tw::Diagnostics::Report("Level \"" + levelName + "\" is refused: " + refusal);
		return false;
	}
}
