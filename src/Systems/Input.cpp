#include "Systems/Input.h"

#include "Component.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Input/HeadTracking.h"
#include "Systems/Input/MouseMove.h"
#include "Systems/Input/SdlInputDevice.h"
#include "Utilities/Config.h"
#include "Utilities/OperGetterType.h"

#include <SDL/SDL.h>

#include <iostream>
#include <utility>

namespace
{
	struct BuiltInButton
	{
		const char* type;
		const char* name;
		const char* parameter;
	};

	constexpr BuiltInButton kBuiltInButtons[] = {
		{"Key", "D", "D"},
		{"Key", "W", "W"},
		{"Key", "S", "S"},
		{"Key", "A", "A"},
		{"Key", "Space", "Space"},
		{"Key", "Esc", "Esc"},
		{"Mouse", "MOUSEX", "X"},
		{"Mouse", "MOUSEY", "Y"},
		{"MouseButton", "MBTNR", "Right"},
		{"MouseButton", "MBTNL", "Left"},
	};

	struct BuiltInBinding
	{
		const char* recipient;
		const char* condition;
		const char* message;
	};

	constexpr BuiltInBinding kBuiltInBindings[] = {
		{"GUI", "ESC_TRIGGERED", "PauseGame()"},
		{"Player", "MBTNL_RELEASED | MBTNR_RELEASED", "SetLungState(0u)"},
		{"Player", "W_DOWN | S_DOWN", "MoveForward(W_VALUE - S_VALUE)"},
		{"Player", "A_DOWN | D_DOWN", "Strafe(D_VALUE - A_VALUE)"},
		{"Player", "MOUSEX_DOWN", "RotY(MOUSEX_VALUE)"},
		{"Player", "MOUSEY_DOWN", "RotRight(MOUSEY_VALUE)"},
		{"Player", "SPACE_TRIGGERED", "Jump()"},
		{"Player", "MBTNR_TRIGGERED | MBTNR_RELEASED", "SetSucking(MBTNR_DOWN)"},
		{"Player", "MBTNL_PRESSED", "Reflect()"},
		{"Player", "MBTNL_TRIGGERED", "SetLungState(2u)"},
		{"Player", "MBTNR_TRIGGERED", "SetLungState(1u)"},
		{"Player", "MBTNL_TRIGGERED", "ParticleActivate(true)"},
		{"Player", "MBTNL_RELEASED", "ParticleActivate(false)"},
	};

	// Per frame while held: the camera moves a quarter unit, or turns as the player's view does.
	constexpr BuiltInBinding kEditorBindings[] = {
		{"CameraObject", "W_DOWN | S_DOWN | A_DOWN | D_DOWN", "Move(D_VALUE * 0.25f - A_VALUE * 0.25f, 0.0f, S_VALUE * 0.25f - W_VALUE * 0.25f)"},
		{"CameraObject", "MBTNR_DOWN @ MOUSEX_DOWN", "RotY(MOUSEX_VALUE)"},
		{"CameraObject", "MBTNR_DOWN @ MOUSEY_DOWN", "RotRight(MOUSEY_VALUE)"},
	};

	static_assert(std::size(kBuiltInButtons) == Input::kBuiltInButtonCount);
	static_assert(std::size(kBuiltInBindings) == Input::kBuiltInBindingCount);

	template<std::size_t Count>
	void AddBindings(BindingList& list, const BuiltInBinding (&table)[Count])
	{
		for (const BuiltInBinding& binding : table)
			list.AddBinding(binding.recipient, binding.message, binding.condition);
	}

	template<unsigned Presses>
	bool IsNthPress(const Button& button)
	{
		return button.PressCount() == Presses && button.Pressed();
	}
}

Input::Input() : Input(std::make_unique<SdlInputDevice>())
{
}

Input::Input(std::unique_ptr<InputDevice> device)
	: device(std::move(device)), context(*this->device), buttons(context), bindings(parser, variables),
	  editorBindings(parser, variables)
{
}

Input::~Input() = default;

