#include "Components/Logic/CameraShake.h"

#include "Components/Logic/MotionWorld.h"

#include <cmath>

namespace
{
	using namespace test;

	// A camera at rest offset (0, 1, 0) with a shake loaded from the values, after one frame, so
	// that the frame time is the harness's 0.016 s whichever test ran before.
	Object AddShakingCamera(MotionWorld& world, const std::string& values)
	{
		world.Frame();
		const Object eye = MotionWorld::AddCamera(Tuple3f());
		eye.SendMessage(Message("SetCameraOffset").PushFloat(0.0f).PushFloat(1.0f).PushFloat(0.0f));
		MotionWorld::AddLoaded(eye, CameraShake::TypeId(), values);
		return eye;
	}

	const Tuple3f kBase(0, 1, 0);

	// How far the camera stands from its resting offset after each frame.
	std::vector<double> Shake(MotionWorld& world, const Object& eye, unsigned frames)
	{
		std::vector<double> distances;
		for (unsigned frame = 0; frame < frames; ++frame)
		{
			world.Frame();
			distances.push_back((eye.object->GetComponent<Camera>()->GetOffset() - kBase).Length());
		}
		return distances;
	}

	TEST(CameraShake, TheRadiusFallsLinearlyToZeroAtTheDurationThenTheRestingOffsetComesBackExactly)
	{
		MotionWorld world;
		const Object eye = AddShakingCamera(world, "<float>0.2</float><float>0.032</float><string>Quake</string><string>Boom</string>");
		MessageLog& log = Listen(eye, {"SetCameraOffset"});
		eye.SendMessage(Message("Boom"));
		const std::vector<double> distances = Shake(world, eye, 5);
		// Elapsed 0, 0.016, 0.032 (exactly the duration: radius 0), then past it: the rest.
		EXPECT_NEAR(distances[0], 0.2, 1e-6);
		EXPECT_NEAR(distances[1], 0.1, 1e-6);
		EXPECT_EQ(distances[2], 0.0);
		EXPECT_EQ(distances[3], 0.0);
		EXPECT_EQ(log.Count("SetCameraOffset"), 4u);
		EXPECT_FALSE(MotionWorld::Of<CameraShake>(eye).IsShaking());
	}

	TEST(CameraShake, ATriggerMidShakeRestartsTheDurationAroundTheFirstRestingOffset)
	{
		MotionWorld world;
		const Object eye = AddShakingCamera(world, "<float>0.2</float><float>0.5</float><string>Quake</string>");
		eye.SendMessage(Message("Quake"));
		Shake(world, eye, 10);
		eye.SendMessage(Message("Quake"));
		const std::vector<double> distances = Shake(world, eye, 40);
		EXPECT_NEAR(distances[0], 0.2, 1e-6) << "around the first base, with the full radius";
		// 0.5 s from the second trigger is 32 frames of 0.016 s, then the rest comes back.
		EXPECT_GT(distances[31], 0.0);
		EXPECT_EQ(distances[33], 0.0);
		EXPECT_FALSE(MotionWorld::Of<CameraShake>(eye).IsShaking());
	}

	TEST(CameraShake, NoTriggersOrNoPositiveDurationNeverMovesTheCamera)
	{
		const char* cases[] = {
			"<float>0.2</float><float>0.5</float>",
			"<float>0.2</float><float>0</float><string>Quake</string>",
			"<float>0.2</float><float>-1</float><string>Quake</string>",
		};
		for (const char* values : cases)
		{
			MotionWorld world;
			const Object eye = AddShakingCamera(world, values);
			MessageLog& log = Listen(eye, {"SetCameraOffset"});
			eye.SendMessage(Message("Quake"));
			for (const double distance : Shake(world, eye, 40))
				EXPECT_TRUE(std::isfinite(distance)) << values;
			for (const std::string& sent : log.entries)
				EXPECT_EQ(sent.find("nan"), std::string::npos) << values;
			EXPECT_EQ(eye.object->GetComponent<Camera>()->GetOffset(), kBase) << values;
		}
	}
}
