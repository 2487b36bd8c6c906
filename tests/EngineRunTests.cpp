#include "LevelTestSupport.h"

#include "FrameTimer.h"

#include <sstream>

namespace
{
	using namespace test;

	struct __SteadyName
	{
		static constexpr const char* name = "Steady";
	};
	// A system kept across level changes, as the window is.
	class Steady : public SystemBase<Steady, __SteadyName>
	{
	public:
		Steady()
		{
			reloadOnLevelChange = false;
		}
		void LoadConfig(Config&) override
		{
		}
		void Initialize() override
		{
			Events().push_back("Initialize Steady");
		}
		void Update() override
		{
			Events().push_back("Update Steady");
		}
		void Shutdown() override
		{
			Events().push_back("Shutdown Steady");
		}
	};

	// Levels Dock, Bridge and Tower, each with one "Buoy" object, starting at Dock.
	class LevelLoop : public LevelTest
	{
	protected:
		void SetUp() override
		{
			LevelTest::SetUp();
			WriteConfig("<Config><FirstLevel>Dock</FirstLevel></Config>");
			WriteLevel("Dock", "Bridge", "Quay");
			WriteLevel("Bridge", "Tower", "Dock");
			WriteLevel("Tower", "Dock", "Bridge");
			MakeEngineOver(dataFolder.Path());
		}

		void WriteLevel(const std::string& name, const std::string& next, const std::string& previous, const std::string& objects = "")
		{
			dataFolder.WriteFile("Levels/" + name, "<Level><string>" + next + "</string><string>" + previous +
				"</string><ObjectGroup><Object><string>Buoy</string></Object>" + objects + "</ObjectGroup></Level>");
		}

		// Added last, so that its script runs after every other system's update.
		Director& AddDirector(const std::vector<std::string>& alsoListensTo = {})
		{
			auto* director = new Director;
			director->listensTo.insert(director->listensTo.end(), alsoListensTo.begin(), alsoListensTo.end());
			engine->AddSystem(director);
			return *director;
		}

		static void Send(const char* messageName)
		{
			Engine::SendMessage(Message(messageName));
		}

		// "in Dock after Quay, next Bridge, 1 object"
		void LogWhereWeAre() const
		{
			std::size_t objects = 0;
			for (Object object = FirstObject(); !object.IsDummy(); object = NextObject(object))
				++objects;
			Events().push_back("in " + engine->GetCurrentLevel() + " after " + engine->GetPreviousLevel() + ", next " +
				engine->GetNextLevel() + ", " + std::to_string(objects) + " object" + (objects == 1 ? "" : "s"));
		}
	};

	class LevelChange : public LevelLoop
	{
	};

	class FrameLoop : public LevelLoop
	{
	protected:
		void TearDown() override
		{
			if (realClock)
				FrameTimer::Instance().SetClock(realClock);
			LevelLoop::TearDown();
		}

		void InjectClock(FrameTimer::Clock clock)
		{
			realClock = FrameTimer::Instance().SetClock(std::move(clock));
		}

		FrameTimer::Clock realClock;
	};

	TEST_F(LevelChange, RequestsInALoopRestartGoToTheNextOrPreviousLevelAndQuit)
	{
		Director& director = AddDirector();
		director.script[1] = [&] {
			LogWhereWeAre();
			Send("NextLevel");
		};
		director.script[2] = [&] {
			LogWhereWeAre();
			Send("PrevLevel");
		};
		director.script[3] = [&] {
			LogWhereWeAre();
			Send("RestartLevel");
		};
		director.script[4] = [&] {
			LogWhereWeAre();
			Message gotoTower("GotoLevel");
			gotoTower.PushString("Tower");
			Engine::SendMessage(gotoTower);
		};
		director.script[5] = [&] {
			LogWhereWeAre();
			Send("Shutdown");
		};
		Events().clear();
		engine->Run();

		EXPECT_EQ(Events(), (std::vector<std::string>{
								"LevelLoaded Dock", "in Dock after Quay, next Bridge, 1 object", "UnloadingLevel Dock",
								"LevelLoaded Bridge", "in Bridge after Dock, next Tower, 1 object", "UnloadingLevel Bridge",
								"LevelLoaded Dock", "in Dock after Quay, next Bridge, 1 object", "UnloadingLevel Dock",
								// After a restart the previous level is the file's, not the restarted one.
								"LevelLoaded Dock", "in Dock after Quay, next Bridge, 1 object", "UnloadingLevel Dock",
								"LevelLoaded Tower", "in Tower after Bridge, next Dock, 1 object", "UnloadingLevel Tower"}));
		// Quitting unloads like any change: nothing of the level is left when Run returns.
		EXPECT_TRUE(FirstObject().IsDummy());
		EXPECT_TRUE(::ObjectGroup::InCreationOrder().empty());
		EXPECT_TRUE(::ObjectGroup::Default().GetMembers().empty());
		EXPECT_EQ(engine->GetLoadingView(), nullptr);
	}

	TEST_F(LevelChange, RequestsMadeWhileALevelLoadsAreDiscarded)
	{
		WriteLevel("Dock", "Bridge", "Quay",
			"<Object><string>Eager</string><Component><string>StartMessage</string><string>NextLevel</string></Component></Object>"
			"<Object><string>Hasty</string><Component><string>StartMessage</string><string>Shutdown</string></Component></Object>");
		Director& director = AddDirector();
		director.script[1] = [&] {
			LogWhereWeAre();
			EXPECT_EQ(engine->GetLoadingView(), nullptr);
		};
		director.script[3] = [&] { Send("Shutdown"); };
		Events().clear();
		engine->Run();

		// The loading page is up while the objects start; the requests they make have no effect.
		EXPECT_EQ(Events(), (std::vector<std::string>{"Sent Shutdown showing LoadingScreen.html", "Sent NextLevel showing LoadingScreen.html",
								"LevelLoaded Dock", "in Dock after Quay, next Bridge, 3 objects", "UnloadingLevel Dock"}));
		EXPECT_EQ(director.frame, 3u);
	}