void Input::LoadConfig(Config& section)
{
	const int pressLag = section.GetInt("PressLag", static_cast<int>(context.pressLag));
	if (pressLag < 0)
		std::cerr << "Input: PressLag " << pressLag << " is negative; keeping " << context.pressLag << " ms\n";
	else
		context.pressLag = static_cast<uint32_t>(pressLag);

	// The default names count every "Button" element, skipped ones included.
	unsigned index = 0;
	for (const Config& element : section.GetAll("Button"))
	{
		const std::string defaultName = "BTN" + std::to_string(index);
		if (!buttons.AddButtonFromConfig(element, defaultName))
			std::cerr << "Input: Button element " << index << " has Type \"" << element.GetString("Type", "")
					  << "\", not Key, MouseButton or Mouse; skipped\n";
		++index;
	}
	if (buttons.AllNames().size() < kBuiltInButtonCount)
		AddBuiltInButtons();

	RegisterVariables();

	for (const Config& element : section.GetAll("Binding"))
		bindings.AddBindingFromConfig(element);
	if (bindings.Size() < kBuiltInBindingCount)
		AddBindings(bindings, kBuiltInBindings);
	// The movement keys move the editor camera, and the mouse turns it while the right button is
	// held (the left one clicks the editor's page).
	AddBindings(editorBindings, kEditorBindings);
}

void Input::AddBuiltInButtons()
{
	for (const BuiltInButton& button : kBuiltInButtons)
		buttons.AddButton(button.type, button.name, button.parameter);
}

template<typename T>
void Input::RegisterVariable(const char* suffix, typename MultiButton<T>::Query query, bool useMinimum)
{
	for (const auto& [name, list] : buttons.AllNames())
	{
		std::vector<Button*> members;
		members.reserve(list.size());
		for (const std::unique_ptr<Button>& button : list)
			members.push_back(button.get());
		auto record = std::make_unique<MultiButton<T>>(query, useMinimum, std::move(members));
		auto variable = std::make_unique<OperGetterType<MultiButton<T>, T>>(&MultiButton<T>::Combined, record.get());
		OperatorVariable* entered = variable.get();
		// A name already in the table keeps its first variable.
		if (parser.AddVariable(name + suffix, std::move(variable)))
			variables.insert({name + suffix, entered});
		records.push_back(std::move(record));
	}
}

void Input::RegisterVariables()
{
	variables.clear();
	parser.ClearVariables();
	RegisterVariable<bool>("_DOWN", [](const Button& b) { return b.IsDown(); }, false);
	RegisterVariable<bool>("_UP", [](const Button& b) { return b.IsUp(); }, false);
	RegisterVariable<bool>("_PRESSED", [](const Button& b) { return b.Pressed(); }, false);
	RegisterVariable<bool>("_RELEASED", [](const Button& b) { return b.Released(); }, false);
	RegisterVariable<bool>("_TRIGGERED", [](const Button& b) { return b.Pressed(); }, false);
	RegisterVariable<bool>("_TRIGGER1", &IsNthPress<1>, false);
	RegisterVariable<bool>("_TRIGGER2", &IsNthPress<2>, false);
	RegisterVariable<bool>("_TRIGGER3", &IsNthPress<3>, false);
	RegisterVariable<bool>("_TRIGGER4", &IsNthPress<4>, false);
	RegisterVariable<bool>("_ISDOWN", [](const Button& b) { return b.IsDown(); }, false);
	RegisterVariable<bool>("_ISUP", [](const Button& b) { return b.IsUp(); }, false);
	RegisterVariable<float>("_VALUE", [](const Button& b) { return b.ValueAsFloat(); }, false);
	RegisterVariable<unsigned>("_STATETIME", [](const Button& b) { return b.StateTime(); }, true);
	RegisterVariable<unsigned>("_PRESSNUM", [](const Button& b) { return b.PressCount(); }, false);
	RegisterVariable<std::string>("_DESCRIPTION", [](const Button& b) { return b.Describe(); }, false);
}

void Input::Initialize()
{
	active = true;
	levelEditorActive = false;
	playerKnockedOut = false;
	RegisterHandler("Pause", &Input::OnPause);
	RegisterHandler("LevelEditorActive", &Input::OnLevelEditorActive);
	RegisterHandler("PlayerKnockedOut", &Input::OnPlayerKnockedOut);
	SDL_InitSubSystem(SDL_INIT_JOYSTICK);
	SDL_EnableUNICODE(1);
	FreePointer();
	headTracker = nullptr;
	HeadTracking::Register();
}

