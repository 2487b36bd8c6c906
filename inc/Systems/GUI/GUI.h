// GUI: the HTML interface system. It starts the HTML engine with the script classes, registers the
// interface and editor component types, uploads every started pane's pixels each frame, turns the
// engine's key and mouse messages into input of the panes, and owns two toggles the player reaches
// by message: the pause menu ("PauseGame") and the level editor ("CreateLevelEditor").
#pragma once

#include "System.h"
#include "Utilities/HashMap.h"
#include "Utilities/Tuple.h"
#include "Utilities/UnorderedVector.h"

#include <string>

class HTMLPane;
class HTMLView;

struct __GUIName
{
	static constexpr const char* name = "GUI";
};

class GUI : public SystemBase<GUI, __GUIName>
{
public:
	GUI();

	void LoadConfig(Config& section) override;
	// Fills the key map, starts the HTML engine, hands it the script classes (before any view
	// exists), registers the component types and the handlers.
	void Initialize() override;
	// Runs the editor's components while the editor is on, advances the pages, uploads the panes.
	void Update() override;
	// Detaches every pane, then ends the HTML engine.
	void Shutdown() override;
	// The pause menu died with the level (its pause was lifted as the level unloaded).
	void Reload() override;

	// The Window system's size in pixels; (0, 0) without one.
	static Tuple2<int> WindowSize();

	// Panes join when they start and leave when they detach.
	void AddPane(HTMLPane* pane);
	void RemovePane(HTMLPane* pane);
	const tw::unordered_vector<HTMLPane*>& GetPanes() const { return panes; }

	// The n-th pane (from 0, in list order) under the point of a window of that size; the point
	// becomes the point in that pane's own pixels. Null when fewer panes lie there.
	HTMLView* PaneAt(int& x, int& y, unsigned n, Tuple2<int> window = WindowSize()) const;

	// The objects the level editor made for its own use, by name; they are interface objects too.
	// A name already listed takes the new id.
	void AddEditorObject(const std::string& objectName, unsigned objectId);
	bool IsEditorObjectName(const std::string& objectName) const;
	// Forgets every listed object: switching the editor off leaves them (they stay interface objects).
	void ClearEditorObjects();
	// Marks the object as one the interface made for itself: a saved level never holds it.
	static void AddInterfaceObject(unsigned objectId);

	unsigned GetPauseMenuId() const { return pauseMenuId; }
	bool IsEditorActive() const { return editorActive; }

	// Where the next level editor starts: kept across level loads, written by the editor.
	int StartingLEMode = 0;
	Tuple3f StartingLECamPos;
	Tuple3f StartingLECamDir;

private:
	void OnCreateLevelEditor(Message::Reader reader);
	void OnKeyDown(Message::Reader reader);
	void OnKeyUp(Message::Reader reader);
	void OnMouseDown(Message::Reader reader);
	void OnMouseUp(Message::Reader reader);
	void OnMouseMove(Message::Reader reader);
	void OnPauseGame(Message::Reader reader);
	void OnLevelLoaded(Message::Reader reader);
	void OnUnloadingLevel(Message::Reader reader);

	void InjectKey(Message::Reader& reader, bool press) const;
	// Hands the pointer event to every pane under the point; button 0 is a move.
	enum class PointerEvent
	{
		Move,
		Down,
		Up
	};
	void InjectPointer(Message::Reader& reader, PointerEvent event) const;
	void UpdateEditor();
	// Runs switchOff when the toggle is on, else switchOn: the shape of the editor and pause toggles.
	void Toggle(bool isOn, void (GUI::*switchOn)(), void (GUI::*switchOff)());
	void SwitchEditorOn();
	void SwitchEditorOff();
	void OpenPauseMenu();
	void ClosePauseMenu();

	tw::unordered_vector<HTMLPane*> panes;
	tw::hash_map<std::string, unsigned> editorObjects;
	unsigned pauseMenuId = 0;
	bool editorActive = false;
};
