#include "Systems/GUI/GUI.h"

#include "Archetype.h"
#include "ComponentFactory.h"
#include "Components/GUI/HTMLPane.h"
#include "Components/GUI/HudObjective.h"
#include "Components/GUI/LevelEditorBrain.h"
#include "Components/GUI/MovementMode.h"
#include "Components/GUI/PlaceAndDeleteMode.h"
#include "Components/GUI/PlayerHud.h"
#include "Components/GUI/ResizeToResolution.h"
#include "Components/GUI/SelectionMode.h"
#include "Components/GUI/VexalHud.h"
#include "Components/Graphics/AxisArrows.h"
#include "Components/Graphics/Camera.h"
#include "Components/Graphics/OrthoPlane.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "Object.h"
#include "Systems/Window.h"
#include "Utilities/Config.h"
#include "Utilities/JavaScript.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace
{
	// SDL 1.2 key symbols to the virtual-key codes the pages' key events carry.
	tw::hash_map<unsigned, unsigned>& KeyMap()
	{
		static tw::hash_map<unsigned, unsigned> keyMap;
		return keyMap;
	}

	void FillKeyMap()
	{
		tw::hash_map<unsigned, unsigned>& keys = KeyMap();
		keys[8] = 0x08;
		keys[9] = 0x09;
		keys[13] = 0x0D;
		// Escape reaches the pages under its own code: while paused no binding fires, and the
		// pause page closes itself on it.
		keys[27] = 0x1B;
		keys[32] = 0x20;
		keys[44] = 0xBC;
		keys[46] = 0xBE;
		// Minus and slash take the keypad codes, as the pages expect.
		keys[45] = 0x6D;
		keys[61] = 0xBB;
		keys[47] = 0x6F;
		for (unsigned digit = 48; digit <= 57; ++digit)
			keys[digit] = digit;
		for (unsigned letter = 'a'; letter <= 'z'; ++letter)
			keys[letter] = letter - 'a' + 0x41;
		keys[273] = 0x26;
		keys[274] = 0x28;
		keys[275] = 0x27;
		keys[276] = 0x25;
		keys[303] = 0xA1;
		keys[304] = 0xA0;
	}

	// The editor's components, updated by the GUI in this order while logic is paused.
	constexpr const char* kEditorComponents[] = {"PlaceAndDeleteMode", "LevelEditorBrain", "SelectionMode", "AxisArrows"};
	constexpr const char* kEditorPauses[] = {"PausePhysics", "PauseParticles", "PauseLogic", "LevelEditorActive"};
	constexpr float kWheelStep = 20.0f;

	// The truncated value, or false when it does not fit an int (or is not a number).
	bool Truncate(double value, int& result)
	{
		if (!(value > static_cast<double>(std::numeric_limits<int>::min()) - 1.0 &&
				value < static_cast<double>(std::numeric_limits<int>::max()) + 1.0))
			return false;
		result = static_cast<int>(value);
		return true;
	}

	int Clamped(std::int64_t value)
	{
		return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
	}

	// The pane's edges (left, top, right, bottom) from its transform, as the display places it.
	bool PaneEdges(const Transform& transform, Tuple4<int>& edges)
	{
		const Tuple3f position = transform.GetWorldPosition();
		const Tuple3f& scale = transform.GetScale();
		int cx = 0, cy = 0, sx = 0, sy = 0;
		if (!Truncate(position.x, cx) || !Truncate(position.y, cy) || !Truncate(scale.x, sx) || !Truncate(scale.y, sy))
			return false;
		const auto edge = [](int centre, int size, double side, int& result) {
			return Truncate(static_cast<float>(centre + size * 0.5 * side), result);
		};
		return edge(cx, sx, -1.0, edges.x) && edge(cy, sy, -1.0, edges.y) && edge(cx, sx, 1.0, edges.z) && edge(cy, sy, 1.0, edges.w);
	}

	// The window point in the ortho box's space, letterboxed as the plane is drawn. False when the
	// box or the window has no area: such a plane shows nothing and is never hit.
	bool ToOrthoSpace(const Tuple4<int>& bounds, Tuple2<int> window, std::int64_t& x, std::int64_t& y)
	{
		const std::int64_t bw = static_cast<std::int64_t>(bounds.z) - bounds.x;
		const std::int64_t bh = static_cast<std::int64_t>(bounds.w) - bounds.y;
		if (bw == 0 || bh == 0 || window.x == 0 || window.y == 0)
			return false;
		const float screenAspect = static_cast<float>(window.x) / static_cast<float>(window.y);
		const float boundsAspect = static_cast<float>(bw) / static_cast<float>(bh);
		std::int64_t offX = 0, offY = 0;
		int letterboxed = 0;
		if (screenAspect > boundsAspect)
		{
			if (!Truncate(window.y * static_cast<double>(boundsAspect), letterboxed))
				return false;
			offX = (window.x - static_cast<std::int64_t>(letterboxed)) / 2;
		}
		else if (boundsAspect > screenAspect)
		{
			if (!Truncate(window.x / static_cast<double>(boundsAspect), letterboxed))
				return false;
			offY = (window.y - static_cast<std::int64_t>(letterboxed)) / 2;
		}
		const std::int64_t spanX = window.x - 2 * offX;
		const std::int64_t spanY = window.y - 2 * offY;
		if (spanX == 0 || spanY == 0)
			return false;
		x = (x - offX) * bw / spanX;
		y = (y - offY) * bh / spanY;
		return true;
	}

	void SendGuiEngineWide(const char* name, bool value)
	{
		Engine::SendMessage(Message(name).PushBool(value));
	}

	void DeliverToFirstNamed(const char* name, const Message& message)
	{
		const Object object = ObjectFromName(name);
		if (!object.IsDummy())
			object.object->HandleMessage(message);
	}

	void SetPlayerHudHidden(bool hidden)
	{
		DeliverToFirstNamed("PlayerHudObj", Message("HiddenHud").PushBool(hidden));
	}

	// A started object of the archetype; the dummy handle when the file gives none.
	Object StartedFromArchetype(const char* fileName)
	{
		const Object made = CreateObjectFromArchetype(fileName);
		if (!made.IsDummy())
			made.object->Start();
		return made;
	}
}

