#include "Components/Logic/Lungs.h"

#include "Components/Logic/Blow.h"
#include "Components/Logic/BreathWorld.h"
#include "Engine.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
	using test::BreathWorld;

	// Rest 5 of 10, inhale approaches 20 (asymptote 2), a full breath bursts twice as strong;
	// particles 10 to 20.
	constexpr const char* kLungsXml = "<float>1</float><float>100</float><float>2</float><float>5</float><float>10</float>"
		"<float>2</float><float>1</float><float>3</float><unsigned>10</unsigned><unsigned>20</unsigned>"
		"<Tuple3f>1 1 1</Tuple3f><Tuple3f>2 2 2</Tuple3f>";

	struct Player
	{
		Object object;
		Lungs* lungs;
		test::MessageLog* log;
	};

	Player AddPlayer(BreathWorld& world, bool withFullBlow = false)
	{
		std::initializer_list<std::pair<unsigned, std::string>> lungsOnly = {{Lungs::TypeId(), kLungsXml}};
		std::initializer_list<std::pair<unsigned, std::string>> withBlow = {{Lungs::TypeId(), kLungsXml}, {Blow::TypeId(), BreathWorld::BlowValues(0)}};
		const Object object = world.AddPlayer(withFullBlow ? withBlow : lungsOnly);
		test::MessageLog& log = test::Listen(object, {"LungsPercentage", "StartGust", "ParticleBurst", "ParticleActivate", "AdjustFOVPercent"});
		return {object, object.object->GetComponent<Lungs>(), &log};
	}

	void SetState(const Player& player, unsigned state)
	{
		player.object.object->HandleMessage(Message("SetLungState").PushU32(state));
	}

	TEST(Lungs, AtRestNothingChangesAndTheRatioIsReportedEveryFrame)
	{
		BreathWorld world;
		const Player player = AddPlayer(world);
		world.Frame(3);
		EXPECT_EQ(player.lungs->curCapacity, 5.0f);
		EXPECT_EQ(player.log->Named("LungsPercentage"), std::vector<std::string>(3, "LungsPercentage 0.5"));
	}

	TEST(Lungs, InhalingFillsUpToMaxCapacityAndStopsThere)
	{
		BreathWorld world;
		const Player player = AddPlayer(world);
		SetState(player, Lungs::kInhale);
		world.Frame(2);
		EXPECT_GT(player.lungs->curCapacity, 5.0f);
		EXPECT_LT(player.lungs->curCapacity, 10.0f);
		world.Frame(60);
		EXPECT_EQ(player.lungs->curCapacity, 10.0f);
	}

	// One frame of 16 ms towards twice the maximum: (20 - breath) / 10 x rate x dt.
	TEST(Lungs, EachStateRefillsAtItsOwnRateTowardsTheAsymptote)
	{
		const struct
		{
			unsigned state;
			float breath, expected;
		} cases[] = {{Lungs::kRest, 1.0f, 1.0f + 1.9f * 0.016f}, {Lungs::kInhale, 5.0f, 5.0f + 1.5f * 100 * 0.016f},
			{Lungs::kRelease, 1.0f, 1.0f + 1.9f * 0.016f}};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Player player = AddPlayer(world);
			world.Frame();
			SetState(player, c.state);
			player.lungs->curCapacity = c.breath;
			world.Frame();
			EXPECT_NEAR(player.lungs->curCapacity, c.expected, 1e-4) << "state " << c.state;
		}
	}

	TEST(Lungs, ReleaseGustsByTheBreathAndBurstsFromFullLungs)
	{
		// (breath, Blow full, gusts sent, particle bursts sent)
		const struct { float breath; bool fullBlow; std::vector<std::string> gusts; std::vector<std::string> bursts; } cases[] = {
			{10.0f, false, {"StartGust 2"}, {"ParticleBurst Main 30"}},
			{5.0f, false, {"StartGust 0.5"}, {"ParticleBurst Main 10"}},
			{3.0f, false, {}, {}},
			{3.0f, true, {"StartGust 0.3"}, {}},
		};
		for (const auto& c : cases)
		{
			BreathWorld world;
			const Player player = AddPlayer(world, c.fullBlow);
			player.lungs->curCapacity = c.breath;
			SetState(player, Lungs::kRelease);
			world.Frame();
			EXPECT_EQ(player.log->Named("StartGust"), c.gusts) << c.breath;
			EXPECT_EQ(player.log->Named("ParticleBurst"), c.bursts) << c.breath;
			EXPECT_EQ(player.lungs->curCapacity == 0.0f, !c.bursts.empty()) << c.breath;
		}
	}

	TEST(Lungs, InhalingAgainTurnsTheSuckParticlesOffThenOn)
	{
		BreathWorld world;
		const Player player = AddPlayer(world);
		SetState(player, Lungs::kInhale);
		SetState(player, Lungs::kInhale);
		EXPECT_EQ(player.log->Named("ParticleActivate"),
			(std::vector<std::string>{"ParticleActivate Suck 1", "ParticleActivate Suck 0", "ParticleActivate Suck 1"}));
	}

	TEST(Lungs, SendsNothingWhileTheGameIsPaused)
	{
		BreathWorld world;
		const Player player = AddPlayer(world);
		SetState(player, Lungs::kRelease);
		Engine::SendMessage(Message("Pause").PushBool(true));
		player.lungs->Update();
		EXPECT_TRUE(player.log->entries.empty());
		EXPECT_EQ(player.lungs->curCapacity, 5.0f);
	}

	TEST(Lungs, PlaceStateAsksForOnePlacingAndReturnsToRest)
	{
		BreathWorld world;
		const Player player = AddPlayer(world);
		test::Listen(player.object, {"PlaceObject"});
		SetState(player, Lungs::kPlace);
		world.Frame(3);
		EXPECT_EQ(player.log->Count("PlaceObject"), 1u);
		EXPECT_EQ(player.lungs->state, static_cast<unsigned>(Lungs::kRest));
	}

	TEST(Lungs, WithoutCapacityEveryRatioIsZero)
	{
		BreathWorld world;
		const Object object = world.AddPlayer({{Lungs::TypeId(), "<float>1</float><float>1</float><float>1</float><float>0</float><float>0</float>"}});
		test::MessageLog& log = test::Listen(object, {"LungsPercentage", "StartGust"});
		object.object->HandleMessage(Message("SetLungState").PushU32(Lungs::kRelease));
		world.Frame();
		EXPECT_EQ(log.entries, (std::vector<std::string>{"StartGust 0", "LungsPercentage 0"}));
	}
}
