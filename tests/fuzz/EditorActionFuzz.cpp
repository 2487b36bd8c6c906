// Fuzzes the level editor: the input's bytes become a run of editor messages and script-class
// calls (modes, toggles, distances, scale and rotation, where the camera looks, create, delete,
// select, group, the pause menu opened and closed, frames) on a small level of bodies and a group,
// then the editor saves the level into the user folder. Whatever was done, the saved level must
// hold no pause menu, load, and its own save must be byte-identical; the game's level is unchanged.
#include "Components/GUI/LevelEditorBrain.h"
#include "Components/GUI/PlaceAndDeleteMode.h"
#include "Components/GUI/SelectionMode.h"
#include "Components/Graphics/Camera.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Serializer.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/Physics.h"

#include "FuzzBytes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace
{
	using fuzz::ByteReader;

	// A small whole number in [-range, range].
	float Small(ByteReader& bytes, int range)
	{
		return static_cast<float>(static_cast<int>(bytes.Next<std::uint8_t>() % (2 * range + 1)) - range);
	}

	const std::filesystem::path& Root()
	{
		static const std::filesystem::path root = std::filesystem::temp_directory_path() / "EditorActionFuzz";
		return root;
	}

	std::string Component(const std::string& name, const std::string& values = "")
	{
		return "<Component><string>" + name + "</string>" + values + "</Component>";
	}

	std::string TransformValues(const std::string& position)
	{
		return "<Tuple3f>" + position + "</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f>";
	}

	// A unit box with a body; density 0 makes it static.
	std::string BoxComponents(const std::string& position, const char* density)
	{
		return Component("Transform", TransformValues(position)) +
			Component("PhysicsMaterial", std::string("<float>0</float><float>0.4</float><float>") + density + "</float>") +
			Component("Body", "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
				"<string>DEFAULT</string><Composite><string>CompositePrimitive</string><Collider><string>cube</string>"
				"<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f></Collider></Composite>");
	}

	void Write(const std::string& relativePath, const std::string& text)
	{
		const std::filesystem::path path = Root() / relativePath;
		std::filesystem::create_directories(path.parent_path());
		std::ofstream(path, std::ios::binary) << text;
	}

	std::string Read(const std::filesystem::path& path)
	{
		std::ifstream file(path, std::ios::binary);
		std::ostringstream text;
		text << file.rdbuf();
		return text.str();
	}

	// A floor, two crates and a tower group from its file.
	const std::string kYard = "<Level><string>Yard</string><string>Yard</string><ObjectGroup>"
							  "<Object><string>Floor</string>" +
		BoxComponents("0 -1 0", "0") + "</Object><Object><string>Crate</string>" + BoxComponents("2 0.5 -4", "100") +
		"</Object><Object><string>Crate</string>" + BoxComponents("-2 0.5 -4", "0") +
		"</Object></ObjectGroup><ObjectGroup file=\"Tower.xml\"><Unknown><string>Origin</string><Tuple3f>0 0 -6</Tuple3f>"
		"<Tuple3f>0 0 0</Tuple3f><unsigned>0</unsigned></Unknown></ObjectGroup></Level>";

	Engine& MakeEngine()
	{
		static Engine* engine = [] {
			Write("user/Tumblewreck.cfg", "<Config><FirstLevel>Yard</FirstLevel></Config>");
			Write("game/Data/Objects/LevelEditor.xml", "<Object><string>LevelEditor</string>" + Component("PlaceAndDeleteMode") +
					Component("LevelEditorBrain") + Component("SelectionMode") + "</Object>");
			Write("game/Data/Objects/CameraObject.xml", "<Object><string>CameraObject</string>" + Component("Transform", TransformValues("0 0 0")) +
					Component("Camera", "<Tuple3f>0 0 -1</Tuple3f><float>0</float><float>0</float><float>0</float><float>0</float>"
						"<float>0.1</float><float>100</float><float>89</float><float>-89</float><Tuple3f>0 0 0</Tuple3f>") + "</Object>");
			Write("game/Data/Objects/PauseMenu.xml", "<Object><string>PauseMenu</string>" +
					Component("Transform", TransformValues("0 0 0")) + "</Object>");
			Write("game/Data/Objects/LevelEditorHud.xml", "<Object><string>LevelEditorHud</string>" +
					Component("Transform", TransformValues("0 0 0")) + "</Object>");
			Write("game/Data/Objects/EditorCreatable/Crate.xml", "<Object><string>Crate</string>" + BoxComponents("0 0 0", "100") + "</Object>");
			Write("game/Data/Groups/EditorCreatable/Tower.xml", "<ObjectGroup><Object><string>Block</string>" + BoxComponents("0 0.5 0", "100") +
					"</Object><Object><string>Block</string>" + BoxComponents("0 1.5 0", "100") +
					"</Object><Unknown><string>Origin</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><unsigned>0</unsigned></Unknown>"
					"</ObjectGroup>");
			auto* made = new Engine((Root() / "game/Data/").string(), (Root() / "user/").string(), "Tumblewreck.cfg");
			made->AddSystem(new Graphics());
			made->AddSystem(new Physics());
			made->AddSystem(new GUI());
			return made;
		}();
		return *engine;
	}

	void Frame(Engine& engine)
	{
		for (System* system : engine.GetSystems())
			system->Update();
		ProcessObjectChanges();
	}

	// Loads the level file and saves it as "Resaved"; what was written.
	std::string LoadAndSave(Engine& engine, const std::filesystem::path& levelFile)
	{
		Serializer::ClearFileCache();
		const std::filesystem::path resaved = Root() / "Resaved";
		if (!engine.LoadLevel(levelFile.string()) || !engine.SaveLevel(resaved.string()))
			__builtin_trap();
		return Read(resaved);
	}

	void Act(Composition& editor, ByteReader& bytes)
	{
		static const char* const kMessages[] = {"ChangeMode", "Increase", "Decrease", "CreateObject", "DeleteObject", "SelectObject",
			"SelectGroup", "SaveLevel"};
		static const char* const kFiles[] = {"Crate.xml", "Tower.xml", "Missing.xml", ""};
		auto* brain = editor.GetComponent<LevelEditorBrain>();
		auto* placement = editor.GetComponent<PlaceAndDeleteMode>();
		auto* selection = editor.GetComponent<SelectionMode>();
		const unsigned action = bytes.Next<std::uint8_t>() % 17;
		switch (action)
		{
		case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7:
			editor.HandleMessage(Message(kMessages[action]));
			break;
		case 8: brain->SetCurrentMode(bytes.Next<std::uint8_t>() % 4); break;
		case 9: placement->ToggleMode(); break;
		case 10: placement->ToggleType(); break;
		case 11: placement->SetCurrObjName(kFiles[bytes.Next<std::uint8_t>() % 4]); break;
		case 12:
			placement->SetScale(Tuple3f(Small(bytes, 3), Small(bytes, 3), Small(bytes, 3)));
			placement->SetRotation(Tuple3f(Small(bytes, 180), Small(bytes, 180), Small(bytes, 180)));
			break;
		case 13:
		{
			const Object camera = ObjectFromName("CameraObject");
			if (camera.IsDummy())
				break;
			camera.object->HandleMessage(Message("SetPos").Push(Tuple3f(Small(bytes, 8), Small(bytes, 8), Small(bytes, 8))));
			if (Camera* view = camera.object->GetComponent<Camera>())
				view->SetDirection(Tuple3f(Small(bytes, 2), Small(bytes, 2), Small(bytes, 2)));
			break;
		}
		case 14: selection->SetCurrObjID(bytes.Next<std::uint8_t>() % 32); break;
		case 15: selection->DeleteObj(); break;
		default: Engine::SendMessage(Message("PauseGame")); break;
		}
	}
}

