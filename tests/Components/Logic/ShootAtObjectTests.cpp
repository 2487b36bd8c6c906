#include "Components/Logic/ShootAtObject.h"

#include "Components/Logic/BallisticAim.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/MotionWorld.h"

#include <cmath>

namespace
{
	using namespace test;

	struct Shot
	{
		std::uint32_t time;
		float strength;
		Tuple3f origin;
		Tuple3f aim;
		Tuple3f facing;
	};

	struct __ShotCatcherName
	{
		static constexpr const char* name = "ShotCatcher";
	};

	// Keeps the arguments of every "Fire" its object receives, with the game time.
	class ShotCatcher : public QuietComponent<ShotCatcher, __ShotCatcherName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("Fire", &ShotCatcher::OnFire);
			return true;
		}
		std::vector<Shot> shots;

	private:
		void OnFire(Message::Reader reader)
		{
			Shot shot{GetElapsedMilliseconds(), 0.0f, {}, {}, {}};
			reader.Read(shot.strength);
			reader.Read(shot.origin);
			reader.Read(shot.aim);
			reader.Read(shot.facing);
			shots.push_back(shot);
		}
	};

	// A turret at (0, 1, 0) aiming at "Player" with the range, speed and shootTime.
	Object AddTurret(float range, float speed = 10.0f, unsigned shootTime = 2000)
	{
		ShotCatcher::Register();
		const Object turret = CreateObject("Turret");
		turret.object->AddComponent(Transform::TypeId());
		turret.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(0, 1, 0));
		turret.object->AddComponent(ShotCatcher::TypeId());
		MotionWorld::AddLoaded(turret, ShootAtObject::TypeId(), "<string>Player</string><string>Fire</string><unsigned>" + std::to_string(shootTime) +
			"</unsigned><float>" + std::to_string(speed) + "</float><float>" + std::to_string(range) + "</float>");
		turret.object->Start();
		return turret;
	}

	Object AddShotPlayer(MotionWorld& world, const Tuple3f& position)
	{
		return world.AddMoving(0, "", position, Tuple3f(), false, "Player");
	}

	const std::vector<Shot>& ShotsOf(const Object& turret) { return MotionWorld::Of<ShotCatcher>(turret).shots; }

	TEST(ShootAtObject, FiresOnlyWhileTheSquaredDistanceIsWithinTheMinimumRange)
	{
		// (distance, minimum range, shots in the first frame)
		const struct { float distance; float range; std::size_t shots; } cases[] = {
			{3.0f, 10.0f, 1},
			{4.0f, 10.0f, 0},
			{4.0f, 16.0f, 1},
		};
		for (const auto& c : cases)
		{
			MotionWorld world;
			const Object turret = AddTurret(c.range);
			AddShotPlayer(world, Tuple3f(c.distance, 1, 0));
			world.Frame();
			EXPECT_EQ(ShotsOf(turret).size(), c.shots) << c.distance << " " << c.range;
		}
	}

	TEST(ShootAtObject, ShotsComeAtLeastShootTimeApartWhileTheFacingFollowsTheTargetEveryFrame)
	{
		MotionWorld world;
		const Object turret = AddTurret(1000.0f);
		const Object player = AddShotPlayer(world, Tuple3f(10, 1, 0));
		for (int frame = 0; frame < 320; ++frame)
		{
			const float angle = 0.05f * static_cast<float>(frame);
			const Tuple3f at(10 * std::cos(angle), 1, 10 * std::sin(angle));
			player.SendMessage(Message("SetPos").Push(at));
			world.Frame();
			// Turned so that its front (-z) looks at the target.
			const Tuple3f front = Quaternion::Rotate(MotionWorld::OrientationOf(turret), Tuple3f(0, 0, -1));
			EXPECT_LT((front - Tuple3f(at.x, 0, at.z).Normalize()).Length(), 1e-4) << frame;
		}
		const std::vector<Shot>& shots = ShotsOf(turret);
		ASSERT_EQ(shots.size(), 3u);
		for (std::size_t shot = 1; shot < shots.size(); ++shot)
			EXPECT_GT(shots[shot].time - shots[shot - 1].time, 2000u);
		EXPECT_EQ(shots[0].strength, 1.0f);
		// Pushed its muzzle distance along the aim, the shot starts just outside the shooter.
		const float start = (shots[0].origin + shots[0].aim.Normalize() * Blow::kMuzzleDistance).Distance(Tuple3f(0, 1, 0));
		EXPECT_GT(start, 0.5f);
		EXPECT_LT(start, 1.0f);
		EXPECT_LT((shots[0].aim - BallisticAim(Tuple3f(10, 0, 0), 10.0f, -9.8f)).Length(), 1e-5);
		EXPECT_NEAR(shots[0].facing.y, std::atan2(10.0, 0.0) + 3.14159265358979, 1e-5);
	}

	TEST(ShootAtObject, DoesNothingUntilItsTargetExistsThenAimsAtItAtOnce)
	{
		MotionWorld world;
		const Object turret = AddTurret(1000.0f);
		world.Frame(10);
		EXPECT_TRUE(ShotsOf(turret).empty());
		EXPECT_EQ(MotionWorld::OrientationOf(turret), Quaternion());
		AddShotPlayer(world, Tuple3f(0, 1, 10));
		world.Frame();
		ASSERT_EQ(ShotsOf(turret).size(), 1u);
		EXPECT_LT((ShotsOf(turret)[0].aim - Tuple3f(0, 0.49f, 1)).Length(), 1e-5);
	}

	TEST(ShootAtObject, FiresNoShotWithoutAnAimAndNoneWhilePhysicsIsPaused)
	{
		// (speed, paused)
		for (const auto& [speed, paused] : {std::pair{0.0f, false}, std::pair{10.0f, true}})
		{
			MotionWorld world;
			const Object turret = AddTurret(1000.0f, speed, 0);
			AddShotPlayer(world, Tuple3f(5, 1, 0));
			MotionWorld::PausePhysics(paused);
			world.Frame(5);
			EXPECT_TRUE(ShotsOf(turret).empty()) << speed;
		}
	}
}
