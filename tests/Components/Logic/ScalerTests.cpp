#include "Components/Logic/Scaler.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
	using test::GameplayWorld;

	// A started object with a Transform of the start scale and a Scaler of the end scale and timeout.
	Object AddScaled(const std::string& startScale, const std::string& endScale, const std::string& timeout)
	{
		const Object object = CreateObject("Scaled");
		GameplayWorld::AddLoaded(object, Transform::TypeId(), "<Tuple3f>0 0 0</Tuple3f><Tuple3f>" + startScale + "</Tuple3f><Tuple3f>0 0 0</Tuple3f>");
		GameplayWorld::AddLoaded(object, Scaler::TypeId(), "<Tuple3f>" + endScale + "</Tuple3f><float>" + timeout + "</float>");
		object.object->Start();
		return object;
	}

	Tuple3f ScaleOf(const Object& object)
	{
		return object.object->GetComponent<Transform>()->GetScale();
	}

	TEST(Scaler, EndsWithTheClampedEndScaleAndOneScalerDoneInTheRightFrame)
	{
		// (start scale, end factor, timeout, frame of "ScalerDone", final scale)
		const struct { const char* start; const char* end; const char* timeout; unsigned doneFrame; Tuple3f last; } cases[] = {
			{"1 1 1", "2 2 2", "1", 63, {2, 2, 2}},
			{"-1 1 2", "0 0 0", "0.5", 32, {-Scaler::kMinScale, Scaler::kMinScale, Scaler::kMinScale}},
			{"1 1 1", "3 3 3", "0", 1, {3, 3, 3}},
			{"1 1 1", "3 3 3", "-2", 1, {3, 3, 3}},
		};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object object = AddScaled(c.start, c.end, c.timeout);
			test::MessageLog& log = test::Listen(object, {"SetScale", "ScalerDone"});
			unsigned doneFrame = 0;
			for (unsigned frame = 1; frame <= 100; ++frame)
			{
				world.Frame();
				if (doneFrame == 0 && log.Count("ScalerDone") == 1)
					doneFrame = frame;
			}
			EXPECT_EQ(doneFrame, c.doneFrame) << c.end << " " << c.timeout;
			EXPECT_EQ(log.Count("ScalerDone"), 1u);
			EXPECT_EQ(log.Count("SetScale"), c.doneFrame) << "nothing is sent after the run";
			EXPECT_EQ(ScaleOf(object), c.last);
		}
	}

	TEST(Scaler, ReverseHalfWayFallsBackFromThePresentFactor)
	{
		GameplayWorld world;
		const Object object = AddScaled("1 1 1", "3 3 3", "1");
		world.Frame(31);
		const float halfWay = ScaleOf(object).x;
		EXPECT_NEAR(halfWay, 2.0f, 0.05f);
		object.object->HandleMessage(Message("ReverseScaler"));
		world.Frame();
		EXPECT_LT(ScaleOf(object).x, halfWay);
		// The same progress, one step further, mirrored: 3 - 2p instead of 1 + 2p.
		EXPECT_NEAR(ScaleOf(object).x, 4.0f - halfWay - 0.032f, 0.002f);
		world.Frame(40);
		EXPECT_EQ(ScaleOf(object), Tuple3f(1, 1, 1));
	}

	TEST(Scaler, RestartAfterRebaseScalesThePresentScaleAgain)
	{
		GameplayWorld world;
		const Object object = AddScaled("1 1 1", "2 2 2", "0.1");
		world.Frame(10);
		ASSERT_EQ(ScaleOf(object), Tuple3f(2, 2, 2));
		object.object->HandleMessage(Message("RebaseScaler"));
		object.object->HandleMessage(Message("RestartScaler"));
		EXPECT_EQ(ScaleOf(object), Tuple3f(2, 2, 2));
		world.Frame(10);
		EXPECT_EQ(ScaleOf(object), Tuple3f(4, 4, 4));
	}

	// A finished run reversed and restarted jumps to its former end at once, before any frame.
	TEST(Scaler, RestartSendsTheStartingScaleAtOnce)
	{
		GameplayWorld world;
		const Object object = AddScaled("1 1 1", "3 3 3", "0.1");
		world.Frame(10);
		object.object->HandleMessage(Message("SetScale").Push(Tuple3f(5, 5, 5)));
		object.object->HandleMessage(Message("ReverseScaler"));
		object.object->HandleMessage(Message("RestartScaler"));
		EXPECT_EQ(ScaleOf(object), Tuple3f(3, 3, 3));
	}
}
