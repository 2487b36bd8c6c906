#include "EngineTestSupport.h"

#include "FrameTimer.h"
#include "JSEngine.h"
#include "Systems/Input.h"
#include "Systems/Window.h"

#include <SDL/SDL.h>

#include <cstdlib>
#include <filesystem>

namespace
{
	using namespace test;

	struct __SteadyName { static constexpr const char* name = "Steady"; };
	// A system kept across level changes, as the window is.
	class Steady : public SystemBase<Steady, __SteadyName>
	{
	public:
		Steady() { reloadOnLevelChange = false; }
		void LoadConfig(Config&) override {}
		void Initialize() override { Events().push_back("Initialize Steady"); }
		void Update() override { Events().push_back("Update Steady"); }
		void Shutdown() override { Events().push_back("Shutdown Steady"); }
	};

	struct __StallName { static constexpr const char* name = "Stall"; };
	// A level load that takes long: on "CloseAndStall" (sent by an object starting while Dock loads)
	// it asks the window to close, as a user would, and holds the load up for a second and a half.
	class Stall : public SystemBase<Stall, __StallName>
	{
	public:
		void LoadConfig(Config&) override {}
		void Initialize() override
		{
			RegisterHandler("CloseAndStall", &Stall::OnCloseAndStall);
		}
		void Update() override {}
		void OnCloseAndStall(Message::Reader)
		{
			closed = std::system(TW_XWINDOW_TOOL " close Tumblewreck") == 0;
			SDL_Delay(1500);
		}

		bool closed = false;
	};

	// Levels Dock, Bridge and Tower, each with one "Buoy" object, starting at Dock.
	class LevelChange : public EngineTest
	{
	protected:
		void SetUp() override
		{
			EngineTest::SetUp();
			WriteConfig("<Config><FirstLevel>Dock</FirstLevel></Config>");
			WriteLevel("Dock", "Bridge", "Quay");
			WriteLevel("Bridge", "Tower", "Dock");
			WriteLevel("Tower", "Dock", "Bridge");
			MakeEngine();
		}
		void TearDown() override { if (realClock.now) FrameTimer::Instance().SetClock(realClock); EngineTest::TearDown(); }

		void WriteLevel(const std::string& name, const std::string& next, const std::string& previous, const std::string& objects = "")
		{
			dataFolder.WriteFile("Levels/" + name, "<Level><string>" + next + "</string><string>" + previous +
				"</string><ObjectGroup><Object><string>Buoy</string></Object>" + objects + "</ObjectGroup></Level>");
		}

		// Added last, so that its script runs after every other system's update; runs the engine
		// with a script of one step a frame and gives what was logged.
		Names Run(std::vector<std::function<void()>> steps, const Names& alsoListensTo = {})
		{
			auto* director = new Director;
			director->listensTo.insert(director->listensTo.end(), alsoListensTo.begin(), alsoListensTo.end());
			for (unsigned frame = 0; frame < steps.size(); ++frame)
				director->script[frame + 1] = steps[frame];
			engine->AddSystem(director);
			Events().clear();
			engine->Run();
			frames = director->frame;
			return Events();
		}

		// Logs "in Dock after Quay, next Bridge, 1 object", then sends the message named.
		std::function<void()> LogAndSend(const std::string& messageName)
		{
			return [this, messageName] {
				std::size_t objects = 0;
				for (Object object = FirstObject(); !object.IsDummy(); object = NextObject(object))
					++objects;
				Events().push_back("in " + engine->GetCurrentLevel() + " after " + engine->GetPreviousLevel() + ", next " +
					engine->GetNextLevel() + ", " + std::to_string(objects) + " object" + (objects == 1 ? "" : "s"));
				if (!messageName.empty())
					Engine::SendMessage(Message(messageName));
			};
		}
		static std::function<void()> Send(const char* messageName) { return [messageName] { Engine::SendMessage(Message(messageName)); }; }
		std::function<void()> Quit() { return [this] { engine->RequestState(Engine::kQuit); }; }

