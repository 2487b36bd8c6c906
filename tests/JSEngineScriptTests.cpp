#include "Engine.h"
#include "Sound.h"
#include "TempFolder.h"
#include "Utilities/SearchPaths.h"
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/PageSaveLimit.h"
#include "Utilities/ScriptPage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace
{
	struct __ScriptListenerName
	{
		static constexpr const char* name = "ScriptListener";
	};

	// Logs the engine-wide messages that the "Engine" class sends.
	class ScriptListener : public SystemBase<ScriptListener, __ScriptListenerName>
	{
	public:
		void LoadConfig(Config&) override {}
		void Initialize() override
		{
			for (const char* name : {"MuteAllSounds", "PauseGame", "ChangeResolution"})
				RegisterHandler(name, &ScriptListener::OnAny);
		}
		void OnAny(Message::Reader reader) { heard.push_back(reader.name); }

		std::vector<std::string> heard;
	};

	class ScriptEngine : public test::ScriptPageTest
	{
	protected:
		void MakeEngine()
		{
			engine = std::make_unique<Engine>(dataFolder.Path(), userFolder.Path(), "Tumblewreck.cfg");
			sound = new Sound();
			engine->AddSystem(sound);
			listener = new ScriptListener();
			engine->AddSystem(listener);
			listener->Initialize();
		}
		void TearDown() override
		{
			ScriptPageTest::TearDown();
			engine.reset();
		}

		// The user folder's levels, sorted.
		std::vector<std::string> SavedLevels() const
		{
			std::vector<std::string> saved;
			std::error_code missing;
			for (const auto& entry : std::filesystem::directory_iterator(userFolder.Path() + "Levels", missing))
				saved.push_back(entry.path().filename().string());
			std::sort(saved.begin(), saved.end());
			return saved;
		}

		test::TempFolder userFolder;
		test::TempFolder dataFolder;
		std::unique_ptr<Engine> engine;
		Sound* sound = nullptr;
		ScriptListener* listener = nullptr;
	};

	TEST_F(ScriptEngine, WithoutAnEngineEveryFunctionAnswersEmpty)
	{
		EXPECT_EQ(Eval("(function () { var e = new Engine(); e.LoadLevel('A'); e.Exit(); e.SetMuted(true);"
			" return [e.CurrLevel(), e.GetWidth(), e.CurrentResolutionIndex(), e.IsMuted(), e.GetVolume(true),"
			" e.GetResolutions().length, e.IsFullScreen()].join(); })()"),
			",0,-1,false,0,0,false");
	}

	TEST_F(ScriptEngine, LevelRequestsOnlySetTheNextLevelAndTheState)
	{
		MakeEngine();
		const std::string currentLevel = engine->GetCurrentLevel();
		const struct
		{
			const char* call;
			Engine::State state;
			const char* nextLevel;
		} rows[] = {
			{"LoadLevel('Second')", Engine::kChangeLevel, "Second"},
			{"SetNextLevel('Third')", Engine::kChangeLevel, "Third"},
			{"ReloadLevel()", Engine::kRestartLevel, "Third"},
			{"GotoNextLevel()", Engine::kChangeLevel, "Third"},
			{"Exit()", Engine::kQuit, "Third"},
		};
		for (const auto& row : rows)
		{
			Run(std::string("new Engine().") + row.call + ";");
			EXPECT_EQ(engine->GetRequestedState(), row.state) << row.call;
			EXPECT_EQ(engine->GetNextLevel(), row.nextLevel) << row.call;
			EXPECT_EQ(engine->GetCurrentLevel(), currentLevel) << row.call;
		}
	}

	TEST_F(ScriptEngine, SwitchesSendOnlyWhenTheyChangeSomething)
	{
		MakeEngine();
		sound->muted = true;
		Run("var e = new Engine(); e.SetMuted(true); e.Pause(false); e.SetFullScreen(false); e.SetResolution(800, 600, true);"
			" e.SetMuted(false);");
		EXPECT_EQ(listener->heard, (std::vector<std::string>{"PauseGame", "ChangeResolution", "MuteAllSounds"}));
		// The Sound system toggled its switch on the one "MuteAllSounds".
		EXPECT_EQ(Eval("e.IsMuted()"), "false");
	}

	TEST_F(ScriptEngine, VolumesAreStoredPerKindAndANonNumberSetsZero)
	{
		MakeEngine();
		Run("var e = new Engine(); e.SetVolume(0.25, true); e.SetVolume('loud', false);");
		EXPECT_FLOAT_EQ(sound->musicVolume, 0.25f);
		EXPECT_FLOAT_EQ(sound->effectVolume, 0.0f);
		EXPECT_EQ(Eval("e.GetVolume(true) + ' ' + e.GetVolume(false)"), "0.25 0");
		Run("e.SetVolume(3, false);");
		EXPECT_FLOAT_EQ(sound->effectVolume, 1.0f);
	}

	TEST_F(ScriptEngine, GotoPrevLevelMakesThePreviousLevelTheNextOne)
	{
		MakeEngine();
		Run("new Engine().LoadLevel('Second');");
		const std::string previous = engine->GetPreviousLevel();
		Run("new Engine().GotoPrevLevel();");
		EXPECT_EQ(engine->GetNextLevel(), previous);
		EXPECT_EQ(engine->GetRequestedState(), Engine::kChangeLevel);
	}

	// A page is data anyone may write: it names a level and cannot choose where the file goes.
	TEST_F(ScriptEngine, SaveLevelWritesOnlyAPlainNameAndOnlyIntoTheUserFoldersLevels)
	{
		MakeEngine();
		test::TempFolder outside;
		outside.WriteFile("victim", "keep");
		::testing::internal::CaptureStderr();
		for (const std::string name : {outside.Path() + "victim", std::string("../x"), std::string("..")})
			Run("new Engine().SaveLevel('" + name + "');");
		const std::string diagnostics = ::testing::internal::GetCapturedStderr();
		EXPECT_NE(diagnostics.find("Engine.SaveLevel: the level name \"../x\" is not a plain file name"), std::string::npos);
		Run("new Engine().SaveLevel('Mine');");

		std::vector<std::string> written;
		for (const auto& entry : std::filesystem::recursive_directory_iterator(userFolder.Path()))
			if (entry.path().filename().string().rfind("Tumblewreck.cfg", 0) != 0)
				written.push_back(std::filesystem::relative(entry.path(), userFolder.Path()).string());
		std::sort(written.begin(), written.end());
		EXPECT_EQ(written, (std::vector<std::string>{"Levels", "Levels/Mine"}));
		EXPECT_NE(userFolder.ReadFile("Levels/Mine").find("nextLevel"), std::string::npos);
		EXPECT_EQ(outside.ReadFile("victim"), "keep");
	}

	// Every kind of file is found in the user folder's sub-folders, its "Levels/" among them, before
	// the game's Data: a page that saved a level under another file's name replaced that file for good.
	TEST_F(ScriptEngine, APageSavesOnlyLevelsAndEveryOtherFileIsStillFoundWhereItWas)
	{
		MakeEngine();
		const std::vector<std::string> otherFiles = {"Objects/Crate.xml", "HUDElements/Hud.html", "Groups/Hut.xml",
			"Components/Collider/Box.xml", "Images/Sky.png", "Sounds/Click.wav", "Shaders/Glow", "Shaders/Vertex/Glow.vs",
			"Models/Tree.mdl", "PhysicsModels/Rock", "Fonts/Sans.ttf"};
		for (const std::string& file : otherFiles)
			dataFolder.WriteFile(file, "the game's");
		dataFolder.WriteFile("Levels/Yard", "<Level><string></string><string></string></Level>");

		for (const std::string& file : otherFiles)
		{
			const std::string name = std::filesystem::path(file).filename().string();
			SCOPED_TRACE(name);
			now += PageSaveLimit::kIntervalMilliseconds;
			::testing::internal::CaptureStderr();
			Run("new Engine().SaveLevel('" + name + "');");
			const std::string told = ::testing::internal::GetCapturedStderr();
			EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
			EXPECT_NE(told.find("Engine.SaveLevel: the level name \"" + name + "\""), std::string::npos) << told;
			EXPECT_EQ(FindFile(name), dataFolder.Path() + file);
		}
		for (const char* level : {"Yard", "Fresh"})
		{
			now += PageSaveLimit::kIntervalMilliseconds;
			Run(std::string("new Engine().SaveLevel('") + level + "');");
			EXPECT_EQ(FindFile(level), userFolder.Path() + "Levels/" + level);
		}
		EXPECT_EQ(std::distance(std::filesystem::directory_iterator(userFolder.Path() + "Levels"), {}), 2);
	}

	// A page's timers each run once a frame: a page that saved from them rewrote the level many
	// times a frame. A save held back is made when the second is over, the latest one; a page that
	// reloads itself (its pane's "LoadURL") gets no fresh second.
	TEST_F(ScriptEngine, APageSavesAtMostOnceASecondAndItsLatestSaveHeldBackIsMadeWhenTheSecondIsOver)
	{
		MakeEngine();
		// The page's scratch folder is one of the game's, so that the page loads again.
		AddSearchPath(folder.Path());
		HTMLView* otherPage = Load("<body></body>");
		using Levels = std::vector<std::string>;
		const struct
		{
			std::uint32_t at;
			HTMLView* from;
			const char* level;
			Levels savedAfter;
			bool reloadFirst = false;
		} rows[] = {
			{0, page, "First", {"First"}},
			{999, page, "Early", {"First"}},
			{999, page, "Again", {"First"}},
			{999, otherPage, "Other", {"First", "Other"}},
			{1000, nullptr, "", {"Again", "First", "Other"}},
			{1500, page, "Later", {"Again", "First", "Other"}},
			{1999, nullptr, "", {"Again", "First", "Other"}},
			{2000, nullptr, "", {"Again", "First", "Later", "Other"}},
			{2100, page, "Reloaded", {"Again", "First", "Later", "Other"}, true},
			{3000, nullptr, "", {"Again", "First", "Later", "Other", "Reloaded"}},
		};
		for (const auto& row : rows)
		{
			SCOPED_TRACE(std::to_string(row.at) + " " + row.level);
			now = row.at;
			if (row.reloadFirst)
				row.from->LoadURL("file:" + row.from->GetLoadedFile());
			if (row.from != nullptr)
				row.from->ExecuteJavascript(std::string("new Engine().SaveLevel('") + row.level + "'); void(0);");
			else
				HTMLEngine::Update();
			EXPECT_EQ(SavedLevels(), row.savedAfter);
		}
	}

	// Pages share objects: a function one page made and another calls saves as its maker's.
	TEST_F(ScriptEngine, APageSaveCountsAgainstThePageThatMadeTheFunctionCalled)
	{
		MakeEngine();
		{
			v8::Isolate* isolate = HTMLEngine::GetIsolate();
			v8::HandleScope scope(isolate);
			v8::Local<v8::Context> context = v8::Context::New(isolate);
			v8::Context::Scope entered(context);
			HTMLEngine::AddGlobalObjInstance("Shared", v8::Object::New(isolate));
		}
		AddSearchPath(folder.Path());
		HTMLView* maker = Load("<body><script>Shared.save = function (name) { new Engine().SaveLevel(name); };</script></body>");
		const struct
		{
			HTMLView* from;
			const char* statement;
			std::vector<std::string> savedAfter;
		} rows[] = {
			{page, "new Engine().SaveLevel('CallersOwn');", {"CallersOwn"}},
			{page, "Shared.save('MadeByTheMaker');", {"CallersOwn", "MadeByTheMaker"}},
			{maker, "new Engine().SaveLevel('MakersOwn');", {"CallersOwn", "MadeByTheMaker"}},
		};
		for (const auto& row : rows)
		{
			SCOPED_TRACE(row.statement);
			row.from->ExecuteJavascript(std::string(row.statement) + " void(0);");
			EXPECT_EQ(SavedLevels(), row.savedAfter);
		}
	}
}
