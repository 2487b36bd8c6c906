#include "Components/GUI/LevelEditorBrain.h"

#include "EngineTestSupport.h"
#include "Components/GUI/EditorWorld.h"
#include "Components/Graphics/Model.h"
#include "HTMLEngine/PageSaveLimit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace
{
	using EditorNames = std::vector<std::string>;

	// The editor's level folders under a scratch game folder, the engine's data folder in it.
	class LevelEditorBrainSaving : public test::EngineTest
	{
	protected:
		// Writes the levels (paths under the game folder) and starts an engine on the level named.
		LevelEditorBrain& BrainOn(const std::string& levelName, const EditorNames& levels)
		{
			for (const std::string& level : levels)
				game.WriteFile(level, "old");
			WriteConfig("<Config><FirstLevel>" + levelName + "</FirstLevel></Config>");
			MakeEngine(game.Path() + "Data/");
			brain.ListLevels();
			return brain;
		}

		test::TempFolder game;
		LevelEditorBrain brain;
	};

	// The game reads the user folder first: a save into the game's Data would be hidden by a user
	// copy of the level, and in a build tree would rewrite the shipped files.
	TEST_F(LevelEditorBrainSaving, TheLevelIsSavedIntoTheUserFoldersLevelsAndTheGamesDataIsNeverWritten)
	{
		BrainOn("Level1", {"Data/Levels/Level10", "Data/Levels/Physics/Level1"}).SaveToExtension();
		EXPECT_EQ(game.ReadFile("Data/Levels/Level10"), "old");
		EXPECT_EQ(game.ReadFile("Data/Levels/Physics/Level1"), "old");
		EXPECT_NE(userFolder.ReadFile("Levels/Level1").find("nextLevel"), std::string::npos);
	}

	// A level's name never has an extension: a file of such a name in the user folder would stand
	// before the game's own file of that name.
	TEST_F(LevelEditorBrainSaving, AFailedSaveIsReportedAndANameThatIsNotALevelsIsRefused)
	{
		const struct
		{
			const char* levelName;
			const char* report;
		} cases[] = {{"Level1", "the folder \""}, {"Level1.xml", "the level name \"Level1.xml\" has an extension"}};
		for (const auto& c : cases)
		{
			engine.reset();
			// A file where the levels folder would go: nothing can be saved there.
			userFolder.WriteFile("Levels", "not a folder");
			::testing::internal::CaptureStderr();
			BrainOn(c.levelName, {"Data/Levels/Level1"}).SaveToExtension();
			EXPECT_THAT(::testing::internal::GetCapturedStderr(), ::testing::HasSubstr(std::string("LevelEditorBrain: ") + c.report));
			EXPECT_EQ(userFolder.ReadFile("Levels"), "not a folder");
			EXPECT_EQ(game.ReadFile("Data/Levels/Level1"), "old");
		}
	}

	TEST_F(LevelEditorBrainSaving, ASaveInsideAHandlerLeavesTheFramesDestructionsToTheFramesEnd)
	{
		BrainOn("Level1", {"Data/Levels/Level1"});
		const Object doomed = MakeObject<test::Probe>("Doomed");
		doomed.object->RegisterHandler("SaveLevel", &test::Probe::OnAny);
		doomed.object->GetComponent<test::Probe>()->action = [&](Message::Reader&) {
			doomed.object->Destroy();
			brain.SaveToExtension();
		};
		doomed.object->HandleMessage(Message("SaveLevel"));
		EXPECT_FALSE(ObjectFromId(doomed.id).IsDummy());
		ProcessObjectChanges();
		EXPECT_TRUE(ObjectFromId(doomed.id).IsDummy());
	}

	TEST_F(LevelEditorBrainSaving, FoldersComeInTheirOrderEachSortedAndMissingOnesAddNothing)
	{
		BrainOn("MainMenu", {"Data/Levels/Tutorials/T", "Data/Levels/LevelEditor/E", "Data/Levels/b", "Data/Levels/a",
								"Data/Levels/Deeper/D"});
		EXPECT_EQ(brain.GetLevelList(), (EditorNames{"Data/Levels/a", "Data/Levels/b", "Data/Levels/LevelEditor/E", "Data/Levels/Tutorials/T"}));
	}
}

