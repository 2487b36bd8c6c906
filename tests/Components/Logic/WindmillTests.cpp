#include "Components/Logic/Windmill.h"

#include "Components/Logic/StoredMessageWorld.h"
#include "Systems/Physics/Physics.h"

#include <algorithm>

namespace
{
	using namespace test;

	// About y: full speed in degrees/s, acceleration 45 degrees/s^2, blown time in s, sucked 0.5 s, decay.
	std::string Settings(const std::string& maxAVel, const std::string& blownTime, const std::string& decay)
	{
		return "<Tuple3f>0 1 0</Tuple3f><float>" + maxAVel + "</float><float>45</float><float>" + blownTime +
			"</float><float>0.5</float><float>" + decay + "</float>";
	}
	const std::string kLists = Element(Str("On()")) + Element(Str("Off()")) + Element(Str("Reset()"));
	const std::string kSettings = Settings("90", "1", "0.98");
	constexpr float kAccel = 0.7853982f * 0.016f;

	Object AddWindmill(StoredMessageWorld& world, const std::string& lists = kLists, const std::string& settings = kSettings)
	{
		const Object mill = world.AddBodyObject("Mill", Tuple3f(0, 0, 0), false, world.BodyValues("NOGRAVITY"));
		world.AddLoaded(mill, Windmill::TypeId(), settings + lists);
		world.AddLoaded(mill, Listener::TypeId(), Str("On") + Str("Off") + Str("Reset"));
		mill.object->Start();
		return mill;
	}

	float Speed(const Object& mill)
	{
		return StoredMessageWorld::Of<Windmill>(mill).GetAngularSpeed();
	}

	TEST(Windmill, ABlowSpinsItUpToFullSpeedThenItDecaysToRestFiringEachListOnce)
	{
		StoredMessageWorld world;
		const Object mill = AddWindmill(world);
		mill.SendMessage(Message("Blown"));
		world.Frame(10);
		EXPECT_NEAR(Speed(mill), 10 * 4 * kAccel, 1e-4f);
		EXPECT_NEAR(world.RigidBodyOf(mill).angularVelocity.y, Speed(mill), 1e-6f);
		world.Frame(300);
		EXPECT_EQ(world.HeardNames(), (std::vector<std::string>{"On", "Reset"}));
		EXPECT_EQ(Speed(mill), 0.0f);
	}

	// 4 x 45 degrees/s^2 for 32 steps passes 90 degrees/s: that step holds it at exactly full speed
	// and fires the on list; the push goes on above it without another clamp.
	TEST(Windmill, ReachingFullSpeedClampsItOnceAndTheOnListFires)
	{
		StoredMessageWorld world;
		const Object mill = AddWindmill(world);
		const float full = 90.0f * 0.017453292f;
		mill.SendMessage(Message("Blown"));
		world.Frame(31);
		EXPECT_LT(Speed(mill), full);
		EXPECT_TRUE(world.HeardNames().empty());
		world.Frame();
		EXPECT_FLOAT_EQ(Speed(mill), full);
		EXPECT_EQ(world.HeardNames(), std::vector<std::string>{"On"});
		world.Frame();
		EXPECT_NEAR(Speed(mill), full + 4 * kAccel, 1e-5f);
		EXPECT_EQ(world.HeardNames(), std::vector<std::string>{"On"});
	}

	// A suck after a blow reverses the push at once; one against a slow forward spin passes through
	// rest while it lasts, and nothing is reset.
	TEST(Windmill, ASuckAfterABlowReversesAtOnceAndPassingThroughRestResetsNothing)
	{
		const struct { unsigned blown, sucked; float speed; } cases[] = {{10, 1, 10 * 4 * kAccel - kAccel}, {3, 8, 3 * 4 * kAccel - 8 * kAccel}};
		for (const auto& row : cases)
		{
			StoredMessageWorld world;
			const Object mill = AddWindmill(world);
			mill.SendMessage(Message("Blown"));
			world.Frame(row.blown);
			mill.SendMessage(Message("Sucked"));
			world.Frame(row.sucked);
			EXPECT_NEAR(Speed(mill), row.speed, 1e-5f) << row.blown << " frames blown, " << row.sucked << " sucked";
			EXPECT_TRUE(world.HeardNames().empty());
		}
	}

	TEST(Windmill, WhilePhysicsIsPausedItNeitherDecaysNorFires)
	{
		StoredMessageWorld world;
		const Object mill = AddWindmill(world);
		mill.SendMessage(Message("Blown"));
		world.Frame(80);
		const float spinning = Speed(mill);
		Physics::Instance()->GetResolution().updateEnabled = false;
		world.Frame(300);
		EXPECT_EQ(Speed(mill), spinning);
		EXPECT_EQ(world.HeardNames(), (std::vector<std::string>{"On"}));
	}

	// Settings out of range are refused with one report naming the setting; the bounds themselves pass.
	TEST(Windmill, SettingsOutOfRangeAreRefusedAtLoadAndTheMillStaysStill)
	{
		const struct { std::string settings; const char* reported; } cases[] = {
			{Settings("90", "1", "1.5"), "decay 1.5"},
			{Settings("90", "1", "-0.1"), "decay -0.1"},
			{Settings("-90", "1", "0.9"), "maxAVel -90"},
			{Settings("90", "-1", "0.9"), "blownTime -1"},
			{Settings("90", "1", "1"), nullptr},
			{Settings("90", "1", "0"), nullptr},
		};
		for (const auto& row : cases)
		{
			SCOPED_TRACE(row.settings);
			StoredMessageWorld world;
			Object mill{};
			const std::string printed = Printed([&] { mill = AddWindmill(world, kLists, row.settings); });
			mill.SendMessage(Message("Blown"));
			world.Frame(30);
			if (row.reported == nullptr)
			{
				EXPECT_TRUE(printed.empty()) << printed;
				EXPECT_NE(Speed(mill), 0.0f);
				continue;
			}
			EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
			EXPECT_NE(printed.find(row.reported), std::string::npos) << printed;
			EXPECT_EQ(StoredMessageWorld::RigidBodyOf(mill).angularVelocity, Tuple3f());
		}
	}

	TEST(Windmill, SixNumbersAndThreeListsSurviveSaveAndReloadWithAnEmptyOnList)
	{
		StoredMessageWorld world;
		const Object mill = AddWindmill(world, Element(Str("")) + Element(Str("Off()") + Str("A(1)")) + Element(Str("Reset()")));
		const std::string saved = world.Saved(world.Of<Windmill>(mill));
		EXPECT_EQ(world.Saved(world.Of<Windmill>(world.Reloaded<Windmill>(mill))), saved);
		for (const std::string part : {">0 1 0<", ">90<", ">45<", ">1<", ">0.5<", ">0.98<", ">Off()<", ">A(1)<", ">Reset()<"})
			EXPECT_NE(saved.find(part), std::string::npos) << part << " in " << saved;
	}
}

namespace
{
	using namespace test;

	TEST(Windmill, WithoutABodyItStaysInert)
	{
		StoredMessageWorld world;
		const Object mill = world.Add<Windmill>("Mill", kSettings + kLists, Str("On") + Str("Reset"));
		mill.object->AddComponent(Transform::TypeId());
		mill.object->Start();
		mill.SendMessage(Message("Blown"));
		world.Frame(100);
		EXPECT_EQ(Speed(mill), 0.0f);
		EXPECT_TRUE(Listener::Log().empty());
	}
}
