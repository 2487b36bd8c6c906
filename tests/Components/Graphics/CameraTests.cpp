#include "Components/Graphics/Camera.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Transform.h"
#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace render_tests
{
	class CameraTest : public test::GLTest
	{
	protected:
		// A started camera: base field of view 60 (the Graphics default), so 40 to 80 degrees.
		::Camera* StartedCamera(const std::string& position = "0 0 0", const std::string& scale = "1 1 1",
			const std::string& offset = "0 0 0", float maximumPitch = 80.0f)
		{
			object = MakeObject(test::ComponentXml("Transform", "<Tuple3f>" + position + "</Tuple3f><Tuple3f>" + scale +
										"</Tuple3f><Tuple3f>0 0 0</Tuple3f>") +
				test::ComponentXml("Camera", "<Tuple3f>0 0 -1</Tuple3f><float>-20</float><float>0</float><float>20</float>"
											 "<float>5</float><float>1</float><float>100</float><float>" +
						std::to_string(maximumPitch) + "</float><float>-80</float><Tuple3f>" + offset + "</Tuple3f>"));
			object->Start();
			return object->GetComponent<::Camera>();
		}

		void Send(const std::string& name, std::initializer_list<float> arguments)
		{
			Message message(name);
			for (float argument : arguments)
				message.Push(argument);
			object->HandleMessage(message);
		}

		Composition* object = nullptr;
	};

	TEST_F(CameraTest, FieldOfViewEasesByItsStepAndHoldsAtTheLimits)
	{
		::Camera* camera = StartedCamera();
		EXPECT_EQ(camera->GetFieldOfView(), 60.0f);
		Send("AdjustFOVPercent", {1.5f});
		EXPECT_EQ(camera->GetTargetFieldOfView(), 80.0f) << "clamped to the maximum";
		std::vector<float> steps;
		for (int frame = 0; frame < 5; ++frame)
		{
			camera->Update();
			steps.push_back(camera->GetFieldOfView());
		}
		EXPECT_THAT(steps, ElementsAre(65.0f, 70.0f, 75.0f, 80.0f, 80.0f));
		Send("NarrowFOV", {});
		EXPECT_EQ(camera->GetTargetFieldOfView(), 40.0f);
		Send("SetFOVPercent", {1.5f});
		camera->Update();
		EXPECT_EQ(camera->GetFieldOfView(), 100.0f) << "set beyond the maximum, and left there";
	}

	TEST_F(CameraTest, BasisStaysOrthonormalWithARightVectorThatIsLevel)
	{
		::Camera* camera = StartedCamera();
		Send("SetDir", {0, 0, -1});
		EXPECT_EQ(camera->GetRight(), Tuple3f(1, 0, 0));
		EXPECT_EQ(camera->GetUp(), Tuple3f(0, 1, 0));
		Send("RotY", {-1.5707964f});
		ExpectNear(camera->GetDirection(), Tuple3f(-1, 0, 0), 1e-6);
		ExpectNear(camera->GetRight(), Tuple3f(0, 0, -1), 1e-6);
	}

	TEST_F(CameraTest, ALookAlongTheUpAxisKeepsAUsableBasisAndFrustum)
	{
		const struct
		{
			Tuple3f before;
			Tuple3f direction;
			Tuple3f right;
		} cases[] = {
			{{0, 0, -1}, {0, -1, 0}, {1, 0, 0}},
			{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}},
			{{0, 0, -1}, {0, 0, 0}, {1, 0, 0}},
		};
		for (const auto& c : cases)
		{
			::Camera* camera = StartedCamera();
			Send("SetDir", {c.before.x, c.before.y, c.before.z});
			Send("SetDir", {c.direction.x, c.direction.y, c.direction.z});
			ExpectNear(camera->GetRight(), c.right, 1e-6);
			EXPECT_NEAR(camera->GetUp().Length(), 1.0, 1e-6);
			EXPECT_NEAR(camera->GetUp().DotProduct(camera->GetDirection()), 0.0, 1e-6);
			graphics->UpdateFrustum(camera);
			for (const Tuple4f& plane : graphics->GetFrustumPlanes())
				EXPECT_TRUE(std::isfinite(plane.x) && std::isfinite(plane.y) && std::isfinite(plane.z) && std::isfinite(plane.w));
			camera->Detach();
		}
	}

	TEST_F(CameraTest, PitchStopsExactlyAtItsLimit)
	{
		::Camera* camera = StartedCamera("0 0 0", "1 1 1", "0 0 0", 45.0f);
		Send("RotRight", {-1.0f});
		EXPECT_NEAR(std::asin(camera->GetDirection().y), 0.7853982, 1e-5);
		Send("RotRight", {-0.5f});
		EXPECT_NEAR(std::asin(camera->GetDirection().y), 0.7853982, 1e-5);
		Send("RotRight", {3.0f});
		EXPECT_NEAR(std::asin(camera->GetDirection().y), -1.3962634, 1e-5) << "the minimum pitch, -80 degrees";
	}

	TEST_F(CameraTest, MessagesMoveTheEyeThroughTheObjectsTransform)
	{
		::Camera* camera = StartedCamera("1 2 3", "2 2 2", "0 1 0");
		EXPECT_EQ(camera->GetEyePosition(), Tuple3f(1, 4, 3)) << "the offset scaled by the Transform";
		Send("Move", {0, 0, 1});
		EXPECT_EQ(camera->GetEyePosition(), Tuple3f(1, 4, 4)) << "backward, against the direction";
		Send("SetPos", {5, 6, 7});
		EXPECT_EQ(camera->GetEyePosition(), Tuple3f(5, 6, 7));
		EXPECT_EQ(object->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(5, 4, 7)) << "the offset is taken off as scaled";
		Send("MoveInWorld", {1, 0, 0});
		EXPECT_EQ(camera->GetEyePosition(), Tuple3f(6, 6, 7));
		Message tuple("SetPos");
		tuple.Push(Tuple3f(0, 0, 0));
		object->HandleMessage(tuple);
		EXPECT_EQ(object->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(0, 0, 0)) << "a Tuple3f moves the Transform";
		Send("SetCameraOffset", {0, 0, 0});
		EXPECT_EQ(camera->GetEyePosition(), Tuple3f(0, 0, 0));
	}

	TEST_F(CameraTest, ViewMatrixIsTheOneTheFrameLoads)
	{
		::Camera* camera = StartedCamera("1 2 3");
		Send("SetDir", {0.3f, -0.4f, -1.0f});
		camera->Update();
		GLfloat loaded[16];
		glGetFloatv(GL_MODELVIEW_MATRIX, loaded);
		const Matrix4& view = camera->GetViewMatrix();
		for (int row = 0; row < 4; ++row)
			for (int column = 0; column < 4; ++column)
				EXPECT_NEAR(view.At(row, column), loaded[column * 4 + row], 1e-5) << row << ", " << column;
		const Tuple3f eyeInView = view * camera->GetEyePosition();
		ExpectNear(eyeInView, Tuple3f(0, 0, 0), 1e-5);
	}

	TEST_F(CameraTest, TheCameraStartedLastIsActiveAndDetachingRemovesIt)
	{
		::Camera* first = StartedCamera();
		::Camera* second = StartedCamera();
		EXPECT_EQ(graphics->GetActiveCamera(), second);
		first->Start();
		EXPECT_EQ(graphics->GetActiveCamera(), first) << "a camera that starts again moves to the end";
		EXPECT_EQ(graphics->GetCameras().size(), 2u);
		EXPECT_EQ(first->GetFieldOfView(), 60.0f) << "the base field of view is added once";
		EXPECT_THAT(test::SavedText(*first), HasSubstr("<float name=\"relative field of view angle\">0</float>"));
		first->Detach();
		EXPECT_EQ(graphics->GetActiveCamera(), second);
	}

	TEST_F(CameraTest, SavesRelativeFieldsOfViewAndPitchInDegrees)
	{
		const std::string saved = test::SavedText(*StartedCamera());
		EXPECT_THAT(saved, HasSubstr("<float name=\"relative minimum FOV\">-20</float>"));
		EXPECT_THAT(saved, HasSubstr("<float name=\"relative maximum FOV\">20</float>"));
		EXPECT_THAT(saved, HasSubstr("<float name=\"maximum pitch\">80</float>"));
		EXPECT_THAT(saved, HasSubstr("<float name=\"far clip distance\">100</float>"));
	}
}
