// LevelEditorBrain: the level editor's core, on the editor object "LevelEditor". It sets up the
// editor's free camera "CameraObject" and its page "LevelEditorHud", owns the editor mode that
// PlaceAndDeleteMode and SelectionMode obey (0 place and delete, 1 select, 2 move), lists the level
// files the editor may save over, and marks every frame the point the centre of the view looks at.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <optional>
#include <string>
#include <vector>

struct __LevelEditorBrainName
{
	static constexpr const char* name = "LevelEditorBrain";
};

class LevelEditorBrain : public ComponentBase<LevelEditorBrain, __LevelEditorBrainName>
{
public:
	// The game's level folders the editor lists, in this order.
	static constexpr const char* kLevelFolders[] = {"Data/Levels/", "Data/Levels/Physics/", "Data/Levels/LevelEditor/", "Data/Levels/Tutorials/"};

	// Takes the mode the GUI system kept from the last editor.
	LevelEditorBrain();

	bool Load(Serializer&) override { return true; }
	bool Serialize(Serializer&) override { return true; }
	// Handlers, camera, page object and level list.
	bool Start() override;
	// The red marker where the view ray meets a body (the world origin on a miss).
	bool Update() override;
	void Detach() override {}

	unsigned GetCurrentMode() const { return CurrentMode_; }
	// Stores any value, and keeps it for the next editor; the page is not told.
	void SetCurrentMode(unsigned mode);
	// The next mode of the three, and the page reloads its mode panel.
	void ChangeMode();
	// Saves the running level under its name into the user folder's levels, which the game reads
	// first; the page's ShowSave(kind, level, reason) hears what became of it ("saved", "held"
	// until the page's save limit lets it through, or "refused" and why), a refusal also stderr.
	void SaveToExtension();
	// The editor's objects are no longer the editor's: switching off leaves them, saving keeps them.
	void EmptyObjectList();
	// Paths as "Data/Levels/Name", the folders in their search order, names sorted within each.
	const std::vector<std::string>& GetLevelList() const { return LevelList; }
	// Fills the level list from the level folders.
	void ListLevels();

	// Has the editor's page run its LoadMode function.
	void RefreshPage() const;

	// The mode of the brain on the editor object; none when the object carries no brain.
	static std::optional<unsigned> ModeOf(Composition& editor);
	// The files of a folder given as "Data/..." under the folder that holds the game's Data.
	static void ListGameFolder(const std::string& folder, std::vector<std::string>& files, bool withFolder);
	// The folder that holds the game's Data folder (the executable's folder), ending in "/".
	static std::string GameFolder();

private:
	void OnSaveLevel(Message::Reader reader);
	void OnChangeMode(Message::Reader reader);
	// The existing "CameraObject", else a new one listed as the editor's; null when none loads.
	Composition* EditorCamera();
	// At the player's eye and view, else where the last editor left its camera.
	void PlaceCamera(Composition& cameraObject);
	void MakePage();
	// Keeps the mode for the next editor.
	void KeepMode() const;

	unsigned CurrentMode_ = 0;
	unsigned HudObjectId_ = 0;
	std::vector<std::string> LevelList;
};