		unsigned frames = 0;
		FrameTimer::Clock realClock;
	};
	using FrameLoop = LevelChange;
	using LevelFileChain = LevelChange;
	// Opens a window: named so that it takes its turn on the one X display.
	using WindowCloseWhileLoading = LevelChange;

	TEST_F(LevelChange, RequestsInALoopRestartGoToTheNextOrPreviousLevelAndQuit)
	{
		const std::function<void()> gotoTower = [this] {
			LogAndSend("")();
			Engine::SendMessage(Message("GotoLevel").PushString("Tower"));
		};
		EXPECT_EQ(Run({LogAndSend("NextLevel"), LogAndSend("PrevLevel"), LogAndSend("RestartLevel"), gotoTower, LogAndSend("Shutdown")}),
			(Names{"LevelLoaded Dock", "in Dock after Quay, next Bridge, 1 object", "UnloadingLevel Dock", "LevelLoaded Bridge",
				"in Bridge after Dock, next Tower, 1 object", "UnloadingLevel Bridge", "LevelLoaded Dock",
				"in Dock after Quay, next Bridge, 1 object", "UnloadingLevel Dock",
				// After a restart the previous level is the file's, not the restarted one.
				"LevelLoaded Dock", "in Dock after Quay, next Bridge, 1 object", "UnloadingLevel Dock", "LevelLoaded Tower",
				"in Tower after Bridge, next Dock, 1 object", "UnloadingLevel Tower"}));
		// Quitting unloads like any change: nothing of the level is left when Run returns.
		EXPECT_TRUE(FirstObject().IsDummy());
		EXPECT_TRUE(ObjectGroup::InCreationOrder().empty());
		EXPECT_TRUE(ObjectGroup::Default().GetMembers().empty());
		EXPECT_EQ(engine->GetLoadingView(), nullptr);
	}

	TEST_F(LevelChange, RequestsMadeWhileALevelLoadsAreDiscarded)
	{
		WriteLevel("Dock", "Bridge", "Quay",
			"<Object><string>Eager</string><Component><string>StartMessage</string><string>NextLevel</string></Component></Object>"
			"<Object><string>Hasty</string><Component><string>StartMessage</string><string>Shutdown</string></Component></Object>");
		const Names events = Run({LogAndSend(""), [] {}, Send("Shutdown")});
		// The loading page is up while the objects start; the requests they make have no effect.
		EXPECT_EQ(events, (Names{"Sent Shutdown showing LoadingScreen.html", "Sent NextLevel showing LoadingScreen.html", "LevelLoaded Dock",
							  "in Dock after Quay, next Bridge, 3 objects", "UnloadingLevel Dock"}));
		EXPECT_EQ(frames, 3u);
		EXPECT_EQ(engine->GetLoadingView(), nullptr);
	}

	// Unlike a request made by the level's objects, the user's wish to leave must outlast the load:
	// the first frame after it ends the game.
	TEST_F(WindowCloseWhileLoading, EndsTheGameInTheFirstFrameAfterTheLoad)
	{
		if (!std::getenv("DISPLAY"))
			GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
		engine.reset();
		WriteConfig("<Config><FirstLevel>Dock</FirstLevel><Window><Width>640</Width><Height>480</Height>"
					"<Fullscreen>false</Fullscreen></Window></Config>");
		MakeEngine();
		WriteLevel("Dock", "Bridge", "Quay",
			"<Object><string>Closer</string><Component><string>StartMessage</string><string>CloseAndStall</string></Component></Object>");
		engine->AddSystem(new Window());
		engine->AddSystem(new Input());
		auto* stall = new Stall;
		engine->AddSystem(stall);
		::testing::internal::CaptureStderr();
		const Names events = Run({});
		::testing::internal::GetCapturedStderr();
		ASSERT_TRUE(stall->closed);
		EXPECT_EQ(events, (Names{"Sent CloseAndStall showing LoadingScreen.html", "LevelLoaded Dock", "UnloadingLevel Dock"}));
		EXPECT_EQ(frames, 1u);
	}