namespace gui_tests
{
	using LevelEditorBrainInWorld = EditorWorld;

	TEST_F(LevelEditorBrainInWorld, ChangeModeCyclesThreeModesKeepsThemAndReloadsThePage)
	{
		StartEditor(0);
		for (unsigned expected : {1u, 2u, 0u})
		{
			Tell(editor, "ChangeMode");
			EXPECT_EQ(brain->GetCurrentMode(), expected);
			EXPECT_EQ(gui->StartingLEMode, static_cast<int>(expected));
		}
		EXPECT_EQ(page->calls, EditorNames(3, "LoadMode(); void(0);"));
		brain->SetCurrentMode(5);
		EXPECT_EQ(gui->StartingLEMode, 5);
		EXPECT_EQ(page->calls.size(), 3u);
		Tell(editor, "ChangeMode");
		EXPECT_EQ(brain->GetCurrentMode(), 0u);
	}

	TEST_F(LevelEditorBrainInWorld, ThePageListsTheLevelsAndCreatablesAsTheEditorOpens)
	{
		StartEditor();
		Frame();
		HTMLPane* pane = ObjectFromName("LevelEditorHud").object->GetComponent<HTMLPane>();
		const std::size_t levels = brain->GetLevelList().size();
		const std::size_t creatables = placement->GetCreatableObjectList().size();
		ASSERT_GT(levels * creatables, 0u);
		EXPECT_EQ(Run(*pane, "record(document.getElementById('levels').childNodes.length,"
							 " document.getElementById('creatables').childNodes.length);"),
			EditorNames{std::to_string(levels) + " " + std::to_string(creatables)});
	}

	TEST_F(LevelEditorBrainInWorld, AnExistingCameraIsUsedNotListedAndSurvivesSwitchingOff)
	{
		Composition* camera = StartedObject(test::TransformXml("1 2 3") + test::CameraXml("0 0 -1"), "CameraObject");
		StartEditor();
		EXPECT_EQ(ObjectIdsByName("CameraObject").size(), 1u);
		EXPECT_FALSE(gui->IsEditorObjectName("CameraObject"));
		Engine::SendMessage(Message("CreateLevelEditor"));
		ProcessObjectChanges();
		EXPECT_EQ(ObjectFromName("CameraObject").object, camera);
		EXPECT_TRUE(ObjectIdsByName("LevelEditorHud").empty());
	}

	TEST_F(LevelEditorBrainInWorld, WithoutAPlayerTheCameraTakesTheKeptPlaceAndAUsableView)
	{
		const struct
		{
			Tuple3f kept;
			Tuple3f direction;
			Tuple3f right;
		} cases[] = {{{0, 0, 0}, {0, 0, -1}, {1, 0, 0}}, {{0, 0, 2}, {0, 0, 1}, {-1, 0, 0}}, {{0, 3, 0}, {0, 1, 0}, {1, 0, 0}},
			{{NAN, 0, 0}, {0, 0, -1}, {1, 0, 0}}};
		for (const auto& c : cases)
		{
			gui->StartingLECamPos = Tuple3f(4, 5, 6);
			gui->StartingLECamDir = c.kept;
			StartEditor();
			const Camera* camera = ObjectFromName("CameraObject").object->GetComponent<Camera>();
			EXPECT_EQ(camera->GetEyePosition(), Tuple3f(4, 5, 6));
			EXPECT_EQ(camera->GetDirection(), c.direction) << Vec(c.kept);
			EXPECT_EQ(camera->GetRight(), c.right) << Vec(c.kept);
			Engine::SendMessage(Message("CreateLevelEditor"));
			ProcessObjectChanges();
		}
	}

