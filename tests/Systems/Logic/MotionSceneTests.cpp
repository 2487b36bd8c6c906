// Whole scenes of the motion components in the headless game with the real physics step: a turret
// whose blow fires balls at the player, a lever opening a sliding door, and a popup target rising as the
// player walks past; each scene played twice must give the same trace.
#include "Components/Logic/BallisticAim.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/Mover.h"
#include "Components/Logic/MotionWorld.h"
#include "Components/Logic/Popup.h"
#include "Components/Logic/ShootAtObject.h"
#include "Components/Logic/StaticMover.h"
#include "Components/Logic/StaticRotater.h"
#include "Components/Logic/StoredMessageWorld.h"
#include "Components/Logic/Switch.h"
#include "ObjectGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace
{
	using namespace test;

	struct __LaunchRecorderName
	{
		static constexpr const char* name = "LaunchRecorder";
	};

	// On each ball the turret's blow shoots: the velocity the ball is given.
	class LaunchRecorder : public QuietComponent<LaunchRecorder, __LaunchRecorderName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("SetVelocity", &LaunchRecorder::OnSetVelocity);
			return true;
		}
		static std::vector<Tuple3f>& Launches()
		{
			static std::vector<Tuple3f> launches;
			return launches;
		}

	private:
		void OnSetVelocity(Message::Reader reader) { Launches().push_back(reader.Read<Tuple3f>()); }
	};

	// The gust object of the turret's blow: a small cube named "Ball" that records its launch.
	std::string WriteBall(MotionWorld& world)
	{
		const std::string path = world.folder.Path() + "/ball.xml";
		std::ofstream(path) << "<Object><string name=\"Archetype\">Ball</string>"
			"<Component><string name=\"ComponentName\">Transform</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0.2 0.2 0.2</Tuple3f>"
			"<Tuple3f>0 0 0</Tuple3f></Component><Component><string name=\"ComponentName\">Body</string>" +
			MotionWorld::CubeBody() + "</Component><Component><string name=\"ComponentName\">LaunchRecorder</string></Component></Object>";
		return path;
	}

	struct TurretRun
	{
		std::vector<Tuple3f> launches;
		std::vector<Tuple3f> landings;
	};

	// The turret at the origin on a floor, its blow shooting balls at 10 units/s, the player
	// `distance` along x; 260 frames (4.16 s).
	TurretRun RunTurret(float distance)
	{
		MotionWorld world;
		world.AddFloor(0.0f);
		LaunchRecorder::Register();
		LaunchRecorder::Launches().clear();
		world.AddMoving(0, "", Tuple3f(distance, 1, 0), Tuple3f(), false, "Player");
		const Object turret = world.AddMoving(Blow::TypeId(),
			"<unsigned>0</unsigned><float>10</float><float>20</float><float>10</float><float>1</float><float>3</float><string>" +
				WriteBall(world) + "</string>",
			Tuple3f(0, 1, 0), Tuple3f(), false, "Turret");
		MotionWorld::AddLoaded(turret, ShootAtObject::TypeId(), "<string>Player</string><string>StartGust</string><unsigned>2000</unsigned>"
			"<float>10</float><float>225</float>");
		TurretRun run;
		std::vector<Object> balls;
		std::vector<bool> landed;
		for (int frame = 0; frame < 260; ++frame)
		{
			world.Frame();
			for (const unsigned id : ObjectIdsByName("Ball"))
				if (std::none_of(balls.begin(), balls.end(), [id](const Object& ball) { return ball.id == id; }))
				{
					balls.push_back(ObjectFromId(id));
					landed.push_back(false);
				}
			for (std::size_t ball = 0; ball < balls.size(); ++ball)
			{
				const Tuple3f at = MotionWorld::PositionOf(balls[ball]);
				if (!landed[ball] && at.y < 0.2f)
				{
					landed[ball] = true;
					run.landings.push_back(at);
				}
			}
		}
		run.launches = LaunchRecorder::Launches();
		const Tuple3f aim = BallisticAim(Tuple3f(distance, 0, 0), 10.0f, -9.8f).Normalize();
		for (const Tuple3f& launch : run.launches)
			EXPECT_LT((launch.Normalize() - aim).Length(), 1e-4);
		return run;
	}

	TEST(ShootAtObjectScene, ATurretFiresOneBallPerShootTimeThatLandsNearerThePlayerAndNoneOutOfRange)
	{
		const TurretRun run = RunTurret(10.0f);
		ASSERT_EQ(run.launches.size(), 3u);
		ASSERT_GE(run.landings.size(), 2u);
		for (const Tuple3f& landing : run.landings)
			EXPECT_LT((landing - Tuple3f(10, landing.y, 0)).Length(), (landing - Tuple3f(0, landing.y, 0)).Length());
		const TurretRun again = RunTurret(10.0f);
		ASSERT_EQ(again.landings.size(), run.landings.size());
		for (std::size_t ball = 0; ball < run.landings.size(); ++ball)
			EXPECT_EQ(again.landings[ball], run.landings[ball]);
		EXPECT_TRUE(RunTurret(16.0f).launches.empty());
	}

	// The lever toggled at frame 1 and again at frame 200; the door's distance along x every frame.
	std::vector<float> RunDoor()
	{
		MotionWorld world;
		world.AddFloor(0.0f);
		ObjectGroup* group = ObjectGroup::Create();
		const Object door = world.AddMoving(StaticMover::TypeId(), "<Tuple3f>1 0 0</Tuple3f>", Tuple3f(0, 1.5f, 0), Tuple3f(), true, "Door");
		door.object->SetGroup(group->GetId());
		const Object lever = CreateObject("Lever");
		lever.object->SetGroup(group->GetId());
		MotionWorld::AddLoaded(lever, Switch::TypeId(), "<unsigned>0</unsigned>" + Element(Str("Move(4, 2)")) + Element(Str("Move(0, 2)")));
		lever.object->Start();
		std::vector<float> trace;
		for (int frame = 0; frame < 400; ++frame)
		{
			if (frame == 1 || frame == 200)
				lever.SendMessage(Message("Toggle"));
			world.Frame();
			trace.push_back(MotionWorld::PositionOf(door).x);
		}
		return trace;
	}

	TEST(StaticMoverScene, ALeverSlidesTheDoorFourUnitsStoppingExactlyThereAndBack)
	{
		const std::vector<float> trace = RunDoor();
		EXPECT_NEAR(trace[64], 2.0f, 0.1f);
		EXPECT_EQ(trace[150], 4.0f);
		EXPECT_EQ(trace[199], 4.0f);
		EXPECT_EQ(trace[399], 0.0f);
		EXPECT_EQ(RunDoor(), trace);
	}

	// The player walks along x past a popup at the origin at 3 units/s; the popup's angle each frame.
	std::vector<float> RunPopup()
	{
		MotionWorld world;
		world.AddFloor(0.0f);
		world.AddMoving(Mover::TypeId(), "<Tuple3f>3 0 0</Tuple3f>", Tuple3f(-12, 1, 2), Tuple3f(), false, "Player");
		const Object target = world.AddMoving(StaticRotater::TypeId(), "<Tuple3f>1 0 0</Tuple3f>", Tuple3f(0, 1, 0), Tuple3f(), true, "Target");
		MotionWorld::AddLoaded(target, Popup::TypeId(), "<string>Player</string><float>5</float><float>0.5</float>");
		MotionWorld::Of<Popup>(target).Start();
		std::vector<float> trace;
		for (int frame = 0; frame < 500; ++frame)
		{
			world.Frame();
			trace.push_back(MotionWorld::Of<StaticRotater>(target).GetAngle());
		}
		return trace;
	}

	TEST(PopupScene, APopupRisesAsThePlayerWalksWithinItsDistanceAndLiesDownAsThePlayerLeaves)
	{
		const std::vector<float> trace = RunPopup();
		constexpr float kRaised = 1.5707964f;
		// Within 5 units from x = -4.58 (frame 155) to x = 4.58 (frame 346).
		EXPECT_EQ(trace[140], 0.0f);
		EXPECT_NEAR(trace[250], kRaised, 1e-5f);
		EXPECT_EQ(trace[499], 0.0f);
		EXPECT_EQ(RunPopup(), trace);
	}
}