Tuple2<int> GUI::WindowSize()
{
	const Engine* engine = Engine::Instance();
	const Window* window = engine != nullptr ? engine->GetSystem<Window>() : nullptr;
	return window != nullptr ? Tuple2<int>(window->GetWidth(), window->GetHeight()) : Tuple2<int>(0, 0);
}

GUI::GUI()
{
	reloadOnLevelChange = true;
}

void GUI::LoadConfig(Config& section)
{
	StartingLECamPos = Tuple3f(section.GetFloat("StartingLECamPosX", 0.0f), section.GetFloat("StartingLECamPosY", 0.0f),
		section.GetFloat("StartingLECamPosZ", 0.0f));
	StartingLECamDir = Tuple3f(section.GetFloat("StartingLECamDirX", 0.0f), section.GetFloat("StartingLECamDirY", 0.0f),
		section.GetFloat("StartingLECamDirZ", 0.0f));
	StartingLEMode = section.GetInt("StartingLEMode", 0);
}

void GUI::Initialize()
{
	FillKeyMap();
	HTMLEngine::Initialize(nullptr);
	JavaScript::Instance().RegisterWithHTMLEngine();
	LevelEditorBrain::Register();
	HTMLPane::Register();
	SelectionMode::Register();
	PlaceAndDeleteMode::Register();
	MovementMode::Register();
	PlayerHud::Register();
	ResizeToResolution::Register();
	AxisArrows::Register();
	HudObjective::Register();
	VexalHud::Register();
	RegisterHandler("CreateLevelEditor", &GUI::OnCreateLevelEditor);
	RegisterHandler("KeyDown", &GUI::OnKeyDown);
	RegisterHandler("KeyUp", &GUI::OnKeyUp);
	RegisterHandler("MouseDown", &GUI::OnMouseDown);
	RegisterHandler("MouseUp", &GUI::OnMouseUp);
	RegisterHandler("MouseMove", &GUI::OnMouseMove);
	RegisterHandler("PauseGame", &GUI::OnPauseGame);
	RegisterHandler("LevelLoaded", &GUI::OnLevelLoaded);
	RegisterHandler("UnloadingLevel", &GUI::OnUnloadingLevel);
	pauseMenuId = 0;
	editorActive = false;
}

void GUI::Update()
{
	if (editorActive)
		UpdateEditor();
	HTMLEngine::Update();
	for (std::size_t index = 0; index < panes.size(); ++index)
		panes[index]->Update();
}

