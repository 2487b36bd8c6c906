#include "LevelNames.h"

#include "Platform/OpenedFile.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <utility>

namespace
{
	// A drive letter counts too: a level file written on Windows may carry one.
	bool IsAbsolute(const std::string& levelName)
	{
		return !levelName.empty() &&
			(levelName.front() == '/' || levelName.front() == '\\' || (levelName.size() > 1 && levelName[1] == ':'));
	}

	// Every part is looked at: "Levels/../../x" climbs as surely as "../x".
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

	LevelNames::OpenedHook& Opened()
	{
		static LevelNames::OpenedHook hook;
		return hook;
	}

	// The level's file as the game's folders find it (null when none holds it), and why the level
	// is refused (empty when it is not).
	struct Examined
	{
		std::unique_ptr<OpenedFile> file;
		std::string refusal;
	};

	Examined Examine(const std::string& levelName)
	{
		if (IsAbsolute(levelName))
			return {nullptr, "it is an absolute path"};
		if (ClimbsOut(levelName))
			return {nullptr, "it climbs out of the game's folders with \"..\""};
		const std::string found = GetSearchPaths().FindInFolders(levelName);
		if (found.empty())
			return {};
		auto file = std::make_unique<OpenedFile>(found);
		if (Opened())
			Opened()();
		// The place the links led to when the file was opened: the file that will be read.
		if (file->IsOpen() && !GetSearchPaths().Holds(file->RealPath()))
			return {nullptr, "it is the file \"" + found + "\", outside the game's folders"};
		return {std::move(file), ""};
	}

	void ReportRefusal(const std::string& levelName, const std::string& refusal)
	{
		tw::Diagnostics::Report("Level \"" + levelName + "\" is refused: " + refusal);
	}
}

namespace LevelNames
{
	std::string Refusal(const std::string& levelName)
	{
		return Examine(levelName).refusal;
	}

	bool MayLoad(const std::string& levelName)
	{
		const std::string refusal = Refusal(levelName);
		if (refusal.empty())
			return true;
		ReportRefusal(levelName, refusal);
		return false;
	}

	std::unique_ptr<OpenedFile> Open(const std::string& levelName)
	{
		Examined examined = Examine(levelName);
		if (!examined.refusal.empty())
			ReportRefusal(levelName, examined.refusal);
		else if (!examined.file)
			tw::Diagnostics::Report("Level \"" + levelName + "\" is not found in the game's folders; the world stays empty");
		return std::move(examined.file);
	}

	void SetOpenedHook(OpenedHook hook)
	{
		Opened() = std::move(hook);
	}
}
