#include "Components/Graphics/AxisArrows.h"

#include "Components/Graphics/Camera.h"

#include "Components/Graphics/GLTest.h"
#include "Utilities/TestHelpers.h"

#include <cmath>

namespace render_tests
{
	class AxisArrowsTest : public test::GLTest
	{
	};

	TEST_F(AxisArrowsTest, QueueThreeColouredArrowsAndASphereInFrontOfTheCamera)
	{
		::AxisArrows arrows;
		EXPECT_TRUE(arrows.Update()) << "without a camera it queues nothing";
		EXPECT_TRUE(graphics->GetLineQueue().empty());
		StartedObject(test::TransformXml("0 0 0") + test::CameraXml("0 0 -1", 0.1f, 100.0f));
		arrows.Update();
		const Tuple3f origin(0.125f, -1.0f / 13.0f, -0.25f);
		const auto& lines = graphics->GetLineQueue();
		ASSERT_EQ(lines.size(), 3u);
		const Tuple4f colours[] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
		for (int axis = 0; axis < 3; ++axis)
		{
			ExpectNear(lines[axis].start, origin, 1e-6);
			Tuple3f end = origin;
			end[axis] += 0.025f;
			ExpectNear(lines[axis].end, end, 1e-6);
			EXPECT_EQ(lines[axis].width, 7.0f);
			EXPECT_EQ(lines[axis].colour, colours[axis]);
		}
		const auto& shapes = graphics->GetPrimitiveQueue();
		ASSERT_EQ(shapes.size(), 4u);
		EXPECT_EQ(shapes[0].rotation, Tuple3f(0, 0, -1.5707964f)) << "the red head turns from +y to +x";
		EXPECT_EQ(shapes[3].colour, Tuple4f(0.5f, 0.5f, 0.5f, 1.0f));
		EXPECT_EQ(shapes[3].scale, Tuple3f(0.005f, 0.005f, 0.005f));
	}

	// The editor's panel fills the left of the window: whichever way the view turns, every arrow
	// stays right of the view's middle, and inside the view.
	TEST_F(AxisArrowsTest, StayInTheRightHalfOfTheViewClearOfTheEditorsPanel)
	{
		::AxisArrows arrows;
		for (const char* direction : {"0 0 -1", "1 0 0", "-1 -1 0.2", "0.3 0.9 0.3", "-0.5 0.2 1"})
		{
			const Camera& camera = *StartedObject(test::TransformXml("2 1 -3") + test::CameraXml(direction, 0.1f, 100.0f))->GetComponent<Camera>();
			const auto& lines = graphics->GetLineQueue();
			const std::size_t queued = lines.size();
			arrows.Update();
			ASSERT_EQ(lines.size(), queued + 3);
			const double halfWidth = std::tan(camera.GetFieldOfView() * 3.14159265 / 360.0) * test::kGLTestWidth / test::kGLTestHeight;
			for (std::size_t line = queued; line < lines.size(); ++line)
				for (const Tuple3f& point : {lines[line].start, lines[line].end})
				{
					const Tuple3f fromEye = point - camera.GetEyePosition();
					const double across = fromEye.DotProduct(camera.GetRight()) / (fromEye.DotProduct(camera.GetDirection()) * halfWidth);
					EXPECT_GT(across, 0.0) << direction;
					EXPECT_LT(across, 1.0) << direction;
				}
		}
	}
}