	TEST_F(LevelChange, ALevelThatFailsLeavesAnEmptyWorldAndALaterRequestTriesItAgain)
	{
		WriteLevel("Dock", "Missing", "Quay");
		::testing::internal::CaptureStderr();
		const Names events = Run({Send("NextLevel"), LogAndSend("NextLevel"), LogAndSend("RestartLevel"), LogAndSend("Shutdown")});
		::testing::internal::GetCapturedStderr();
		EXPECT_EQ(events, (Names{"LevelLoaded Dock", "UnloadingLevel Dock", "in Missing after Dock, next Missing, 0 objects",
							  "UnloadingLevel Missing", "in Missing after Missing, next Missing, 0 objects", "UnloadingLevel Missing",
							  "in Missing after Missing, next Missing, 0 objects", "UnloadingLevel Missing"}));
	}

	// A level is loaded into an empty world whether it loads or not: what stood in the world when the
	// load began (here made before the first level) goes with a missing or refused level too.
	TEST_F(LevelChange, AMissingOrRefusedLevelLeavesNothingOfWhatStoodBefore)
	{
		TempFolder outside;
		outside.WriteFile("Escape", "<Level><string>Dock</string><string>Dock</string></Level>");
		const std::string escape = dataFolder.Path() + "Levels/Escape";
		WriteLevel("Escape", "Dock", "Dock");
		const struct
		{
			const char* firstLevel;
			std::function<void()> beforeTheLoad;
		} cases[] = {
			{"Missing", [] {}},
			// A level when the engine took its name, a link out of the game's folders when it loads.
			{"Escape", [&] {
				std::filesystem::remove(escape);
				std::filesystem::create_symlink(outside.Path() + "Escape", escape);
			}},
		};
		for (const auto& entry : cases)
		{
			SCOPED_TRACE(entry.firstLevel);
			engine.reset();
			WriteConfig(std::string("<Config><FirstLevel>") + entry.firstLevel + "</FirstLevel></Config>");
			MakeEngine();
			entry.beforeTheLoad();
			CreateObject("Leftover");
			::testing::internal::CaptureStderr();
			const Names events = Run({LogAndSend("Shutdown")});
			::testing::internal::GetCapturedStderr();
			const std::string level = entry.firstLevel;
			EXPECT_EQ(events, (Names{"in " + level + " after " + level + ", next " + level + ", 0 objects", "UnloadingLevel " + level}));
		}
	}

	// Level names come from level files, bindings, pages and the configuration, all of which anyone
	// may write. Each rule has a name that it alone refuses: the climbing names land on Bridge in the
	// data folder, and the link is a plain name.
	TEST_F(LevelFileChain, ALevelNamedOutsideTheGamesFoldersIsRefusedWithADiagnosticNamingIt)
	{
		TempFolder outside;
		outside.WriteFile("Escape", "<Level><string></string><string></string><ObjectGroup><Object><string>Intruder</string>"
									"</Object></ObjectGroup></Level>");
		std::filesystem::create_symlink(outside.Path() + "Escape", dataFolder.Path() + "Levels/Escape");
		const std::string dataName = std::filesystem::path(dataFolder.Path()).parent_path().filename().string();
		const std::string absolute = outside.Path() + "Escape";
		const std::string climbing = "../" + dataName + "/Levels/Bridge";
		const std::string climbingLater = "Levels/../../" + dataName + "/Levels/Bridge";
		const std::string climbs = "it climbs out of the game's folders with \"..\"";
		WriteLevel("Dock", climbingLater, "Escape");
		const struct
		{
			const char* source;
			std::function<void()> request;
			std::string named;
			std::string reason;
		} cases[] = {
			{"a page", [&] { JSEngine().LoadLevel(absolute); }, absolute, "it is an absolute path"},
			{"a binding", [&] { Engine::SendMessage(Message("GotoLevel").PushString(climbing)); }, climbing, climbs},
			{"the level's next level", Send("NextLevel"), climbingLater, climbs},
			{"the level's previous level, a link", Send("PrevLevel"), "Escape",
				"it is the file \"" + dataFolder.Path() + "Levels/Escape\", outside the game's folders"},
		};
		for (const auto& entry : cases)
		{
			SCOPED_TRACE(entry.source);
			engine->RequestState(Engine::kRestartLevel);
			::testing::internal::CaptureStderr();
			EXPECT_EQ(Run({entry.request, Quit()}), (Names{"LevelLoaded Dock", "UnloadingLevel Dock"}));
			const std::string told = ::testing::internal::GetCapturedStderr();
			EXPECT_NE(told.find("Level \"" + entry.named + "\" is refused: " + entry.reason), std::string::npos) << told;
		}

		engine.reset();
		WriteConfig("<Config><FirstLevel>" + absolute + "</FirstLevel></Config>");
		::testing::internal::CaptureStderr();
		MakeEngine();
		const std::string told = ::testing::internal::GetCapturedStderr();
		EXPECT_EQ(engine->GetNextLevel(), "MainMenu") << "the configuration's first level";
		EXPECT_NE(told.find("Level \"" + absolute + "\" is refused: it is an absolute path"), std::string::npos) << told;
	}

