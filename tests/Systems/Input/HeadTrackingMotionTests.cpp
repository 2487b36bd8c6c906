#include "Systems/Input/HeadTracking.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Transform.h"
#include "Utilities/Timer.h"

#include <cmath>

namespace
{
	std::uint32_t fakeNow = 0;
	std::uint32_t FakeHeadClock()
	{
		return fakeNow;
	}

	// A tracked object beside a camera looking down -z (right +x, up +y).
	class HeadTrackingMotion : public test::GLTest
	{
	protected:
		void SetUp() override
		{
			GLTest::SetUp();
			if (!engine)
				return;
			SetElapsedMillisecondsHook(&FakeHeadClock);
			fakeNow = 100;
			HeadTracking::Register();
			StartedObject(test::TransformXml("0 0 0") + test::CameraXml("0 0 -1"), "Camera");
		}
		void TearDown() override
		{
			SetElapsedMillisecondsHook(nullptr);
			GLTest::TearDown();
		}

		// eyeDist 1, screenHeight 1, camVertAngle 0, camFOV 45 degrees, camHeight 0, scaling.
		Composition* Tracked(const std::string& scaling = "<float>1</float>")
		{
			return StartedObject(test::TransformXml("0 0 0") + test::ComponentXml("HeadTracking",
				"<float>1</float><float>1</float><float>0</float><float>45</float><unsigned>0</unsigned>" + scaling));
		}

		static void Sample(Composition& tracked, std::initializer_list<Tuple3f> dots, std::uint32_t at)
		{
			for (const Tuple3f& dot : dots)
				tracked.HandleMessage(Message("AddIRDot").PushFloat(dot.z).PushFloat(dot.y).PushFloat(dot.x));
			fakeNow = at;
			tracked.GetComponent<HeadTracking>()->Update();
		}

		static Tuple3f Where(Composition& tracked) { return tracked.GetComponent<Transform>()->GetWorldPosition(); }
	};
}

// Dots are (x, y, weight): the head seen at the first dots, then 0.1 further right.
TEST_F(HeadTrackingMotion, TheTwoHeaviestDotsMoveTheObjectWhateverTheirOrder)
{
	const struct
	{
		std::initializer_list<Tuple3f> first, second;
		bool moves;
	} cases[] = {
		{{{-0.2f, 0, 5}, {0.2f, 0, 5}}, {{-0.1f, 0, 5}, {0.3f, 0, 5}}, true},
		{{{0.2f, 0, 5}, {-0.2f, 0, 5}}, {{0.3f, 0, 5}, {-0.1f, 0, 5}}, true},
		{{{-0.2f, 0, 5}, {0.9f, 0.9f, 1}, {0.2f, 0, 5}}, {{-0.1f, 0, 5}, {0.3f, 0, 5}, {-0.9f, -0.9f, 2}}, true},
		{{{-0.2f, 0, 5}}, {{-0.1f, 0, 5}}, false},
	};
	Tuple3f firstMove;
	for (const auto& c : cases)
	{
		Composition* tracked = Tracked();
		Sample(*tracked, c.first, 1000);
		Sample(*tracked, c.second, 1100);
		const Tuple3f moved = Where(*tracked);
		if (!c.moves)
		{
			EXPECT_EQ(moved, Tuple3f(0, 0, 0));
			continue;
		}
		EXPECT_GT(moved.x, 0.01f) << "the head went right";
		EXPECT_NEAR(moved.y, 0.0f, 1e-6f);
		if (firstMove == Tuple3f())
			firstMove = moved;
		EXPECT_NEAR(moved.x, firstMove.x, 1e-6f);
		EXPECT_NEAR(moved.z, firstMove.z, 1e-6f);
	}
}

TEST_F(HeadTrackingMotion, AStalePreviousSampleMovesNothingButBecomesTheReference)
{
	Composition* tracked = Tracked();
	Sample(*tracked, {{-0.2f, 0, 5}, {0.2f, 0, 5}}, 1000);
	Sample(*tracked, {{-0.1f, 0, 5}, {0.3f, 0, 5}}, 1500);
	EXPECT_EQ(Where(*tracked), Tuple3f(0, 0, 0));
	Sample(*tracked, {{-0.1f, 0, 5}, {0.3f, 0, 5}}, 1600);
	EXPECT_EQ(Where(*tracked), Tuple3f(0, 0, 0)) << "measured from the stale sample's head, which did not move";
}

TEST_F(HeadTrackingMotion, CoincidentDotsOrAZeroFieldOfViewMoveNothingAndStayFinite)
{
	for (const char* fov : {"45", "0"})
	{
		Composition* tracked = StartedObject(test::TransformXml("0 0 0") + test::ComponentXml("HeadTracking",
			std::string("<float>1</float><float>1</float><float>0</float><float>") + fov + "</float><unsigned>0</unsigned>"));
		Sample(*tracked, {{-0.2f, 0, 5}, {0.2f, 0, 5}}, 1000);
		Sample(*tracked, {{0.1f, 0, 5}, {0.1f, 0, 5}}, 1050);
		Sample(*tracked, {{-0.1f, 0, 5}, {0.3f, 0, 5}}, 1100);
		const Tuple3f moved = Where(*tracked);
		EXPECT_TRUE(std::isfinite(moved.x) && std::isfinite(moved.y) && std::isfinite(moved.z)) << fov;
	}
}

TEST_F(HeadTrackingMotion, MovementScalingDefaultsToOneAndCamFovIsSavedInDegrees)
{
	Composition* tracked = Tracked("");
	const std::string saved = test::SavedText(*tracked->GetComponent<HeadTracking>());
	EXPECT_NE(saved.find(">45<"), std::string::npos) << saved;
	EXPECT_NE(saved.find("\"movementScaling\">1<"), std::string::npos) << saved;
}