void Input::Update()
{
	context.pressedButtons = 0;
	context.pressedKeys.Clear();
	// A press made on the last level's page or on the loading screen waited in the queue while the
	// level loaded; delivered now it would be a click on whatever page of the new level lies there.
	const bool dropButtons = std::exchange(levelStarting, false);
	SDL_Event event;
	while (SDL_PollEvent(&event))
		if (!dropButtons || (event.type != SDL_MOUSEBUTTONDOWN && event.type != SDL_MOUSEBUTTONUP))
			SendEventMessage(event);

	if (active)
		UpdateBindings();
}

void Input::SendEventMessage(const SDL_Event& event)
{
	switch (event.type)
	{
	case SDL_KEYDOWN:
	case SDL_KEYUP:
	{
		if (event.type == SDL_KEYDOWN)
			context.pressedKeys.Press(event.key.keysym.sym);
		Message message(event.type == SDL_KEYDOWN ? "KeyDown" : "KeyUp");
		message.PushInt(event.key.keysym.sym).PushInt(event.key.keysym.scancode).PushInt(event.key.keysym.unicode);
		Engine::SendMessage(message);
		break;
	}
	case SDL_MOUSEBUTTONDOWN:
	case SDL_MOUSEBUTTONUP:
	{
		// SDL reports a wheel step as a press and a release in one batch of events.
		if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button >= 1 && event.button.button <= 32)
			context.pressedButtons |= 1u << (event.button.button - 1);
		Message message(event.type == SDL_MOUSEBUTTONDOWN ? "MouseDown" : "MouseUp");
		message.PushInt(event.button.button).PushInt(event.button.x).PushInt(event.button.y);
		Engine::SendMessage(message);
		break;
	}
	case SDL_MOUSEMOTION:
	{
		Message message("MouseMove");
		message.PushInt(event.motion.x).PushInt(event.motion.y);
		Engine::SendMessage(message);
		break;
	}
	case SDL_QUIT:
		// The window's close button, SIGTERM and SIGINT (SDL turns both signals into this event).
		Engine::SendMessage(Message("Shutdown"));
		if (Engine* engine = Engine::Instance())
			engine->RequestClose();
		break;
	default:
		break;
	}
}

void Input::UpdateBindings()
{
	buttons.PollAll();
	const auto deliver = [](const std::string& recipient, const Message& message)
	{
		const Object target = ObjectFromName(recipient);
		if (target.IsDummy())
			Engine::SendMessage(message);
		else
			target.object->HandleMessage(message);
	};
	bindings.SendHolding([this, &deliver](const std::string& recipient, const Message& message)
	{
		if ((!levelEditorActive && !playerKnockedOut) || recipient != kPlayerName)
			deliver(recipient, message);
	});
	if (levelEditorActive)
		editorBindings.SendHolding(deliver);
	if (headTracker)
		headTracker->Update();
}

void Input::Reload()
{
	FreePointer();
	// Nothing the pointer did before, on a page or in the last level, turns the next level's view.
	context.motion.Restart();
	levelStarting = true;
	playerKnockedOut = false;
	SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
	SDL_InitSubSystem(SDL_INIT_JOYSTICK);
}

void Input::Shutdown()
{
	bindings.Clear();
	editorBindings.Clear();
	buttons.Clear();
	// The variables read the records, so the table goes first.
	variables.clear();
	parser.ClearVariables();
	records.clear();
	SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void Input::FreePointer()
{
	HoldPointer(false);
}

void Input::HoldPointer(bool held)
{
	pointerHeld = held;
	if (held && !levelEditorActive)
		MouseMove::CapturePointer(context);
	else
		MouseMove::FreePointer(context);
	SDL_ShowCursor(context.mouseWarp ? SDL_DISABLE : SDL_ENABLE);
}

void Input::OnPause(Message::Reader reader)
{
	const bool paused = reader.Read<bool>();
	active = !paused;
	HoldPointer(active);
}

void Input::OnPlayerKnockedOut(Message::Reader reader)
{
	playerKnockedOut = reader.Read<bool>();
}

void Input::OnLevelEditorActive(Message::Reader reader)
{
	levelEditorActive = reader.Read<bool>();
	// Clicks in the editor's page need the pointer where the player leaves it; switched off, the
	// pointer is as the game last asked.
	HoldPointer(pointerHeld);
}