// The engine is made once, before the inputs run: what it keeps for the whole run is no leak.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	MakeEngine();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	Engine& engine = MakeEngine();
	ByteReader bytes(data, size);
	const std::filesystem::path level = Root() / "user/Levels/Yard";
	std::filesystem::remove(level);
	Write("game/Data/Levels/Yard", kYard);
	Serializer::ClearFileCache();
	// The last input may have left the pause menu open: closed, so that it does not hold the physics
	// of every later input paused.
	if (engine.GetSystem<GUI>()->GetPauseMenuId() != 0)
		Engine::SendMessage(Message("PauseGame"));
	if (!engine.LoadLevel("Yard"))
		__builtin_trap();
	// An editor that deleted itself (its selection set to its own id) is still on for the GUI, and
	// the level load made a new one.
	if (!engine.GetSystem<GUI>()->IsEditorActive())
		Engine::SendMessage(Message("CreateLevelEditor"));
	for (unsigned frames = 0; !bytes.Empty() && frames < 64;)
	{
		const Object editor = ObjectFromName("LevelEditor");
		if (editor.IsDummy())
			return 0;
		if (bytes.Next<std::uint8_t>() % 4 == 0)
		{
			Frame(engine);
			++frames;
		}
		else
			Act(*editor.object, bytes);
	}
	ProcessObjectChanges();
	const Object editor = ObjectFromName("LevelEditor");
	if (editor.IsDummy())
		return 0;
	editor.object->GetComponent<LevelEditorBrain>()->SaveToExtension();
	Engine::SendMessage(Message("CreateLevelEditor"));
	ProcessObjectChanges();
	const std::string saved = Read(level);
	if (saved.find("PauseMenu") != std::string::npos || Read(Root() / "game/Data/Levels/Yard") != kYard)
		__builtin_trap();
	if (LoadAndSave(engine, level) != saved)
		__builtin_trap();
	return 0;
}
