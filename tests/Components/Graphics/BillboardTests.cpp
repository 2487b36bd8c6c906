#include "Components/Graphics/Billboard.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Transform.h"
#include "Utilities/Diagnostics.h"

#include <gmock/gmock.h>

#include <numbers>

using ::testing::HasSubstr;

namespace render_tests
{
	class BillboardTest : public test::GLTest
	{
	protected:
		// A started billboard on an object at the position; the eye stays at the origin.
		static Composition* Board(const std::string& position, const std::string& relativeRotation = "0 0 0",
			const std::string& more = "")
		{
			Composition* object = MakeObject(test::ComponentXml("Transform", "<Tuple3f>" + position +
				"</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f>") +
				test::ComponentXml("Billboard", "<Tuple3f>" + relativeRotation + "</Tuple3f>") + more);
			object->Start();
			return object;
		}

		// Where the object's local axis points after the billboard turned it.
		static Tuple3f TurnedAxis(Composition* object, const Tuple3f& axis)
		{
			EXPECT_TRUE(object->GetComponent<::Billboard>()->Update());
			return Quaternion::Rotate(object->GetComponent<Transform>()->GetWorldOrientation(), axis);
		}

		static void ExpectNear(const Tuple3f& actual, const Tuple3f& expected, const std::string& what)
		{
			EXPECT_LT((actual - expected).Length(), 1e-4) << what << ": (" << actual.x << ", " << actual.y << ", " << actual.z << ")";
		}
	};

	TEST_F(BillboardTest, TheLocalZAxisPointsAwayFromTheEyeOnTheFollowedAxes)
	{
		const struct
		{
			const char* position;
			Tuple3<bool> axes;
			Tuple3f localZ;
		} cases[] = {
			// Straight in front: a half turn, which a conversion from the trace alone cannot give.
			{"0 0 -5", {true, true, true}, {0, 0, -1}},
			{"5 0 0", {true, true, true}, {1, 0, 0}},
			{"0 0 5", {true, true, true}, {0, 0, 1}},
			{"3 0 4", {true, true, true}, {0.6f, 0, 0.8f}},
			{"3 -4 0", {true, false, true}, {1, 0, 0}},
			// Straight below with y dropped: the facing vector vanishes and falls back to +z.
			{"0 -5 0", {true, false, true}, {0, 0, -1}},
			{"7 3 -2", {false, false, false}, {0, 0, -1}},
		};
		for (const auto& c : cases)
		{
			Composition* object = Board(c.position);
			object->HandleMessage(Message("SetAxes").Push(c.axes));
			ExpectNear(TurnedAxis(object, Tuple3f(0, 0, 1)), c.localZ, c.position);
			ExpectNear(TurnedAxis(object, Tuple3f(0, 1, 0)), Tuple3f(0, 1, 0), std::string(c.position) + " keeps y up");
		}
	}

	TEST_F(BillboardTest, TheRelativeRotationTurnsTheBoardInItsOwnFrameFirst)
	{
		const float quarter = std::numbers::pi_v<float> / 2.0f;
		Composition* object = Board("0 0 -5", "0 " + std::to_string(quarter) + " 0");
		// Local z is first turned onto local x, which then faces along the right-hand vector (-1, 0, 0).
		ExpectNear(TurnedAxis(object, Tuple3f(0, 0, 1)), Tuple3f(-1, 0, 0), "quarter turn about y");
		object->HandleMessage(Message("SetRot").Push(Tuple3f()));
		ExpectNear(TurnedAxis(object, Tuple3f(0, 0, 1)), Tuple3f(0, 0, -1), "after SetRot to none");
		EXPECT_THAT(test::SavedText(*object->GetComponent<::Billboard>()), HasSubstr("<Tuple3f name=\"relative rotation\">0 0 0</Tuple3f>"));
	}

	TEST_F(BillboardTest, ASkyFacesTheWorldOrigin)
	{
		Composition* sky = Board("0 0 -5", "0 0 0", test::ComponentXml("Skybox", "<bool>false</bool><float>1</float>"));
		ExpectNear(TurnedAxis(sky, Tuple3f(0, 0, 1)), Tuple3f(0, 0, -1), "sky");
	}

	TEST_F(BillboardTest, AnEyeStraightAboveKeepsTheOrientationAndIsReportedOnceAFrame)
	{
		Composition* object = Board("0 -5 0");
		Transform* transform = object->GetComponent<Transform>();
		const Quaternion before(0.0f, 0.38268343f, 0.0f, 0.92387953f);
		transform->SetWorldOrientation(before);
		testing::internal::CaptureStderr();
		::Billboard* board = object->GetComponent<::Billboard>();
		board->Update();
		board->Update();
		const std::string printed = testing::internal::GetCapturedStderr();
		EXPECT_THAT(printed, HasSubstr("straight above or below"));
		EXPECT_EQ(printed.find("straight above"), printed.rfind("straight above")) << "the repeat is only counted";
		EXPECT_EQ(transform->GetWorldOrientation(), before);
		testing::internal::CaptureStderr();
		tw::Diagnostics::Flush();
		testing::internal::GetCapturedStderr();
	}

	TEST_F(BillboardTest, StartedBoardsAreListedUntilTheyDetach)
	{
		Composition* first = Board("1 0 0");
		Composition* second = Board("2 0 0");
		EXPECT_EQ(graphics->Billboards().First(), first->GetComponent<::Billboard>());
		EXPECT_EQ(graphics->Billboards().Last(), second->GetComponent<::Billboard>());
		first->GetComponent<::Billboard>()->Detach();
		EXPECT_EQ(graphics->Billboards().Count(), 1u);
	}
}