	TEST_F(LevelChange, TheLastRequestOfAFrameWins)
	{
		Director& director = AddDirector();
		director.script[1] = [] {
			Send("Shutdown");
			Send("NextLevel");
		};
		director.script[2] = [] {
			Send("NextLevel");
			Send("Shutdown");
		};
		Events().clear();
		engine->Run();
		EXPECT_EQ(Events(), (std::vector<std::string>{"LevelLoaded Dock", "UnloadingLevel Dock", "LevelLoaded Bridge", "UnloadingLevel Bridge"}));
	}

	TEST_F(LevelChange, ALevelThatFailsLeavesAnEmptyWorldAndALaterRequestTriesItAgain)
	{
		WriteLevel("Dock", "Missing", "Quay");
		Director& director = AddDirector();
		director.script[1] = [] { Send("NextLevel"); };
		director.script[2] = [&] {
			LogWhereWeAre();
			Send("NextLevel");
		};
		director.script[3] = [&] {
			LogWhereWeAre();
			Send("RestartLevel");
		};
		director.script[4] = [&] {
			LogWhereWeAre();
			Send("Shutdown");
		};
		Events().clear();
		::testing::internal::CaptureStderr();
		engine->Run();
		::testing::internal::GetCapturedStderr();
		EXPECT_EQ(Events(), (std::vector<std::string>{"LevelLoaded Dock", "UnloadingLevel Dock", "in Missing after Dock, next Missing, 0 objects",
								"UnloadingLevel Missing", "in Missing after Missing, next Missing, 0 objects", "UnloadingLevel Missing",
								"in Missing after Missing, next Missing, 0 objects", "UnloadingLevel Missing"}));
	}

	TEST_F(LevelChange, SystemsMarkedForReloadAreReloadedBeforeEveryLoadAndTheOthersAreKept)
	{
		engine->AddSystem(new Alpha);
		engine->AddSystem(new Steady);
		Director& director = AddDirector();
		director.script[1] = [] { Send("NextLevel"); };
		director.script[2] = [&] { engine->RequestState(Engine::kQuit); };
		Events().clear();
		engine->Run();
		EXPECT_EQ(Events(), (std::vector<std::string>{"Shutdown Alpha", "Initialize Alpha", "LevelLoaded Dock", "Update Alpha", "Update Steady",
								"UnloadingLevel Dock", "Shutdown Alpha", "Initialize Alpha", "LevelLoaded Bridge", "Update Alpha",
								"Update Steady", "UnloadingLevel Bridge"}));
	}

	TEST_F(LevelChange, QuitRequestedBeforeRunLoadsNothing)
	{
		engine->AddSystem(new Alpha);
		AddDirector();
		engine->RequestState(Engine::kQuit);
		Events().clear();
		engine->Run();
		EXPECT_TRUE(Events().empty());
	}

	TEST_F(FrameLoop, SystemsUpdateInAddingOrderThenQueuedDestructionsTakeEffect)
	{
		engine->AddSystem(new Alpha);
		Director& director = AddDirector({"ObjectDestroyed"});
		engine->AddSystem(new Beta);
		director.script[1] = [&] {
			const Object buoy = OnlyNamed("Buoy");
			buoy.object->Destroy();
			EXPECT_FALSE(ObjectFromId(buoy.id).IsDummy());
		};
		director.script[2] = [&] {
			EXPECT_TRUE(Named("Buoy").empty());
			engine->RequestState(Engine::kQuit);
		};
		engine->Run();
		const std::vector<std::string> firstFrames(std::find(Events().begin(), Events().end(), "LevelLoaded Dock") + 1, Events().end());
		EXPECT_EQ(firstFrames, (std::vector<std::string>{"Update Alpha", "Update Beta", "ObjectDestroyed Dock", "Update Alpha",
								   "Update Beta", "UnloadingLevel Dock"}));
	}

	TEST_F(FrameLoop, FrameTimeIsTheLastFramesLengthCappedAtOneFifteenth)
	{
		std::uint32_t now = 5000;
		InjectClock([&now] { return now; });
		std::vector<double> seen;
		Director& director = AddDirector();
		const std::uint32_t frameLengths[] = {40, 70, 10, 1000};
		for (unsigned frame = 1; frame <= 4; ++frame)
			director.script[frame] = [&, frame] {
				if (frame > 1)
					seen.push_back(FrameTimer::Instance().GetFrameTime());
				now += frameLengths[frame - 1];
			};
		director.script[5] = [&] {
			seen.push_back(FrameTimer::Instance().GetFrameTime());
			engine->RequestState(Engine::kQuit);
		};
		engine->Run();
		ASSERT_EQ(seen.size(), 4u);
		EXPECT_DOUBLE_EQ(seen[0], 0.040);
		EXPECT_DOUBLE_EQ(seen[1], FrameTimer::kMaxFrameTime);
		EXPECT_DOUBLE_EQ(seen[2], 0.010);
		EXPECT_DOUBLE_EQ(seen[3], FrameTimer::kMaxFrameTime);
	}
}
