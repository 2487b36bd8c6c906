#include "Components/Logic/AirJump.h"

#include "Components/Logic/BreathWorld.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
	using test::BreathWorld;

	enum class Ground
	{
		kStatic,
		kAwake,
	};

	TEST(AirJump, ReplacesTheSpeedAlongJumpDirByBreathAndNearnessOfStillGround)
	{
		// Jump (0, 1, 0) within 30 degrees, forces 10 to 30. (strength, aim, ground, maxGroundDist,
		// velocity before, launch force expected along y, or none: the velocity stays)
		const Tuple3f down(0, -1, 0);
		const struct { float strength; Tuple3f aim; Ground ground; const char* maxGroundDist; Tuple3f before; float force; bool jumps; } cases[] = {
			{1.0f, down, Ground::kStatic, "2", {}, 20.0f, true},
			{1.4f, down, Ground::kStatic, "2", {}, 20.0f, true},
			{0.5f, down, Ground::kStatic, "4", {}, 10.0f + 20.0f * 0.5f * 0.75f, true},
			{1.0f, down, Ground::kStatic, "2", {2, -10, 1}, 20.0f, true},
			{1.0f, down, Ground::kAwake, "2", {}, 0.0f, false},
			{1.0f, down, Ground::kStatic, "0.5", {}, 0.0f, false},
			{1.0f, down, Ground::kStatic, "0", {}, 0.0f, false},
			{1.0f, Tuple3f(1, -1, 0), Ground::kStatic, "2", {}, 0.0f, false},
			{0.00009f, down, Ground::kStatic, "2", {}, 0.0f, false},
		};
		for (const auto& c : cases)
		{
			BreathWorld world(Tuple3f(0, 1, 0));
			if (c.ground == Ground::kStatic)
				world.AddStatic("Floor", Tuple3f(0, -0.5f, 0));
			else
				world.AddCrate(Tuple3f(0, -0.5f, 0));
			const Object player = world.AddPlayer({{AirJump::TypeId(), std::string("<Tuple3f>0 2 0</Tuple3f><float>30</float><unsigned>5</unsigned><float>") +
				c.maxGroundDist + "</float><float>10</float><float>30</float>"}});
			world.FileColliders();
			RigidBody& body = BreathWorld::RigidBodyOf(player);
			body.velocity = c.before;
			player.object->HandleMessage(Message("StartGust").PushFloat(c.strength).Push(world.eye).Push(c.aim));
			const Tuple3f expected = c.jumps ? Tuple3f(c.before.x, c.force * body.inverseMass, c.before.z) : c.before;
			for (int axis = 0; axis < 3; ++axis)
				EXPECT_NEAR(body.velocity[axis], expected[axis], 1e-3f) << c.strength << " " << c.maxGroundDist << " axis " << axis;
		}
	}

	TEST(AirJump, SavesTheToleranceInDegreesAndTheDirectionNormalised)
	{
		BreathWorld world;
		const Object player = world.AddPlayer({{AirJump::TypeId(),
			"<Tuple3f>0 3 0</Tuple3f><float>30</float><unsigned>5</unsigned><float>2</float><float>10</float><float>30</float>"}});
		BreathWorld::ExpectSavedTextReloads(*player.object->GetComponent<AirJump>(), world.AddCrate(Tuple3f(5, 5, 5)));
		const std::string saved = BreathWorld::Saved(*player.object->GetComponent<AirJump>());
		EXPECT_NE(saved.find("<Tuple3f name=\"jumpDir\">0 1 0</Tuple3f>"), std::string::npos) << saved;
		EXPECT_NE(saved.find("<float name=\"angleTolerance\">30</float>"), std::string::npos) << saved;
		// A direction too short to have one is kept as zero, not as the largest floats; one longer
		// than the largest float still reads back as it was saved.
		for (const char* direction : {"0 0 0", "-1e-30 0 0", "3e38 3e38 0"})
		{
			const Object other = world.AddPlayer({{AirJump::TypeId(), std::string("<Tuple3f>") + direction + "</Tuple3f>"}});
			BreathWorld::ExpectSavedTextReloads(*other.object->GetComponent<AirJump>(), world.AddCrate(Tuple3f(5, 5, 5)));
			const bool zero = std::string(direction) != "3e38 3e38 0";
			EXPECT_EQ(BreathWorld::Saved(*other.object->GetComponent<AirJump>()).find("<Tuple3f name=\"jumpDir\">0 0 0</Tuple3f>") !=
						  std::string::npos,
				zero)
				<< direction;
		}
	}
}