void GUI::UpdateEditor()
{
	const auto editor = editorObjects.find("LevelEditor");
	if (editor == editorObjects.end())
		return;
	const Object object = ObjectFromId(editor->second);
	if (object.IsDummy())
		return;
	for (const char* componentName : kEditorComponents)
	{
		const unsigned typeId = ComponentTypeIdFromName(componentName);
		if (Component* component = typeId != 0 ? object.object->GetComponent(typeId) : nullptr)
			component->Update();
	}
}

void GUI::Shutdown()
{
	while (!panes.empty())
		panes[0]->Detach();
	HTMLEngine::Destroy();
}

void GUI::Reload()
{
	pauseMenuId = 0;
}

void GUI::AddPane(HTMLPane* pane)
{
	panes.push_back(pane);
}

void GUI::RemovePane(HTMLPane* pane)
{
	for (auto found = panes.begin(); found != panes.end(); ++found)
		if (*found == pane)
		{
			panes.erase(found);
			return;
		}
}

void GUI::AddEditorObject(const std::string& objectName, unsigned objectId)
{
	// Replaced, not kept: after a level change the old id names a dead object, and the new
	// editor would never be updated or removed.
	editorObjects[objectName] = objectId;
	AddInterfaceObject(objectId);
}

void GUI::AddInterfaceObject(unsigned objectId)
{
	if (const Object object = ObjectFromId(objectId); !object.IsDummy())
		object.object->MarkAsInterface();
}

void GUI::ClearEditorObjects()
{
	editorObjects.clear();
}

bool GUI::IsEditorObjectName(const std::string& objectName) const
{
	return editorObjects.find(objectName) != editorObjects.end();
}

HTMLView* GUI::PaneAt(int& x, int& y, unsigned n, Tuple2<int> window) const
{
	unsigned hits = 0;
	for (HTMLPane* pane : panes)
	{
		Composition* object = pane->owner;
		const Transform* transform = object->GetComponent<Transform>();
		Tuple4<int> edges;
		if (transform == nullptr || !PaneEdges(*transform, edges))
			continue;
		std::int64_t px = x, py = y;
		if (const OrthoPlane* plane = object->GetComponent<OrthoPlane>(); plane != nullptr && !ToOrthoSpace(plane->GetBounds(), window, px, py))
			continue;
		if (px < edges.x || px > edges.z || py < edges.y || py > edges.w)
			continue;
		// A pane whose edges coincide covers no pixel to divide by: it is never hit.
		const std::int64_t spanX = static_cast<std::int64_t>(edges.z) - edges.x;
		const std::int64_t spanY = static_cast<std::int64_t>(edges.w) - edges.y;
		if (spanX == 0 || spanY == 0 || pane->GetView() == nullptr || hits++ != n)
			continue;
		x = Clamped((px - edges.x) * pane->GetDimensions().z / spanX);
		y = Clamped((py - edges.y) * pane->GetDimensions().w / spanY);
		return pane->GetView();
	}
	return nullptr;
}

void GUI::InjectKey(Message::Reader& reader, bool press) const
{
	const int symbol = reader.Read<int>();
	const int scanCode = reader.Read<int>();
	const int character = reader.Read<int>();
	const unsigned virtualKey = KeyMap()[static_cast<unsigned>(symbol)];
	for (HTMLPane* pane : panes)
		if (HTMLView* view = pane->GetView())
			view->InjectKeyEvent(press, static_cast<int>(virtualKey), scanCode, character, 0);
}

void GUI::InjectPointer(Message::Reader& reader, PointerEvent event) const
{
	const int button = event == PointerEvent::Move ? 0 : reader.Read<int>();
	const int windowX = reader.Read<int>();
	const int windowY = reader.Read<int>();
	// Gathered first: a page's handler may start or end panes while the event is delivered.
	std::vector<std::pair<HTMLView*, Tuple2<int>>> hits;
	for (unsigned n = 0;; ++n)
	{
		int x = windowX, y = windowY;
		HTMLView* view = PaneAt(x, y, n);
		if (view == nullptr)
			break;
		hits.push_back({view, Tuple2<int>(x, y)});
	}
	for (const auto& [view, point] : hits)
	{
		bool alive = false;
		for (HTMLPane* pane : panes)
			alive = alive || pane->GetView() == view;
		if (!alive)
			continue;
		view->InjectMouseMove(static_cast<float>(point.x), static_cast<float>(point.y));
		if (event == PointerEvent::Down)
		{
			if (button >= 1 && button <= 3)
				view->InjectMouseDown(static_cast<HTMLView::MouseButton>(button - 1), 1);
			else if (button == 4)
				view->InjectMouseWheel(kWheelStep, 0.0f);
			else if (button == 5)
				view->InjectMouseWheel(-kWheelStep, 0.0f);
		}
		else if (event == PointerEvent::Up && button >= 1 && button <= 3)
			view->InjectMouseUp(static_cast<HTMLView::MouseButton>(button - 1));
	}
}

