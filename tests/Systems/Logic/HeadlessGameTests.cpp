#include "Components/Logic/DelayMessage.h"
#include "Components/Logic/StoredMessageWorld.h"
#include "Systems/Logic/GameWorld.h"
#include "Utilities/DebugDraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

namespace
{
	using namespace test;

	std::string FileText(const std::string& path)
	{
		std::ifstream file(path, std::ios::binary);
		std::ostringstream text;
		text << file.rdbuf();
		return text.str();
	}

	TEST(GameClock, AFrameLastsSixteenGameMilliseconds)
	{
		GameWorld world;
		const std::uint32_t start = GetElapsedMilliseconds();
		world.Frame(3);
		EXPECT_EQ(GetElapsedMilliseconds() - start, 48u);
		EXPECT_DOUBLE_EQ(FrameTimer::Instance().GetFrameTime(), 0.016);
		GameClock::Advance(1000);
		world.Frame();
		EXPECT_DOUBLE_EQ(FrameTimer::Instance().GetFrameTime(), 0.016) << "time passing between frames is not the frame's";
	}

	// A slow machine's frame lasts longer than the one physics step it simulates. The game's timers
	// count the simulated time, so each ends when a falling stone has fallen as far as on a fast
	// machine, however much of the frame had passed when the timer looked at the clock.
	TEST(GameClock, TimersEndAfterTheTimeThePhysicsSimulatedWhenFramesRunLong)
	{
		// Each starts a timer of one second and gives the check that it has ended.
		const std::pair<std::string, std::function<std::function<bool()>(StoredMessageWorld&)>> timers[] = {
			{"delayed message",
				[](StoredMessageWorld& world) {
					world.Add<DelayMessage>("Timer", Element(Str("Tick()") + "<float>1</float>"), Str("Tick")).object->Start();
					return [] { return !Listener::Log().empty(); };
				}},
			{"idling leaf",
				[](StoredMessageWorld&) {
					GameWorld::AddTree("Idler", "SequenceNode", Child("Idle", "<float>1</float><float>1</float>") + Leaf("after"));
					return [] { return std::count(Events().begin(), Events().end(), "Start after") > 0; };
				}},
		};
		for (const auto& [timer, start] : timers)
		{
			float fastDrop = 0.0f;
			// Frames of 16, 17, 100 and 500 ms.
			for (const std::uint32_t work : {0u, 17u, 100u, 500u})
			{
				SCOPED_TRACE(timer + ", frame work " + std::to_string(work));
				StoredMessageWorld world;
				world.frameWork = work;
				const Object stone = world.AddBodyObject("Stone", Tuple3f(0, 100, 0));
				const std::function<bool()> ended = start(world);
				for (int frame = 0; !ended() && frame < 200; ++frame)
					world.Frame();
				const float drop = 100.0f - GameWorld::RigidBodyOf(stone).GetPosition().y;
				fastDrop = work == 0 ? drop : fastDrop;
				EXPECT_NEAR(drop, fastDrop, 1e-4f);
				EXPECT_GT(drop, 4.0f) << "a second of free fall";
			}
		}
	}

	TEST(GameClock, EngineRunFramesLastSixteenGameMillisecondsAcrossLevelChanges)
	{
		GameWorld world;
		const std::string level = world.WriteLevel("Empty.xml", "<Level><string>Empty.xml</string><string></string></Level>");
		std::vector<std::uint32_t> times;
		std::vector<double> frameTimes;
		std::map<unsigned, std::function<void()>> script;
		for (unsigned frame = 2; frame <= 5; ++frame)
			script[frame] = [&] { times.push_back(GetElapsedMilliseconds()); frameTimes.push_back(FrameTimer::Instance().GetFrameTime()); };
		script[3] = [&, record = script[3]] { record(); Engine::Instance()->RequestState(Engine::kRestartLevel); };
		world.Run(level, script, 6);
		ASSERT_EQ(times.size(), 4u);
		EXPECT_EQ(times[1] - times[0], 16u);
		EXPECT_EQ(times[3] - times[2], 16u);
		EXPECT_EQ(frameTimes, std::vector<double>(4, 0.016));
	}

	TEST(HeadlessGame, CameraListAndDebugLinesWorkWithoutAnOpenGLContext)
	{
		GameWorld world;
		const Object eye = PhysicsComponentWorld::AddCamera(Tuple3f(0, 2, 5));
		EXPECT_EQ(world.graphics->GetActiveCamera(), eye.object->GetComponent<Camera>());
		DebugDraw::DrawLine(Tuple3f(), Tuple3f(1, 0, 0), 2.0f, Tuple4f(0, 1, 0, 1));
		EXPECT_EQ(world.graphics->GetLineQueue().size(), 1u);
		world.Frame();
		EXPECT_TRUE(world.graphics->GetLineQueue().empty()) << "dropped at the frame's end, as the debug pass would";
	}

	TEST(HeadlessGame, ALevelOfBehaviorTreesRunsSixHundredFramesAndSavesUnchanged)
	{
		GameWorld world;
		const std::string level = TW_TEST_DATA_DIR "Levels/BehaviorTrees";
		const std::vector<std::string> prototypes = GameWorld::PrototypeForms();
		ASSERT_TRUE(world.LoadLevel(level));
		EXPECT_EQ(world.logic->GetLogicObjects().size(), 4u);
		world.Frame(600);
		const std::string saved = world.engine.userFolder.Path() + "Saved.xml";
		ASSERT_TRUE(world.engine.engine->SaveLevel(saved));
		EXPECT_EQ(FileText(saved), FileText(level));
		EXPECT_EQ(GameWorld::PrototypeForms(), prototypes);
	}
}
