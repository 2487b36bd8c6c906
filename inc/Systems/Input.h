// The Input system: each frame it turns SDL's keyboard, mouse and quit events into engine-wide
// messages ("KeyDown", "KeyUp", "MouseDown", "MouseUp", "MouseMove", "Shutdown"), and while
// input is active it polls the configured buttons and sends the message of every binding whose
// condition holds, to the object named by the binding or engine-wide. Buttons and bindings come
// from the "Input" settings, completed by a built-in set so an empty configuration is playable.
#pragma once

#include "System.h"
#include "Systems/Input/BindingList.h"
#include "Systems/Input/ButtonContext.h"
#include "Systems/Input/ButtonTable.h"
#include "Systems/Input/MultiButton.h"
#include "Utilities/ParsedMessage.h"

#include <memory>
#include <vector>

class Component;
union SDL_Event;

struct __InputName
{
	static constexpr const char* name = "Input";
};

class Input : public SystemBase<Input, __InputName>
{
public:
	template<typename T>
	using MultiButton = ::MultiButton<T>;

	// Built-in sets, added when the configuration has fewer button names or bindings.
	static constexpr size_t kBuiltInButtonCount = 10;
	static constexpr size_t kBuiltInBindingCount = 13;
	// While the level editor is on, bindings to this object do not act and the pointer is free;
	// while the player is knocked out ("PlayerKnockedOut" true) they do not act, until the level
	// changes or "PlayerKnockedOut" false says the player is back up.
	static constexpr const char* kPlayerName = "Player";

	// Reads the keyboard and mouse through SDL.
	Input();
	// Reads them through the given device (tests script one).
	explicit Input(std::unique_ptr<InputDevice> device);
	~Input() override;

	void LoadConfig(Config& section) override;
	void Initialize() override;
	void Update() override;
	void Shutdown() override;
	// At a level change: the pointer is freed and shown, no motion from before reaches the
	// buttons, no mouse button pressed before the new level's first frame reaches its pages, the
	// bindings reach the new level's player, and the joystick is restarted; buttons, bindings and
	// the active state stay.
	void Reload() override;

	// The head-tracking component driven once per active frame, or null; the component sets
	// and clears it as it starts and detaches.
	void SetHeadTracker(Component* tracker) { headTracker = tracker; }
	Component* GetHeadTracker() const { return headTracker; }

	bool IsActive() const { return active; }
	bool IsLevelEditorActive() const { return levelEditorActive; }
	const ButtonTable& GetButtons() const { return buttons; }
	const BindingList& GetBindings() const { return bindings; }
	// The editor camera's bindings, acting only while the level editor is on.
	const BindingList& GetEditorBindings() const { return editorBindings; }
	const ButtonContext& GetButtonContext() const { return context; }

private:
	// Polls the buttons, sends the message of every binding that holds and drives the head
	// tracker: the part of a frame that runs only while input is active.
	void UpdateBindings();
	void AddBuiltInButtons();
	// Enters the fifteen variables of every button name into the parser's name table.
	void RegisterVariables();
	template<typename T>
	void RegisterVariable(const char* suffix, typename MultiButton<T>::Query query, bool useMinimum);
	void SendEventMessage(const SDL_Event& event);
	// Stops holding the pointer at the window centre and shows it.
	void FreePointer();
	// Holds the pointer at the window centre and hides it, or frees and shows it, as the game
	// asks; while the level editor is on it stays free whatever the game asked, until the editor
	// goes off.
	void HoldPointer(bool held);

	void OnPause(Message::Reader reader);
	void OnLevelEditorActive(Message::Reader reader);
	void OnPlayerKnockedOut(Message::Reader reader);

	std::unique_ptr<InputDevice> device;
	ButtonContext context;
	ParsedMessage parser;
	// The button variables by name, as the parser holds them, for binding conditions.
	Expression::VariableTable variables;
	std::vector<std::unique_ptr<MultiButtonRecord>> records;
	bool active = false;
	ButtonTable buttons;
	BindingList bindings;
	BindingList editorBindings;
	bool levelEditorActive = false;
	// The level's player is knocked out: its controls rest until the level changes or it gets up.
	bool playerKnockedOut = false;
	// What the game last asked of the pointer ("Pause", a level change).
	bool pointerHeld = false;
	// Set at a level change: the next frame drops the mouse buttons queued while the level loaded.
	bool levelStarting = false;
	Component* headTracker = nullptr;
};