	TEST_F(LevelEditorBrainInWorld, SwitchingOffAndOnAgainRestoresTheCameraPlace)
	{
		StartEditor();
		Aim(Tuple3f(7, 8, 9), Tuple3f(1, 0, 0));
		Engine::SendMessage(Message("CreateLevelEditor"));
		ProcessObjectChanges();
		StartEditor();
		const Camera* camera = ObjectFromName("CameraObject").object->GetComponent<Camera>();
		EXPECT_EQ(camera->GetEyePosition(), Tuple3f(7, 8, 9));
		EXPECT_EQ(camera->GetDirection(), Tuple3f(1, 0, 0));
	}

	TEST_F(LevelEditorBrainInWorld, ACameraArchetypeThatDoesNotLoadChangesNoCameraPrototype)
	{
		engine->userFolder.WriteFile("CameraObject.xml", "");
		const Camera* prototype = static_cast<const Camera*>(GetComponentPrototype(Camera::TypeId()));
		const Tuple3f before = prototype->GetDirection();
		gui->StartingLECamDir = Tuple3f(0, 1, 0);
		StartEditor();
		EXPECT_EQ(prototype->GetDirection(), before);
		EXPECT_FALSE(gui->IsEditorObjectName("CameraObject"));
		EXPECT_FALSE(ObjectIdsByName("LevelEditorHud").empty());
	}

	TEST_F(LevelEditorBrainInWorld, TheMarkerSitsWhereTheViewMeetsABodyAndAtTheOriginOnAMiss)
	{
		Box(Tuple3f(0, 0, -10));
		StartEditor(1);
		const struct
		{
			Tuple3f direction;
			Tuple3f marker;
		} views[] = {{{0, 0, -1}, {0, 0, -9.5f}}, {{0, 0, 1}, {0, 0, 0}}};
		for (const auto& view : views)
		{
			Aim(Tuple3f(0, 0, 0), view.direction);
			Frame();
			const auto& spheres = graphics->GetPrimitiveQueue();
			ASSERT_FALSE(spheres.empty());
			EXPECT_LT(spheres[0].position.DistanceSquared(view.marker), 1e-6f) << Vec(spheres[0].position);
			EXPECT_EQ(spheres[0].colour, Tuple4f(1, 0, 0, 1));
		}
	}

	// The editor holds the world's logic, and with it what the models act out; switched off, they
	// act again.
	TEST_F(LevelEditorBrainInWorld, TheModelsStandStillWhileTheEditorIsOn)
	{
		// A camera of the level's, so that frames draw the world while the editor is off.
		StartedObject(test::TransformXml("0 0 10") + test::CameraXml("0 0 -1"), "Watcher");
		Composition* golem = StartedObject(test::TransformXml("0 0 0") +
				test::ComponentXml("Model", "<string>GolemSkin.model</string><bool>true</bool><float>1</float><bool>false</bool>"),
			"Golem");
		golem->HandleMessage(Message("SetAnimation").PushString("Walk").PushFloat(0.01f));
		const Model* model = golem->GetComponent<Model>();
		ASSERT_NE(model->GetCurrentAnimation(), nullptr);
		for (const bool editorOn : {false, true, false})
		{
			if (editorOn != gui->IsEditorActive())
				Engine::SendMessage(Message("CreateLevelEditor"));
			ProcessObjectChanges();
			const float before = model->GetTime();
			graphics->Update();
			EXPECT_EQ(model->GetTime() == before, editorOn) << (editorOn ? "acted while the editor was on" : "stood still");
		}
	}

	// The editor on a clock of the test's; the page's Save button and the line its panel shows.
	class LevelEditorSaving : public EditorWorld
	{
	protected:
		void SetUp() override
		{
			EditorWorld::SetUp();
			if (IsSkipped())
				return;
			previousClock = HTMLEngine::SetClock([this] { return now; });
			StartEditor();
			Frame();
			pane = ObjectFromName("LevelEditorHud").object->GetComponent<HTMLPane>();
		}
		void TearDown() override
		{
			if (previousClock)
				HTMLEngine::SetClock(previousClock);
			EditorWorld::TearDown();
		}
		std::string ClickSave()
		{
			Run(*pane, "Send('SaveLevel');");
			return Run(*pane, "record(document.getElementById('saveState').textContent);").at(0);
		}
		std::string SavedLevel(const std::string& level = "MainMenu") const
		{
			return test::ReadText(engine->userFolder.Path() + "Levels/" + level);
		}

