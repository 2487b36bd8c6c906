#include "Systems/Logic/ThrowBomb.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
	using test::GameClock;
	using test::GameplayWorld;

	struct __GustCatcherName
	{
		static constexpr const char* name = "GustCatcher";
	};

	// Keeps the arguments of every "StartGust" its object receives.
	class GustCatcher : public QuietComponent<GustCatcher, __GustCatcherName>
	{
	public:
		struct Gust
		{
			float strength = 0.0f;
			Tuple3f origin;
			Tuple3f aim;
			Tuple3f facing;
		};
		bool Start() override
		{
			owner->RegisterHandler("StartGust", &GustCatcher::OnStartGust);
			return true;
		}
		std::vector<Gust> gusts;

	private:
		void OnStartGust(Message::Reader reader)
		{
			Gust gust;
			reader.Read(gust.strength);
			reader.Read(gust.origin);
			reader.Read(gust.aim);
			reader.Read(gust.facing);
			gusts.push_back(gust);
		}
	};

	// A thrower at (0, 0.5, 0) whose launch point is one unit above it, and a target.
	struct ThrowLevel
	{
		explicit ThrowLevel(const Tuple3f& targetAt)
		{
			GustCatcher::Register();
			thrower = world.AddBodyObject("Thrower", Tuple3f(0, 0.5f, 0), false, GameplayWorld::CubeBody("NOGRAVITY"));
			thrower.object->AddComponent(GustCatcher::TypeId());
			thrower.object->Start();
			log = &test::Listen(thrower, {"SetAnimation", "StopPathing"});
			// Rays pass through the target as through the player, whose body is a controller.
			target = world.AddBodyObject("Target", targetAt, true, GameplayWorld::CubeBody("CONTROLLER NOGRAVITY"));
		}
		std::unique_ptr<BehaviorNode> Start(float maxShootDist, float cooldown = 1.0f)
		{
			world.Step();
			std::ostringstream fields;
			fields << "<string>Target</string><Tuple3f>0 1 0</Tuple3f><float>10</float><float>" << maxShootDist << "</float><float>"
				   << cooldown << "</float>";
			return test::StartNode("ThrowBomb", fields.str(), thrower.object);
		}
		const std::vector<GustCatcher::Gust>& Gusts() const { return thrower.object->GetComponent<GustCatcher>()->gusts; }

		GameplayWorld world;
		Object thrower;
		Object target;
		test::MessageLog* log = nullptr;
	};

	TEST(ThrowBomb, ThrowsOnceAtATargetStrictlyWithinReachWithTheBallisticAimFromTheLaunchPoint)
	{
		{
			ThrowLevel tooFar(Tuple3f(12, 0.5f, 0));
			EXPECT_EQ(tooFar.Start(12.0f)->status, Failure);
			EXPECT_TRUE(tooFar.Gusts().empty());
		}
		ThrowLevel level(Tuple3f(10, 1.5f, 0));
		EXPECT_EQ(level.Start(11.0f)->status, Running);
		ASSERT_EQ(level.Gusts().size(), 1u);
		const GustCatcher::Gust& gust = level.Gusts()[0];
		EXPECT_EQ(gust.strength, 1.0f);
		EXPECT_EQ(gust.origin, Tuple3f(0, 1.5f, 0));
		EXPECT_NEAR(gust.aim.x, 1.0f, 1e-5f);
		EXPECT_NEAR(gust.aim.y, 0.49f, 1e-5f);
		EXPECT_NEAR(gust.aim.z, 0.0f, 1e-5f);
		// Facing +x: atan2(10, 0) + pi.
		EXPECT_NEAR(gust.facing.y, 1.5f * 3.14159265f, 1e-5f);
		EXPECT_EQ(level.log->Named("SetAnimation"), (std::vector<std::string>{"SetAnimation Idle", "SetAnimation Throw"}));
		EXPECT_EQ(level.log->Count("StopPathing"), 1u);
	}

	TEST(ThrowBomb, SucceedsOnceTheCooldownHasPassedAndAtTheFirstUpdateWithNone)
	{
		const struct
		{
			float cooldown;
			int updatesToSuccess;
		} cases[] = {{0.0f, 1}, {0.16f, 10}, {1.0f, 63}};
		for (const auto& c : cases)
		{
			ThrowLevel level(Tuple3f(0, 0.5f, -11));
			auto node = level.Start(12.0f, c.cooldown);
			int updates = 0;
			while (node->status == Running && updates < 200)
			{
				GameClock::Advance(16);
				node->Update();
				++updates;
			}
			EXPECT_EQ(node->status, Success) << c.cooldown;
			EXPECT_EQ(updates, c.updatesToSuccess) << c.cooldown;
		}
	}

	TEST(ThrowBomb, ABodyInTheWayStopsTheThrowButNotTheSuccessAfterTheCooldown)
	{
		ThrowLevel level(Tuple3f(0, 1.5f, -11));
		GameplayWorld::AddStaticBox("Wall", Tuple3f(0, 1.5f, -5), Tuple3f(4, 4, 0.5f));
		auto node = level.Start(12.0f, 0.0f);
		EXPECT_TRUE(level.Gusts().empty());
		EXPECT_EQ(level.log->Named("SetAnimation"), std::vector<std::string>{"SetAnimation Idle"});
		node->Update();
		EXPECT_EQ(node->status, Success);
	}

	TEST(ThrowBomb, ATargetGoneBeforeTheCooldownFailsTheNode)
	{
		ThrowLevel level(Tuple3f(0, 1.5f, -11));
		auto node = level.Start(12.0f, 1.0f);
		level.target.object->Destroy();
		ProcessObjectChanges();
		GameClock::Advance(16);
		node->Update();
		EXPECT_EQ(node->status, Failure);
	}
}
