#include "UserLevels.h"

#include "Engine.h"
#include "HTMLEngine/PageSaveLimit.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <filesystem>
#include <system_error>
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

	// Why the folder cannot take a save; empty when it can, made if it was missing.
	std::string FolderRefusal(const Engine& engine, const std::string& folder)
	{
		std::error_code error;
		if (fs::is_symlink(fs::symlink_status(fs::path(folder).parent_path(), error)))
			return "the folder \"" + folder + "\" is a link, which a save never follows";
		// Where the folder really is, whatever links lead there: a user folder that is, or lies
		// under, a link can be the game's own Data. Looked at before the folder is made in it.
		if (IsInsideFolder(folder, engine.GetDataFolder()))
			return "the folder \"" + folder + "\" lies in the game's data folder \"" + engine.GetDataFolder() + "\", which a save never writes";
		fs::create_directories(folder, error);
		if (error)
			return "the folder \"" + folder + "\" could not be made (" + error.message() + ")";
		return "";
	}

	Outcome WriteUserLevel(Engine& engine, const std::string& levelName)
	{
		const std::string folder = UserLevels::Folder(engine);
		if (std::string refusal = FolderRefusal(engine, folder); !refusal.empty())
			return {Outcome::kRefused, std::move(refusal)};
		if (!engine.SaveLevel(folder + levelName))
			return {Outcome::kRefused, "the level \"" + levelName + "\" could not be written into \"" + folder + "\""};
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