void GUI::OnKeyDown(Message::Reader reader)
{
	InjectKey(reader, true);
}

void GUI::OnKeyUp(Message::Reader reader)
{
	InjectKey(reader, false);
}

void GUI::OnMouseDown(Message::Reader reader)
{
	InjectPointer(reader, PointerEvent::Down);
}

void GUI::OnMouseUp(Message::Reader reader)
{
	InjectPointer(reader, PointerEvent::Up);
}

void GUI::OnMouseMove(Message::Reader reader)
{
	InjectPointer(reader, PointerEvent::Move);
}

void GUI::Toggle(bool isOn, void (GUI::*switchOn)(), void (GUI::*switchOff)())
{
	(this->*(isOn ? switchOff : switchOn))();
}

void GUI::OnCreateLevelEditor(Message::Reader)
{
	Toggle(editorActive, &GUI::SwitchEditorOn, &GUI::SwitchEditorOff);
}

void GUI::SwitchEditorOn()
{
	if (const Object editor = StartedFromArchetype("LevelEditor.xml"); !editor.IsDummy())
		AddEditorObject(editor.object->GetName(), editor.id);
	for (const char* pause : kEditorPauses)
		SendGuiEngineWide(pause, true);
	SetPlayerHudHidden(true);
	editorActive = true;
}

void GUI::SwitchEditorOff()
{
	std::vector<std::string> removed;
	for (const auto& [name, id] : editorObjects)
	{
		if (name == "PlayerHud")
			break;
		removed.push_back(name);
		const Object object = ObjectFromId(id);
		if (object.IsDummy())
			continue;
		if (object.object->GetName() == "CameraObject")
		{
			if (const Transform* transform = object.object->GetComponent<Transform>())
				StartingLECamPos = transform->GetWorldPosition();
			if (const Camera* camera = object.object->GetComponent<Camera>())
				StartingLECamDir = camera->GetDirection();
		}
		object.object->Destroy();
	}
	for (const std::string& name : removed)
		editorObjects.erase(name);
	for (const char* pause : kEditorPauses)
		SendGuiEngineWide(pause, false);
	SetPlayerHudHidden(false);
	editorActive = false;
}

void GUI::OnLevelLoaded(Message::Reader)
{
	if (!editorActive)
		return;
	editorActive = false;
	Engine::SendMessage(Message("CreateLevelEditor"));
}

void GUI::OnUnloadingLevel(Message::Reader)
{
	// The pause menu goes with the level, and so must its pause: nothing in the next level would
	// lift it (its bindings rest while paused, and a level without a player sends no "Pause"(false)).
	// Lifted here, before the systems reload, so that the next level starts with the pointer free.
	// The editor's own pauses are its own to lift. A game that is ending has no next level, and
	// lifting the pause would let its world and its music run on through the last frames.
	const Engine* engine = Engine::Instance();
	if (pauseMenuId == 0 || (engine != nullptr && engine->GetRequestedState() == Engine::kQuit))
		return;
	pauseMenuId = 0;
	SendGuiEngineWide("Pause", false);
}

void GUI::OnPauseGame(Message::Reader)
{
	Toggle(pauseMenuId != 0, &GUI::OpenPauseMenu, &GUI::ClosePauseMenu);
}

void GUI::OpenPauseMenu()
{
	pauseMenuId = StartedFromArchetype("PauseMenu.xml").id;
	AddInterfaceObject(pauseMenuId);
	SendGuiEngineWide("Pause", true);
	DeliverToFirstNamed("WindIndicator", Message("SetVisible").PushBool(false));
	SetPlayerHudHidden(true);
}

void GUI::ClosePauseMenu()
{
	if (const Object menu = ObjectFromId(pauseMenuId); !menu.IsDummy())
		menu.object->Destroy();
	pauseMenuId = 0;
	SendGuiEngineWide("Pause", false);
	SendGuiEngineWide("HiddenHud", false);
	DeliverToFirstNamed("WindIndicator", Message("SetVisible").PushBool(true));
	SetPlayerHudHidden(false);
}
