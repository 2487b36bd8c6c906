// The level editor in a level with a player: while the editor is on the pointer stays free and
// the player's bindings are idle whatever "Pause" says, and the editor's pauses of physics and
// logic outlast the pause menu's; its free camera moves the way each key names.
#include "Systems/Input.h"

#include "Components/Graphics/Camera.h"
#include "Components/Transform.h"
#include "Serializer.h"
#include "Systems/Input/InputTestRig.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Physics.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace
{
	void SendToInput(const char* name, bool value)
	{
		Engine::SendMessage(Message(name).PushBool(value));
	}

	// An object that logs the messages it is sent by those names; its id.
	unsigned MakeListener(const char* objectName, std::initializer_list<const char*> messages)
	{
		test::Probe::Register();
		const Object object = CreateObject(objectName);
		object.object->AddComponent(test::Probe::TypeId());
		for (const char* message : messages)
			object.object->RegisterHandler(message, &test::Probe::OnAny);
		return object.id;
	}

	bool Received(unsigned objectId, const std::string& message)
	{
		const std::string suffix = " Probe " + std::to_string(objectId);
		for (const std::string& event : test::Events())
			if (event.rfind(message + " from", 0) == 0 && event.size() >= suffix.size()
				&& event.compare(event.size() - suffix.size(), suffix.size(), suffix) == 0)
				return true;
		return false;
	}
}

TEST(InputPause, TheEditorFreesThePointerAndStillsThePlayerWhateverPauseSaysUntilItGoesOff)
{
	InputTestRig rig;
	const unsigned player = MakeListener("Player", {"MoveForward", "RotY"});
	const unsigned camera = MakeListener("CameraObject", {"Move", "RotY"});
	struct Step
	{
		const char* message;
		bool value;
		bool pointerHeld;
		bool playerMoves;
		bool cameraMoves;
	};
	// The player's controller unpauses at start; the pause menu's "Resume" unpauses again.
	const Step steps[] = {
		{"Pause", false, true, true, false},
		{"LevelEditorActive", true, false, false, true},
		{"Pause", false, false, false, true},
		{"Pause", true, false, false, false},
		{"Pause", false, false, false, true},
		{"LevelEditorActive", false, true, true, false},
	};
	uint32_t now = 1000;
	for (const Step& step : steps)
	{
		SCOPED_TRACE(std::string(step.message) + (step.value ? "(true)" : "(false)") + " after " + std::to_string(now));
		SendToInput(step.message, step.value);
		EXPECT_EQ(rig.input->GetButtonContext().mouseWarp, step.pointerHeld);
		const int warps = rig.device->warps;
		// The right button held and the pointer moved, held at the centre or free; the second frame
		// is checked, since a mouse axis may read the motion sampled in the frame before.
		for (int frame = 0; frame < 2; ++frame)
		{
			test::Events().clear();
			rig.device->pointer = {440, 300};
			rig.device->pendingMotion = {40, 0};
			rig.device->mouseButtons = SDL_BUTTON(SDL_BUTTON_RIGHT);
			rig.Frame(now += 16, {SDLK_w});
		}
		EXPECT_EQ(Received(player, "MoveForward"), step.playerMoves);
		EXPECT_EQ(Received(player, "RotY"), step.playerMoves);
		EXPECT_EQ(Received(camera, "Move"), step.cameraMoves);
		EXPECT_EQ(Received(camera, "RotY"), step.cameraMoves);
		EXPECT_EQ(rig.device->warps > warps, step.pointerHeld);
	}
}

TEST(InputPause, TheEditorsPausesOutlastEveryPauseFalseAndTheMenusOutlastTheEditor)
{
	TestEngine engine("<Config/>");
	auto* physics = new Physics();
	auto* logic = new Logic();
	engine.engine->AddSystem(logic);
	engine.engine->AddSystem(physics);
	struct Step
	{
		const char* what;
		bool running;
	};
	// "Editor" stands for what the GUI sends as the editor goes on or off.
	const Step steps[] = {
		{"Pause(false)", true}, {"Editor(true)", false}, {"Pause(false)", false}, {"Pause(true)", false},
		{"Editor(false)", false}, {"Pause(false)", true}, {"Editor(true)", false}, {"Editor(false)", true},
	};
	for (const Step& step : steps)
	{
		const std::string what = step.what;
		const bool value = what.find("true") != std::string::npos;
		if (what.rfind("Pause", 0) == 0)
			SendToInput("Pause", value);
		else
			for (const char* pause : {"PausePhysics", "PauseParticles", "PauseLogic"})
				SendToInput(pause, value);
		SCOPED_TRACE("after " + what);
		EXPECT_EQ(physics->IsUpdating(), step.running);
		EXPECT_EQ(!logic->IsPaused(), step.running);
	}
}

// The editor's free camera, looking along a diagonal so that no axis stands in for another: each
// key held moves its eye a quarter unit the way the key names.
TEST(InputEditorCamera, EachKeyMovesTheCameraTheWayItNames)
{
	InputTestRig rig;
	Camera::Register();
	const Object object = CreateObject("CameraObject");
	const auto addLoaded = [&object](unsigned typeId, const std::string& values) {
		Serializer serializer;
		std::istringstream text("<Component>" + values + "</Component>");
		ASSERT_TRUE(serializer.LoadFromStream(text, "EditorCameraText" + std::to_string(typeId)));
		object.object->AddComponent(typeId, serializer);
	};
	addLoaded(Transform::TypeId(), "<Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f>");
	addLoaded(Camera::TypeId(), "<Tuple3f>1 0 -1</Tuple3f><float>0</float><float>0</float><float>0</float><float>0</float>"
		"<float>1</float><float>100</float><float>89</float><float>-89</float><Tuple3f>0 0 0</Tuple3f>");
	object.object->Start();
	SendToInput("Pause", false);
	SendToInput("LevelEditorActive", true);
	const Camera& camera = *object.object->GetComponent<Camera>();
	const Tuple3f forward = Tuple3f(1, 0, -1).Normalize();
	const Tuple3f right = Tuple3f(1, 0, 1).Normalize();
	const std::tuple<const char*, SDLKey, Tuple3f> keys[] = {
		{"W", SDLK_w, forward}, {"S", SDLK_s, forward * -1.0f}, {"A", SDLK_a, right * -1.0f}, {"D", SDLK_d, right}};
	uint32_t now = 1000;
	for (const auto& [name, key, way] : keys)
	{
		SCOPED_TRACE(name);
		rig.Frame(now += 16);
		const Tuple3f before = camera.GetEyePosition();
		rig.Frame(now += 16, {static_cast<unsigned>(key)});
		const Tuple3f moved = camera.GetEyePosition() - before;
		EXPECT_NEAR(moved.x, way.x * 0.25f, 1e-5f);
		EXPECT_NEAR(moved.y, 0.0f, 1e-5f);
		EXPECT_NEAR(moved.z, way.z * 0.25f, 1e-5f);
	}
}