	// A level file in the folder the game is started from is no level of the game's: whichever way
	// a level is asked for, it is read from the data folder, and the stray file blocks nothing.
	TEST_F(LevelFileChain, ALevelIsReadFromTheGamesFoldersWhateverTheWorkingFolderHolds)
	{
		WriteLevel("MainMenu", "Dock", "Quay");
		const std::function<void()> restartUncached = [] {
			Serializer::ClearFileCache();
			Engine::SendMessage(Message("RestartLevel"));
		};
		const std::function<void()> restartCachedFromHere = [] {
			Serializer::ClearFileCache();
			Serializer().LoadFile("Dock");
			Engine::SendMessage(Message("RestartLevel"));
		};
		const std::function<void()> gotoBridge = [] { Engine::SendMessage(Message("GotoLevel").PushString("Bridge")); };
		const std::function<void()> gotoPier = [] { Engine::SendMessage(Message("GotoLevel").PushString("Pier")); };
		const struct
		{
			const char* request;
			const char* strayFile;
			const char* firstLevel;
			std::function<void()> step;
			Names events;
			// The start of the one level diagnostic; empty for none.
			std::string told = "";
		} cases[] = {
			{"the first level", "Dock", "<FirstLevel>Dock</FirstLevel>", [] {}, {"LevelLoaded Dock", "UnloadingLevel Dock"}},
			{"the fallback", "MainMenu", "", [] {}, {"LevelLoaded MainMenu", "UnloadingLevel MainMenu"}},
			{"a restart", "Dock", "<FirstLevel>Dock</FirstLevel>", restartUncached,
				{"LevelLoaded Dock", "UnloadingLevel Dock", "LevelLoaded Dock", "UnloadingLevel Dock"}},
			{"a restart of a copy cached from here", "Dock", "<FirstLevel>Dock</FirstLevel>", restartCachedFromHere,
				{"LevelLoaded Dock", "UnloadingLevel Dock", "LevelLoaded Dock", "UnloadingLevel Dock"}},
			{"a shipped level", "Bridge", "<FirstLevel>Dock</FirstLevel>", gotoBridge,
				{"LevelLoaded Dock", "UnloadingLevel Dock", "LevelLoaded Bridge", "UnloadingLevel Bridge"}},
			{"a level the game's folders do not hold", "Pier", "<FirstLevel>Dock</FirstLevel>", gotoPier,
				{"LevelLoaded Dock", "UnloadingLevel Dock", "UnloadingLevel Pier"}, "Level \"Pier\" is not found in the game's folders"},
		};
		const std::filesystem::path started = std::filesystem::current_path();
		for (const auto& entry : cases)
		{
			SCOPED_TRACE(entry.request);
			const TempFolder workingFolder;
			workingFolder.WriteFile(entry.strayFile, "<Level><string>Stray</string><string>Stray</string></Level>");
			std::filesystem::current_path(workingFolder.Path());
			engine.reset();
			WriteConfig(std::string("<Config>") + entry.firstLevel + "</Config>");
			::testing::internal::CaptureStderr();
			MakeEngine();
			const Names events = Run({entry.step, Quit()});
			const std::string told = ::testing::internal::GetCapturedStderr();
			std::filesystem::current_path(started);
			EXPECT_EQ(events, entry.events);
			EXPECT_NE(engine->GetPreviousLevel(), "Stray") << "read from the data folder's file";
			const std::size_t said = told.find("Level \"");
			EXPECT_EQ(said == std::string::npos ? std::string() : told.substr(said, entry.told.size()), entry.told) << told;
		}
	}

