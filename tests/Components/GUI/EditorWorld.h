// The level editor in a test world: the HTML interface's world with the Physics system, boxes with
// real bodies, the game's own editor archetypes and page, and a probe on the editor's page object
// that records every page call the editor makes. Needs an X display (xvfb-run).
#pragma once

#include "Components/GUI/LevelEditorBrain.h"
#include "Components/GUI/PlaceAndDeleteMode.h"
#include "Components/GUI/SelectionMode.h"
#include "Components/Graphics/Camera.h"
#include "QuietComponent.h"
#include "Systems/GUI/GuiWorld.h"
#include "Systems/Physics/Physics.h"

#include <string>
#include <vector>

namespace gui_tests
{
	struct __PageCallProbeName
	{
		static constexpr const char* name = "PageCallProbe";
	};

	// Records the statements of "CallJSFunction" and counts "TransformUpdated".
	class PageCallProbe : public test::QuietComponent<PageCallProbe, __PageCallProbeName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("CallJSFunction", &PageCallProbe::OnCall);
			owner->RegisterHandler("TransformUpdated", &PageCallProbe::OnTransformUpdated);
			return true;
		}
		void OnCall(Message::Reader reader) { calls.push_back(reader.Read<std::string>()); }
		void OnTransformUpdated(Message::Reader) { ++transformUpdates; }

		std::vector<std::string> calls;
		int transformUpdates = 0;
	};

	inline std::string Vec(const Tuple3f& v)
	{
		return std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.z);
	}

	class EditorWorld : public GuiWorld
	{
	protected:
		void SetUp() override
		{
			GuiWorld::SetUp();
			if (IsSkipped())
				return;
			physics = new Physics();
			engine->engine->AddSystem(physics);
			PageCallProbe::Register();
		}

		// A started box with a body, filed with the physics world at once; a static one does not move.
		Composition* Box(const Tuple3f& position, const Tuple3f& scale = Tuple3f(1, 1, 1), bool isStatic = true,
			const std::string& name = "Box")
		{
			Composition* box = StartedObject(test::TransformXml(Vec(position), Vec(scale)) +
					test::ComponentXml("PhysicsMaterial", std::string("<float>0</float><float>0.4</float><float>") + (isStatic ? "0" : "100") +
						"</float>") +
					test::ComponentXml("Body", "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
						"<string>DEFAULT</string><Composite><string>CompositePrimitive</string><Collider><string>cube</string>"
						"<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f></Collider></Composite>"),
				name);
			physics->HandleMessage(Message("LevelLoaded"));
			return box;
		}

		// Switches the editor on in the mode given; the page's calls are recorded from then on.
		void StartEditor(unsigned mode = 0)
		{
			gui->StartingLEMode = static_cast<int>(mode);
			Engine::SendMessage(Message("CreateLevelEditor"));
			editor = ObjectFromName("LevelEditor").object;
			brain = editor->GetComponent<LevelEditorBrain>();
			placement = editor->GetComponent<PlaceAndDeleteMode>();
			selection = editor->GetComponent<SelectionMode>();
			page = Probe(ObjectFromName("LevelEditorHud").object);
		}

		static PageCallProbe* Probe(Composition* object)
		{
			object->AddComponent(PageCallProbe::TypeId());
			PageCallProbe* probe = object->GetComponent<PageCallProbe>();
			probe->Start();
			return probe;
		}

		// Puts the editor camera's eye at the point, looking along the direction.
		static Camera* Aim(const Tuple3f& eye, const Tuple3f& direction)
		{
			const Object camera = ObjectFromName("CameraObject");
			camera.object->HandleMessage(Message("SetPos").Push(eye));
			Camera* view = camera.object->GetComponent<Camera>();
			view->SetDirection(direction);
			return view;
		}

		// One editor frame, its debug queues emptied first.
		void Frame()
		{
			graphics->DebugPass();
			gui->Update();
		}

		static void Tell(Composition* object, const char* message, int times = 1)
		{
			for (int i = 0; i < times; ++i)
				object->HandleMessage(Message(message));
		}

		Physics* physics = nullptr;
		Composition* editor = nullptr;
		LevelEditorBrain* brain = nullptr;
		PlaceAndDeleteMode* placement = nullptr;
		SelectionMode* selection = nullptr;
		PageCallProbe* page = nullptr;
	};
}
