#include "UserLevels.h"

#include "Engine.h"
#include "HTMLEngine/PageSaveLimit.h"
#include "Platform/OpenedFolder.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <filesystem>
#include <optional>
#include <utility>

namespace
{
	namespace fs = std::filesystem;
	using UserLevels::Outcome;

	bool IsLevelFile(const Engine& engine, const std::string& path)
	{
		return IsInsideFolder(path, UserLevels::Folder(engine)) || IsInsideFolder(path, engine.GetDataFolder() + "Levels/");
	}

	// Why a level may not be saved under the name; empty when it may.
	std::string NameRefusal(const Engine& engine, const std::string& levelName)
	{
		const std::string named = "the level name \"" + levelName + "\" ";
		if (!UserLevels::IsPlainName(levelName))
			return named + "is not a plain file name (no folders, no \"..\")";
		if (fs::path(levelName).has_extension())
			return named + "has an extension, which no level has: the saved file would stand before the game's file of that name";
		// As the game looks levels up: in its folders alone, whatever the working folder holds.
		const std::string found = GetSearchPaths().FindInFolders(levelName);
		if (!found.empty() && !IsLevelFile(engine, found))
			return named + "is the game's file \"" + found + "\", not a level";
		return "";
	}

	// Why a save may not be written into the folder as it was opened; empty when it may. Judged by
	// the folder the system opened, not by its path: a link swapped in after the check is not
	// written through.
	std::string PlaceRefusal(const Engine& engine, const OpenedFolder& folder, const std::string& levelsFolder)
	{
		if (folder.IsLink())
			return "the folder \"" + folder.Path() + "\" is a link, which a save never follows";
		// A missing user folder, or a file in the place of either, leaves the levels' folder unmade.
		if (!folder.IsOpen())
			return "the folder \"" + levelsFolder + "\" could not be made (" + folder.Error() + ")";
		// Where the folder really is, whatever links lead there: a user folder that is, or lies
		// under, a link can be the game's own Data, and any of Data's folders.
		std::string failure;
		const std::optional<bool> inData = folder.LiesIn(engine.GetDataFolder(), failure);
		if (!inData)
			return "where the folder \"" + folder.Path() + "\" lies cannot be told (" + failure + "), so it may be the game's data folder";
		if (*inData)
			return "the folder \"" + levelsFolder + "\" lies in the game's data folder \"" + engine.GetDataFolder() + "\", which a save never writes";
		return "";
	}

	Outcome WriteUserLevel(Engine& engine, const std::string& levelName)
	{
		const std::string levelsFolder = UserLevels::Folder(engine);
		// Checked before its levels' folder is made in it.
		const OpenedFolder user(engine.GetUserFolder());
		if (std::string refusal = PlaceRefusal(engine, user, levelsFolder); !refusal.empty())
			return {Outcome::kRefused, std::move(refusal)};
		const OpenedFolder levels(user, "Levels");
		if (std::string refusal = PlaceRefusal(engine, levels, levelsFolder); !refusal.empty())
			return {Outcome::kRefused, std::move(refusal)};
		if (!engine.SaveLevel(levels, levelName))
			return {Outcome::kRefused, "the level \"" + levelName + "\" could not be written into \"" + levelsFolder + "\""};
		return {Outcome::kSaved, ""};
	}

	Outcome Refuse(const std::string& requester, std::string reason)
	{
		tw::Diagnostics::Report(requester + ": " + reason + "; nothing was saved");
		return {Outcome::kRefused, std::move(reason)};
	}

	void Tell(const UserLevels::Told& told, const Outcome& outcome)
	{
		if (told)
			told(outcome);
	}

	bool MakeSave(Engine& engine, const std::string& levelName, const std::string& requester, const UserLevels::Told& told)
	{
		Outcome outcome = WriteUserLevel(engine, levelName);
		if (outcome.kind == Outcome::kRefused)
			outcome = Refuse(requester, std::move(outcome.reason));
		Tell(told, outcome);
		return outcome.kind == Outcome::kSaved;
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

	bool Save(Engine& engine, const std::string& levelName, const std::string& requester, Told told)
	{
		if (std::string refusal = NameRefusal(engine, levelName); !refusal.empty())
		{
			Tell(told, Refuse(requester, std::move(refusal)));
			return false;
		}
		PageSaveLimit::Pane* pane = PageSaveLimit::RequestingPane();
		if (pane == nullptr || pane->TakeTurn(PageSaveLimit::Now()))
			return MakeSave(engine, levelName, requester, told);
		pane->Hold([levelName, requester, told] {
			// Made later, when the engine may be another one, or none.
			if (Engine* current = Engine::Instance())
				MakeSave(*current, levelName, requester, told);
		});
		Tell(told, {Outcome::kHeld, ""});
		return false;
	}

	void MakeHeldSaves()
	{
		PageSaveLimit::MakeAllHeld();
	}
}
