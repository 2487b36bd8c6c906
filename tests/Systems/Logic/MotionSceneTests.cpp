// Whole scenes of the motion components in the headless game with the real physics step: a turret
// firing balls at the player, a lever opening a sliding door, and a popup target rising as the
// player walks past; each scene played twice must give the same trace.
#include "Components/Logic/BallisticAim.h"
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

#include <cmath>

namespace
{
	using namespace test;

	struct __BallLauncherName
	{
		static constexpr const char* name = "BallLauncher";
	};

	// Carries out a turret's "StartGust" the way a gust of breath does: a ball leaves the launch
	// point along the normalised aim at a fixed speed.
	class BallLauncher : public QuietComponent<BallLauncher, __BallLauncherName>
	{
	public:
		static constexpr float kSpeed = 10.0f;

		bool Start() override
		{
			owner->RegisterHandler("StartGust", &BallLauncher::OnGust);
			return true;
		}
		std::vector<Object> balls;
		// The velocity each ball was given.
		std::vector<Tuple3f> launches;
		MotionWorld* world = nullptr;

	private:
		void OnGust(Message::Reader reader)
		{
			float strength = 0.0f;
			Tuple3f origin;
			Tuple3f aim;
			reader.Read(strength);
			reader.Read(origin);
			reader.Read(aim);
			const Tuple3f direction = aim.Normalize();
			const Object ball = world->AddBodyObject("Ball", origin + direction, false, MotionWorld::CubeBody());
			ball.object->GetComponent<Transform>()->SetScale(Tuple3f(0.2f, 0.2f, 0.2f));
			ball.object->Start();
			MotionWorld::RigidBodyOf(ball).velocity = direction * kSpeed;
			balls.push_back(ball);
			launches.push_back(MotionWorld::RigidBodyOf(ball).velocity);
		}
	};

	struct TurretRun
	{
		std::vector<Tuple3f> launches;
		std::vector<Tuple3f> landings;
	};

	// The turret at the origin on a floor, the player `distance` along x; 260 frames (4.16 s).
	TurretRun RunTurret(float distance)
	{
		MotionWorld world;
		world.AddFloor(0.0f);
		BallLauncher::Register();
		world.AddMoving(0, "", Tuple3f(distance, 1, 0), Tuple3f(), false, "Player");
		const Object turret = world.AddMoving(BallLauncher::TypeId(), "", Tuple3f(0, 1, 0), Tuple3f(), false, "Turret");
		BallLauncher& launcher = MotionWorld::Of<BallLauncher>(turret);
		launcher.world = &world;
		MotionWorld::AddLoaded(turret, ShootAtObject::TypeId(), "<string>Player</string><string>StartGust</string><unsigned>2000</unsigned>"
			"<float>10</float><float>225</float>");
		TurretRun run;
		std::vector<bool> landed;
		for (int frame = 0; frame < 260; ++frame)
		{
			world.Frame();
			for (std::size_t ball = 0; ball < launcher.balls.size(); ++ball)
			{
				const Tuple3f at = MotionWorld::PositionOf(launcher.balls[ball]);
				if (landed.size() <= ball)
					landed.push_back(false);
				if (!landed[ball] && at.y < 0.2f)
				{
					landed[ball] = true;
					run.landings.push_back(at);
				}
			}
		}
		run.launches = launcher.launches;
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
