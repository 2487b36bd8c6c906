#include "Systems/GUI/GUI.h"

#include "Components/Graphics/Camera.h"
#include "Components/Transform.h"
#include "ComponentFactory.h"
#include "QuietComponent.h"
#include "Systems/GUI/GuiWorld.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace gui_tests
{
	using GUISystem = GuiWorld;

	TEST_F(GUISystem, EveryPaneGetsEveryKeyThroughTheKeyMap)
	{
		HTMLPane* first = StartedPane(100, 100, 100, 100, kRecordingPage);
		HTMLPane* second = StartedPane(900, 500, 100, 100, kRecordingPage);
		ASSERT_NE(first->GetView(), second->GetView());
		const struct
		{
			int symbol;
			const char* recorded;
		} keys[] = {{'-', "keydown 109"}, {'/', "keydown 111"}, {'a', "keydown 65"}, {'7', "keydown 55"}, {273, "keydown 38"}, {27, "keydown 27"}, {999, "keydown 0"}};
		for (const auto& key : keys)
		{
			Recorded().clear();
			Send("KeyDown", {key.symbol, 0, 0});
			EXPECT_THAT(Recorded(), ElementsAre(key.recorded, key.recorded)) << key.symbol;
		}
	}

	TEST_F(GUISystem, OverlappingPanesBothGetAClickInListOrderEachInItsOwnPixels)
	{
		// Edges 100..300 and 200..300; the second view is twice as fine as its place on screen.
		StartedPane(200, 200, 200, 200, kRecordingPage);
		HTMLPane* second = StartedPane(250, 250, 100, 100, kRecordingPage);
		second->Resize(200, 200);
		gui->Update();
		Recorded().clear();
		Send("MouseDown", {1, 250, 260});
		Send("MouseUp", {3, 250, 260});
		EXPECT_THAT(Recorded(), ElementsAre("mousedown 0 150 160", "mousedown 0 100 120", "mouseup 2 150 160", "mouseup 2 100 120"));
	}

	TEST_F(GUISystem, WheelButtonsScrollByTwentyAndTheirReleaseOnlyMoves)
	{
		HTMLPane* pane = StartedPane(100, 100, 100, 100, kRecordingPage);
		Recorded().clear();
		Send("MouseDown", {5, 100, 100});
		EXPECT_EQ(pane->GetView()->GetScroll(), 20);
		Send("MouseDown", {5, 100, 100});
		Send("MouseDown", {4, 100, 100});
		EXPECT_EQ(pane->GetView()->GetScroll(), 20);
		Send("MouseUp", {4, 100, 100});
		Send("MouseUp", {5, 100, 100});
		EXPECT_TRUE(Recorded().empty()) << Recorded().front();
	}

	TEST_F(GUISystem, A4To3BoxOnAWideWindowLeavesTheSideBarsUnhit)
	{
		// 1280 x 720 shows the 960 x 720 box from x = 160 to 1120.
		StartedPane(480, 360, 960, 720, kRecordingPage, PlaneXml("0 0 960 720"));
		const struct
		{
			int windowX;
			const char* recorded;
		} clicks[] = {{100, nullptr}, {159, nullptr}, {170, "mousedown 0 10 360"}, {1119, "mousedown 0 959 360"}, {1200, nullptr}};
		for (const auto& click : clicks)
		{
			Recorded().clear();
			int x = click.windowX, y = 360;
			Send("MouseDown", {1, click.windowX, 360});
			Send("MouseUp", {1, click.windowX, 360});
			if (click.recorded == nullptr)
				EXPECT_EQ(gui->PaneAt(x, y, 0), nullptr) << click.windowX;
			else
				EXPECT_EQ(Recorded().front(), click.recorded);
		}
	}

	TEST_F(GUISystem, PanesWithoutAreaAndBoxesWithoutSizeAreNeverHit)
	{
		const struct
		{
			const char* position;
			const char* scale;
			const char* bounds;
		} panes[] = {{"100 100 0", "0 50 1", ""}, {"100 100 0", "50 0 1", ""}, {"0 0 0", "1 1 1", ""},
			{"100 100 0", "50 50 1", "0 0 0 720"}, {"100 100 0", "50 50 1", "0 0 960 0"}, {"100 100 0", "50 50 1", "5 5 5 5"}};
		for (const auto& pane : panes)
		{
			Composition* object = StartedObject(test::TransformXml(pane.position, pane.scale) +
				PaneXml("0 0 50 50", Page("Blank.html", "<body></body>")) + (*pane.bounds ? PlaneXml(pane.bounds) : ""));
			for (const Tuple2<int> point : {Tuple2<int>(0, 0), Tuple2<int>(100, 100), Tuple2<int>(640, 100)})
			{
				int x = point.x, y = point.y;
				EXPECT_EQ(gui->PaneAt(x, y, 0), nullptr) << pane.position << " / " << pane.scale << " / " << pane.bounds;
			}
			Send("MouseDown", {1, 100, 100});
			object->Destroy();
			ProcessObjectChanges();
		}
	}

	class GUISystemToggles : public GuiWorld
	{
	protected:
		void SetUp() override
		{
			GuiWorld::SetUp();
			if (IsSkipped())
				return;
			engine->userFolder.WriteFile("PauseMenu.xml", "<Object><string>PauseMenu</string>" + test::TransformXml("0 0 0") + "</Object>");
			engine->userFolder.WriteFile("LevelEditor.xml", "<Object><string>LevelEditor</string>" +
				test::ComponentXml("LevelEditorBrain", "") + "</Object>");
			EditorBrain::Register();
			EditorBrain::updates = 0;
		}

		struct __EditorBrainName
		{
			static constexpr const char* name = "LevelEditorBrain";
		};
		// Stands in for the editor's brain: counts the updates the GUI gives it.
		class EditorBrain : public test::QuietComponent<EditorBrain, __EditorBrainName>
		{
		public:
			bool Update() override
			{
				++updates;
				return true;
			}
			static inline int updates = 0;
		};
	};

	TEST_F(GUISystemToggles, PauseGameOpensAndClosesTheMenuAndALevelChangeForgetsItAndItsPause)
	{
		Engine::SendMessage(Message("PauseGame"));
		const unsigned menuId = gui->GetPauseMenuId();
		EXPECT_EQ(ObjectFromId(menuId).GetName(), "PauseMenu");
		Engine::SendMessage(Message("PauseGame"));
		ProcessObjectChanges();
		EXPECT_EQ(gui->GetPauseMenuId(), 0u);
		EXPECT_TRUE(ObjectFromId(menuId).IsDummy());
		EXPECT_EQ(engine->ArgumentsOf("Pause"), (ArgumentLists{{"1"}, {"0"}}));

		// Unloaded while paused, the level takes the menu and its pause, not the editor's pauses.
		Engine::SendMessage(Message("CreateLevelEditor"));
		Engine::SendMessage(Message("PauseGame"));
		Engine::SendMessage(Message("UnloadingLevel"));
		gui->Reload();
		EXPECT_EQ(gui->GetPauseMenuId(), 0u);
		EXPECT_EQ(engine->ArgumentsOf("Pause"), (ArgumentLists{{"1"}, {"0"}, {"1"}, {"0"}}));
		EXPECT_EQ(engine->ArgumentsOf("PauseLogic"), (ArgumentLists{{"1"}}));
		// Without the menu open, a level change sends no "Pause" at all.
		Engine::SendMessage(Message("UnloadingLevel"));
		EXPECT_EQ(engine->ArgumentsOf("Pause").size(), 4u);
	}

	TEST_F(GUISystemToggles, SwitchingTheEditorOffKeepsTheCameraWhereItWas)
	{
		Engine::SendMessage(Message("CreateLevelEditor"));
		Composition* camera = StartedObject(test::TransformXml("1 2 3") + test::CameraXml("0 0 -1"), "CameraObject");
		gui->AddEditorObject("CameraObject", camera->GetId());
		Engine::SendMessage(Message("CreateLevelEditor"));
		ProcessObjectChanges();
		EXPECT_EQ(gui->StartingLECamPos, Tuple3f(1, 2, 3));
		EXPECT_EQ(gui->StartingLECamDir, Tuple3f(0, 0, -1));
		EXPECT_TRUE(ObjectIdsByName("CameraObject").empty());
		EXPECT_TRUE(ObjectIdsByName("LevelEditor").empty());
		EXPECT_FALSE(gui->IsEditorActive());
		EXPECT_EQ(engine->ArgumentsOf("PauseLogic"), (ArgumentLists{{"1"}, {"0"}}));
	}

	TEST_F(GUISystemToggles, ALevelSavedWithThePauseMenuOrTheEditorOpenIsTheLevelSavedWithoutThem)
	{
		StartedObject(test::TransformXml("1 2 3"), "Crate");
		const auto saved = [this](const std::string& name) {
			EXPECT_TRUE(engine->engine->SaveLevel(engine->userFolder.Path() + name));
			return engine->userFolder.ReadFile(name);
		};
		const std::string closed = saved("closed");
		ASSERT_NE(closed.find("Crate"), std::string::npos);
		Engine::SendMessage(Message("PauseGame"));
		Engine::SendMessage(Message("CreateLevelEditor"));
		// An editor object the editor stopped listing is still the interface's, not the level's.
		const Object page = CreateObject("LevelEditorHud");
		gui->AddEditorObject("LevelEditorHud", page.id);
		gui->ClearEditorObjects();
		EXPECT_EQ(saved("open"), closed);
	}

	TEST_F(GUISystemToggles, AfterALevelChangeTheNewEditorIsListedAndUpdated)
	{
		Engine::SendMessage(Message("CreateLevelEditor"));
		gui->Update();
		EXPECT_EQ(EditorBrain::updates, 1);
		DestroyAllObjects();
		// Ids restart with the new level: the old editor's id must not survive in the list.
		CreateObject("Filler");
		CreateObject("Filler");
		Engine::SendMessage(Message("LevelLoaded"));
		const std::vector<unsigned> editors = ObjectIdsByName("LevelEditor");
		ASSERT_EQ(editors.size(), 1u);
		gui->Update();
		EXPECT_EQ(EditorBrain::updates, 2);
		Engine::SendMessage(Message("CreateLevelEditor"));
		ProcessObjectChanges();
		EXPECT_TRUE(ObjectIdsByName("LevelEditor").empty()) << "the new editor is the one switched off";
	}

	TEST_F(GUISystem, RegistersTheTenInterfaceAndEditorComponentTypes)
	{
		for (const char* name : {"LevelEditorBrain", "HTMLPane", "SelectionMode", "PlaceAndDeleteMode", "MovementMode", "PlayerHud",
				 "ResizeToResolution", "AxisArrows", "HudObjective", "VexalHud"})
			EXPECT_NE(ComponentTypeIdFromName(name), 0u) << name;
	}

	TEST_F(GUISystem, ShutdownDetachesEveryPane)
	{
		StartedPane(100, 100, 50, 50, "<body></body>");
		StartedPane(200, 100, 50, 50, "<body></body>");
		gui->Shutdown();
		EXPECT_TRUE(gui->GetPanes().empty());
		HTMLEngine::Initialize(nullptr);
	}
}
