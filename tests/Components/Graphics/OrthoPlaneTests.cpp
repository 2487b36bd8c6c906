#include "Components/Graphics/OrthoPlane.h"

#include "Components/Graphics/GLTest.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace render_tests
{
	class OrthoPlaneTest : public test::GLTest
	{
	protected:
		// A plane whose box is the bounds and whose object sits at (x, y, z) with the given scale.
		static Composition* Plane(const std::string& bounds, const std::string& position, const std::string& scale = "1 1 1")
		{
			return MakeObject(test::ComponentXml("Transform", "<Tuple3f>" + position + "</Tuple3f><Tuple3f>" + scale +
				"</Tuple3f><Tuple3f>0 0 0</Tuple3f>") + test::ComponentXml("OrthoPlane", "<Tuple4i>" + bounds + "</Tuple4i>"));
		}

		std::vector<Composition*> Overlays() const
		{
			std::vector<Composition*> order;
			graphics->OrthoPlanes().ForEach([&](::OrthoPlane* plane) { order.push_back(plane->owner); });
			return order;
		}

		// The red byte at the centre of the window after the plane was drawn on black.
		static int CentreAfterDrawing(::OrthoPlane& plane)
		{
			glClear(GL_COLOR_BUFFER_BIT);
			plane.Update();
			return ReadPixels()[(static_cast<std::size_t>(test::kGLTestHeight / 2) * test::kGLTestWidth + test::kGLTestWidth / 2) * 4];
		}
	};

	TEST_F(OrthoPlaneTest, TheBoxIsLetterboxedIntoTheWindow)
	{
		const struct
		{
			const char* bounds;
			int width, height;
			Tuple4<int> viewport;
		} cases[] = {
			{"0 0 800 600", 1280, 720, {160, 0, 960, 720}},
			{"0 0 1600 900", 800, 600, {0, 75, 800, 450}},
			{"0 0 640 480", 800, 600, {0, 0, 800, 600}},
			{"100 50 420 290", 320, 240, {0, 0, 320, 240}},
			{"0 0 100 300", 301, 300, {100, 0, 101, 300}},
		};
		for (const auto& c : cases)
		{
			const ::OrthoPlane* plane = Plane(c.bounds, "0 0 0")->GetComponent<::OrthoPlane>();
			EXPECT_EQ(plane->Viewport(c.width, c.height), c.viewport) << c.bounds << " in " << c.width << " x " << c.height;
		}
	}

	TEST_F(OrthoPlaneTest, PlanesListByTheirZWhenTheyStartLargerOnTopEqualNewerOnTop)
	{
		Composition* high = Plane("0 0 4 3", "0 0 2");
		Composition* low = Plane("0 0 4 3", "0 0 1");
		Composition* equal = Plane("0 0 4 3", "0 0 2");
		Composition* top = Plane("0 0 4 3", "5 5 7");
		for (Composition* object : {high, low, equal, top})
			object->Start();
		EXPECT_THAT(Overlays(), ElementsAre(low, high, equal, top));
		high->GetComponent<Transform>()->SetWorldPosition(Tuple3f(0, 0, -9));
		EXPECT_THAT(Overlays(), ElementsAre(low, high, equal, top)) << "moving does not reorder";
		equal->GetComponent<::OrthoPlane>()->Detach();
		EXPECT_THAT(Overlays(), ElementsAre(low, high, top));
	}

	TEST_F(OrthoPlaneTest, DrawsInItsBoxFacingEitherWayAndSetVisibleHidesIt)
	{
		// The unit plane scaled to the whole box, centred in it.
		Composition* object = Plane("0 0 320 240", "160 120 0", "320 240 1");
		object->Start();
		::OrthoPlane* plane = object->GetComponent<::OrthoPlane>();
		UseProgram(0u);
		glBindFramebuffer(GL_FRAMEBUFFER, 0);
		glDisable(GL_LIGHTING);
		glDisable(GL_DEPTH_TEST);
		glDisable(GL_TEXTURE_2D);
		glEnable(GL_CULL_FACE);
		EXPECT_EQ(CentreAfterDrawing(*plane), 255);
		GLint cullFace = 0;
		glGetIntegerv(GL_CULL_FACE, &cullFace);
		EXPECT_EQ(cullFace, GL_TRUE) << "culling is back on after the plane";
		object->HandleMessage(Message("SetVisible").PushBool(false));
		EXPECT_EQ(CentreAfterDrawing(*plane), 0);
		EXPECT_EQ(graphics->OrthoPlanes().Count(), 1u) << "a hidden plane stays listed";
		GLint viewport[4];
		glGetIntegerv(GL_VIEWPORT, viewport);
		EXPECT_EQ(viewport[2], test::kGLTestWidth) << "the viewport is given back";
		glEnable(GL_LIGHTING);
		glEnable(GL_DEPTH_TEST);
	}

	TEST_F(OrthoPlaneTest, BoundsAreSavedAndABoxWithoutAreaIsReportedAndNotDrawn)
	{
		EXPECT_THAT(test::SavedText(*Plane("1 2 3 4", "0 0 0")->GetComponent<::OrthoPlane>()),
			HasSubstr("<Tuple4i name=\"bounds\">1 2 3 4</Tuple4i>"));
		testing::internal::CaptureStdout();
		Composition* flat = Plane("0 10 100 10", "0 0 0");
		EXPECT_THAT(testing::internal::GetCapturedStdout(), HasSubstr("enclose no area"));
		flat->Start();
		EXPECT_TRUE(flat->GetComponent<::OrthoPlane>()->Update());
		ExpectNoGLError("drawing a box without area");
	}
}
