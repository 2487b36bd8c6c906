#include "Components/GUI/LevelEditorBrain.h"

#include "Archetype.h"
#include "Components/Graphics/Camera.h"
#include "Components/Logic/CameraAim.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Platform/FolderListing.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/Physics.h"
#include "UserLevels.h"
#include "Utilities/v8/JSObject.h"
#include "Utilities/v8/ScriptLiteral.h"
#include "Utilities/v8/ScriptTuples.h"

#include <cmath>
#include <filesystem>
#include <iostream>

namespace
{
	[[maybe_unused]] const bool levelEditorBrainScriptClassRegistered = [] {
		JSObject<LevelEditorBrain>::Bind("LevelEditorBrain", 0)
			.AddAccessor("CurrentMode_", &LevelEditorBrain::GetCurrentMode, &LevelEditorBrain::SetCurrentMode)
			.AddGetter("LevelList", &LevelEditorBrain::GetLevelList)
			.AddFunction("ChangeMode", &LevelEditorBrain::SetCurrentMode)
			.AddFunction("EmptyObjectList", &LevelEditorBrain::EmptyObjectList)
			.AddFunction("SaveToExtension", &LevelEditorBrain::SaveToExtension);
		return true;
	}();

	constexpr const char* kCameraArchetype = "CameraObject.xml";
	constexpr const char* kPageArchetype = "LevelEditorHud.xml";
	constexpr const char* kCameraName = "CameraObject";

	// The page's ShowSave call for what became of a save of the level.
	std::string SaveStatement(const UserLevels::Outcome& outcome, const std::string& level)
	{
		static constexpr const char* kKinds[] = {"saved", "held", "refused"};
		return std::string("ShowSave(\"") + kKinds[outcome.kind] + "\", " + ScriptStringLiteral(level) + ", " +
			ScriptStringLiteral(outcome.reason) + "); void(0);";
	}

	GUI* FindGui()
	{
		const Engine* engine = Engine::Instance();
		return engine != nullptr ? engine->GetSystem<GUI>() : nullptr;
	}

	bool IsUsableDirection(const Tuple3f& direction)
	{
		return IsFinite(direction) && direction.LengthSquared() > 0.0f;
	}

	// The configuration's default direction is zero, which normalises to FLT_MAX components: the
	// editor then looks down -z, as a fresh camera does.
	Tuple3f UsableDirection(const Tuple3f& direction)
	{
		return IsUsableDirection(direction) ? direction : Tuple3f(0.0f, 0.0f, -1.0f);
	}
}

LevelEditorBrain::LevelEditorBrain()
{
	if (const GUI* gui = FindGui())
		CurrentMode_ = static_cast<unsigned>(gui->StartingLEMode);
}

bool LevelEditorBrain::Start()
{
	owner->RegisterHandler("SaveLevel", &LevelEditorBrain::OnSaveLevel);
	owner->RegisterHandler("ChangeMode", &LevelEditorBrain::OnChangeMode);
	if (Composition* camera = EditorCamera())
		PlaceCamera(*camera);
	// The page fills its lists as it loads, inside MakePage.
	ListLevels();
	MakePage();
	return true;
}

Composition* LevelEditorBrain::EditorCamera()
{
	if (const Object existing = ObjectFromName(kCameraName); !existing.IsDummy())
		return existing.object;
	const Object made = CreateObjectFromArchetype(kCameraArchetype);
	// The dummy object answers with the Camera prototype, which every later camera copies.
	if (made.IsDummy())
	{
		std::cerr << "LevelEditorBrain: the archetype \"" << kCameraArchetype << "\" did not load; the editor has no camera of its own\n";
		return nullptr;
	}
	made.object->Start();
	if (GUI* gui = FindGui())
		gui->AddEditorObject(made.object->GetName(), made.id);
	return made.object;
}

void LevelEditorBrain::PlaceCamera(Composition& cameraObject)
{
	Camera* camera = cameraObject.GetComponent<Camera>();
	if (camera == nullptr)
	{
		std::cerr << "LevelEditorBrain: the editor camera \"" << cameraObject.GetName() << "\" has no Camera; it is left as it is\n";
		return;
	}
	const GUI* gui = FindGui();
	Tuple3f position = gui != nullptr ? gui->StartingLECamPos : Tuple3f();
	Tuple3f direction = gui != nullptr ? gui->StartingLECamDir : Tuple3f();
	if (const Object player = ObjectFromName("Player"); !player.IsDummy())
	{
		if (const Transform* transform = player.object->GetComponent<Transform>())
			position = transform->GetWorldPosition();
		if (const Camera* playerCamera = player.object->GetComponent<Camera>())
			direction = playerCamera->GetDirection();
	}
	cameraObject.HandleMessage(Message("SetPos").Push(position));

	direction = UsableDirection(direction);
	Tuple3f right(-direction.z, 0.0f, direction.x);
	// Straight up or down has no level right: the world x axis stands in.
	if (right.LengthSquared() == 0.0f)
		right = Tuple3f(1.0f, 0.0f, 0.0f);
	Tuple3f up;
	up.CrossProduct(right, direction);
	camera->SetDirection(direction.Normalize());
	camera->SetUp(up.Normalize());
	camera->SetRight(right.Normalize());
}