		std::uint32_t now = 0;
		HTMLEngine::Clock previousClock;
		HTMLPane* pane = nullptr;
	};

	// The page save limit dropped the editor's second save within a second: the edit was lost. It
	// is made when the second is over, or as the editor's panel closes within it.
	TEST_F(LevelEditorSaving, ASaveWithinASecondOfTheLastIsMadeWhenTheSecondIsOverOrThePanelCloses)
	{
		EXPECT_EQ(ClickSave(), "Saved \u201cMainMenu\u201d");
		for (const bool panelCloses : {false, true})
		{
			const std::string edit = panelCloses ? "EditAsThePanelCloses" : "EditWithinASecond";
			Box(Tuple3f(0, 0, -10), Tuple3f(1, 1, 1), true, edit);
			now += PageSaveLimit::kIntervalMilliseconds / 2;
			EXPECT_EQ(ClickSave(), "Saving \u201cMainMenu\u201d in a moment\u2026");
			EXPECT_EQ(SavedLevel().find(edit), std::string::npos) << "made within the second";
			if (panelCloses)
			{
				Engine::SendMessage(Message("CreateLevelEditor"));
				ProcessObjectChanges();
				EXPECT_NE(SavedLevel().find(edit), std::string::npos) << edit;
				continue;
			}
			now += PageSaveLimit::kIntervalMilliseconds;
			Frame();
			EXPECT_NE(SavedLevel().find(edit), std::string::npos) << edit;
			EXPECT_EQ(Run(*pane, "record(document.getElementById('saveState').textContent);"), EditorNames{"Saved \u201cMainMenu\u201d"});
		}
	}

	// A held save is made as the level goes, while its objects are still there: the edit made last
	// is the first object the unload destroys.
	TEST_F(LevelEditorSaving, ASaveHeldAsTheLevelGoesIsMadeWhileTheLevelIsWhole)
	{
		// The panel the fixture opened goes: the editor opens in the level.
		Engine::SendMessage(Message("CreateLevelEditor"));
		ProcessObjectChanges();
		engine->userFolder.WriteFile("Levels/Yard", "<Level><string>Yard</string><string>Yard</string><ObjectGroup><Object><string>Yardstick</string>"
													 "</Object></ObjectGroup></Level>");
		auto* director = new test::Director();
		director->script[2] = [this] { StartEditor(); };
		director->script[4] = [this] {
			pane = ObjectFromName("LevelEditorHud").object->GetComponent<HTMLPane>();
			now += PageSaveLimit::kIntervalMilliseconds;
			EXPECT_EQ(ClickSave(), "Saved \u201cYard\u201d");
			Box(Tuple3f(0, 0, -10), Tuple3f(1, 1, 1), true, "EditBeforeTheLevelGoes");
			now += PageSaveLimit::kIntervalMilliseconds / 2;
			EXPECT_EQ(ClickSave(), "Saving \u201cYard\u201d in a moment\u2026");
			Engine::Instance()->RequestState(Engine::kQuit);
		};
		engine->engine->AddSystem(director);
		engine->engine->RequestLevel("Yard");
		engine->engine->Run();
		EXPECT_NE(SavedLevel("Yard").find("EditBeforeTheLevelGoes"), std::string::npos) << SavedLevel("Yard");
	}

	TEST_F(LevelEditorSaving, ThePanelSaysWhyASaveWasRefused)
	{
		engine->userFolder.WriteFile("Levels", "not a folder");
		EXPECT_THAT(ClickSave(), ::testing::StartsWith("Not saved: the folder \"" + engine->userFolder.Path() + "Levels/\" could not be made ("));
	}
}