	TEST_F(LevelChange, SystemsMarkedForReloadAreReloadedBeforeEveryLoadAndTheOthersAreKept)
	{
		engine->AddSystem(new Alpha);
		engine->AddSystem(new Steady);
		EXPECT_EQ(Run({Send("NextLevel"), Quit()}),
			(Names{"Shutdown Alpha", "Initialize Alpha", "LevelLoaded Dock", "Update Alpha", "Update Steady", "UnloadingLevel Dock",
				"Shutdown Alpha", "Initialize Alpha", "LevelLoaded Bridge", "Update Alpha", "Update Steady", "UnloadingLevel Bridge"}));
	}

	TEST_F(FrameLoop, SystemsUpdateInAddingOrderThenQueuedDestructionsTakeEffect)
	{
		engine->AddSystem(new Alpha);
		engine->AddSystem(new Beta);
		const auto destroyBuoy = [this] {
			const Object buoy = OnlyNamed("Buoy");
			buoy.object->Destroy();
			EXPECT_FALSE(ObjectFromId(buoy.id).IsDummy());
		};
		const Names events = Run({destroyBuoy, Quit()}, {"ObjectDestroyed"});
		EXPECT_EQ(Names(std::find(events.begin(), events.end(), "LevelLoaded Dock") + 1, events.end()),
			(Names{"Update Alpha", "Update Beta", "ObjectDestroyed Dock", "Update Alpha", "Update Beta", "UnloadingLevel Dock"}));
	}

	TEST_F(FrameLoop, FramesThatEndEarlyAreSleptOutToSixteenMilliseconds)
	{
		std::uint32_t now = 7000;
		realClock = FrameTimer::Instance().SetClock({[&now] { return now; }, [&now](std::uint32_t milliseconds) { now += milliseconds; }});
		std::vector<std::uint32_t> frameStarts;
		const std::function<void()> work3ms = [&] {
			frameStarts.push_back(now);
			now += 3;
		};
		const std::function<void()> work20ms = [&] {
			frameStarts.push_back(now);
			now += 20;
		};
		Run({work3ms, work3ms, work20ms, work3ms, Quit()});
		EXPECT_EQ(frameStarts, (std::vector<std::uint32_t>{7000, 7016, 7032, 7052}));
	}

	TEST_F(FrameLoop, FrameTimeIsTheLastFramesLengthCappedAtOneFifteenth)
	{
		std::uint32_t now = 5000;
		realClock = FrameTimer::Instance().SetClock({[&now] { return now; }, [&now](std::uint32_t milliseconds) { now += milliseconds; }});
		std::vector<double> seen;
		const auto record = [&](std::uint32_t frameLength) {
			return [&, frameLength] {
				seen.push_back(FrameTimer::Instance().GetFrameTime());
				now += frameLength;
			};
		};
		Run({[&] { now += 40; }, record(70), record(10), record(1000), record(0), Quit()});
		// The frame of 10 ms was paced to 16.
		const double expected[] = {0.040, FrameTimer::kMaxFrameTime, 0.016, FrameTimer::kMaxFrameTime};
		ASSERT_EQ(seen.size(), 4u);
		for (std::size_t frame = 0; frame < seen.size(); ++frame)
			EXPECT_DOUBLE_EQ(seen[frame], expected[frame]) << frame;
	}
}