void LevelEditorBrain::MakePage()
{
	const Object page = CreateObjectFromArchetype(kPageArchetype);
	HudObjectId_ = page.id;
	if (page.IsDummy())
	{
		std::cerr << "LevelEditorBrain: the archetype \"" << kPageArchetype << "\" did not load; the editor has no page\n";
		return;
	}
	page.object->Start();
	if (GUI* gui = FindGui())
		gui->AddEditorObject(page.object->GetName(), page.id);
}

void LevelEditorBrain::ListLevels()
{
	for (const char* folder : kLevelFolders)
		ListGameFolder(folder, LevelList, true);
}

bool LevelEditorBrain::Update()
{
	const std::optional<CameraAim> aim = CameraAim::Active();
	Graphics* graphics = Graphics::Find();
	if (!aim || graphics == nullptr)
		return true;
	Tuple3f hitPoint;
	Physics::RayCast(aim->eye, aim->direction, nullptr, &hitPoint);
	graphics->DrawSphere(hitPoint, Tuple3f(0.1f, 0.1f, 0.1f), Tuple3f(), 10, 10, Tuple4f(1.0f, 0.0f, 0.0f, 1.0f));
	return true;
}

void LevelEditorBrain::SetCurrentMode(unsigned mode)
{
	CurrentMode_ = mode;
	KeepMode();
}

void LevelEditorBrain::ChangeMode()
{
	CurrentMode_ = (CurrentMode_ + 1) % 3;
	KeepMode();
	RefreshPage();
}

void LevelEditorBrain::KeepMode() const
{
	if (GUI* gui = FindGui())
		gui->StartingLEMode = static_cast<int>(CurrentMode_);
}

void LevelEditorBrain::RefreshPage() const
{
	ObjectFromId(HudObjectId_).SendMessage(Message("CallJSFunction").PushString("LoadMode(); void(0);"));
}

void LevelEditorBrain::SaveToExtension()
{
	Engine* engine = Engine::Instance();
	if (engine == nullptr)
		return;
	// Into the user folder, which the game reads first: a save into the game's Data would be
	// hidden by a user copy of the level, and in a build tree would rewrite the shipped files.
	const std::string level = engine->GetCurrentLevel();
	// By id: a held save is told when this brain may be gone.
	const unsigned page = HudObjectId_;
	UserLevels::Save(*engine, level, "LevelEditorBrain", [page, level](const UserLevels::Outcome& outcome) {
		ObjectFromId(page).SendMessage(Message("CallJSFunction").PushString(SaveStatement(outcome, level)));
	});
}

void LevelEditorBrain::EmptyObjectList()
{
	if (GUI* gui = FindGui())
		gui->ClearEditorObjects();
}

void LevelEditorBrain::OnSaveLevel(Message::Reader)
{
	SaveToExtension();
}

void LevelEditorBrain::OnChangeMode(Message::Reader)
{
	ChangeMode();
}

std::optional<unsigned> LevelEditorBrain::ModeOf(Composition& editor)
{
	if (const LevelEditorBrain* brain = editor.GetComponent<LevelEditorBrain>(); brain != nullptr && &editor != &DummyComposition::Instance())
		return brain->CurrentMode_;
	return std::nullopt;
}

void LevelEditorBrain::ListGameFolder(const std::string& folder, std::vector<std::string>& files, bool withFolder)
{
	Platform::ListFolderFiles(folder, files, withFolder, GameFolder());
}

std::string LevelEditorBrain::GameFolder()
{
	const Engine* engine = Engine::Instance();
	if (engine == nullptr)
		return "";
	// The data folder ends in "/": its parent path is the data folder itself without the slash.
	const std::filesystem::path dataFolder = std::filesystem::path(engine->GetDataFolder()).parent_path();
	const std::string gameFolder = dataFolder.parent_path().string();
	return gameFolder.empty() ? "" : gameFolder + "/";
}
