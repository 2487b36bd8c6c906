#include "Systems/Graphics/Graphics.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/PrimitiveMesh.h"
#include "Utilities/AABB.h"
#include "Utilities/DebugDraw.h"

#include <gmock/gmock.h>

namespace render_tests
{
	class DebugDraw : public test::GLTest
	{
	protected:
		// How many pixels of row y have a red channel above half.
		static int RedPixelsInRow(const std::vector<unsigned char>& pixels, int y)
		{
			int count = 0;
			for (int x = 0; x < test::kGLTestWidth; ++x)
				count += pixels[4 * (y * test::kGLTestWidth + x)] > 127 ? 1 : 0;
			return count;
		}
	};

	TEST_F(DebugDraw, ARedLineShowsOnABlackFrame)
	{
		BeginFlatFrame();
		graphics->DrawLine({0.0f, -0.9f, 0.0f}, {0.0f, 0.9f, 0.0f}, 4.0f, {1, 0, 0, 1});
		graphics->DebugPass();
		const std::vector<unsigned char> pixels = ReadPixels();
		const int widthAcross = RedPixelsInRow(pixels, test::kGLTestHeight / 2);
		EXPECT_GE(widthAcross, 3);
		EXPECT_LE(widthAcross, 5) << "the line's own width, 4";
		EXPECT_EQ(RedPixelsInRow(pixels, 5), 0) << "the line stops short of the bottom";
		const unsigned char* centre = pixels.data() + 4 * ((test::kGLTestHeight / 2) * test::kGLTestWidth + test::kGLTestWidth / 2);
		EXPECT_EQ(centre[1], 0);
		EXPECT_EQ(centre[2], 0);
	}

	TEST_F(DebugDraw, RequestsQueueTheirRecords)
	{
		graphics->DrawSphere({}, {1, 1, 1}, {}, 8, 1, {1, 1, 1, 1});
		graphics->DrawSphereUniform({1, 2, 3}, 0.5f, {}, 6, 4, {1, 1, 1, 1});
		graphics->DrawCylinder({}, {9, 9, 9}, {}, {1, 1, 1, 1});
		graphics->DrawConeUniform({}, 2.0f, {}, {1, 1, 1, 1});
		graphics->DrawPlane({}, {1, 1, 1}, {}, {1, 1, 1, 1});
		graphics->DrawCube({}, {1, 1, 1}, {}, {1, 1, 1, 1});
		graphics->DrawRay({1, 1, 1}, {0, 2, 0}, 2.0f, {0, 1, 0, 1});
		const auto& shapes = graphics->GetPrimitiveQueue();
		ASSERT_EQ(shapes.size(), 6u);
		const struct
		{
			int shape;
			int slices;
			int stacks;
		} expected[] = {{kSphere, 8, 2}, {kSphere, 6, 4}, {kCylinder, 20, 2}, {kCone, 10, 10}, {kPlane, 1, 1}, {kCube, 1, 1}};
		for (std::size_t i = 0; i < shapes.size(); ++i)
		{
			EXPECT_EQ(shapes[i].shape, expected[i].shape) << i;
			EXPECT_EQ(shapes[i].slices, expected[i].slices) << i;
			EXPECT_EQ(shapes[i].stacks, expected[i].stacks) << i;
		}
		EXPECT_EQ(shapes[1].scale, Tuple3f(0.5f, 0.5f, 0.5f));
		EXPECT_EQ(shapes[3].scale, Tuple3f(2, 2, 2));
		ASSERT_EQ(graphics->GetLineQueue().size(), 1u);
		EXPECT_EQ(graphics->GetLineQueue()[0].end, Tuple3f(1, 3, 1));
	}

	TEST_F(DebugDraw, ShapesAreDrawnBeforeLinesAndBothQueuesEmpty)
	{
		BeginFlatFrame();
		// Queued line first, then a plane over the same pixels: the line still shows on top.
		graphics->DrawLine({-0.9f, 0.0f, 0.0f}, {0.9f, 0.0f, 0.0f}, 5.0f, {1, 0, 0, 1});
		graphics->DrawPlane({}, {1.5f, 1.5f, 1}, {}, {0, 0, 1, 1});
		graphics->DebugPass();
		EXPECT_TRUE(graphics->GetPrimitiveQueue().empty());
		EXPECT_TRUE(graphics->GetLineQueue().empty());
		const std::vector<unsigned char> pixels = ReadPixels();
		EXPECT_GT(RedPixelsInRow(pixels, test::kGLTestHeight / 2), 200);
		GLint mode[2];
		glGetIntegerv(GL_POLYGON_MODE, mode);
		EXPECT_EQ(mode[0], GL_FILL);
		EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
	}

	TEST_F(DebugDraw, AnEmptyPassTouchesNoState)
	{
		const unsigned hud = GetShaderProgram("HUDShader")->media.program;
		UseProgram(hud);
		glActiveTexture(GL_TEXTURE3);
		BoundTextures.diffuse = 42;
		graphics->DebugPass();
		GLint activeUnit = 0;
		glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
		EXPECT_EQ(activeUnit, GL_TEXTURE3);
		EXPECT_EQ(CurrentProgram, hud);
		EXPECT_EQ(BoundTextures.diffuse, 42u);
		graphics->DrawCube({}, {1, 1, 1}, {}, {1, 1, 1, 1});
		graphics->DebugPass();
		EXPECT_EQ(BoundTextures.diffuse, 0u) << "a pass that draws turns texturing on unit 0 off";
		EXPECT_NE(CurrentProgram, hud);
	}

	TEST_F(DebugDraw, TheAabbTreesDrawThroughTheQueues)
	{
		AABB box;
		box.max = Tuple3f(1, 1, 1);
		box.DebugDraw(Tuple4f(1, 1, 0, 1));
		EXPECT_EQ(graphics->GetLineQueue().size(), 12u);
		::DebugDraw::DrawSphereUniform(Tuple3f(1, 2, 3), 0.25f, Tuple4f(0, 1, 0, 1));
		ASSERT_EQ(graphics->GetPrimitiveQueue().size(), 1u);
		EXPECT_EQ(graphics->GetPrimitiveQueue()[0].position, Tuple3f(1, 2, 3));
	}

	TEST_F(DebugDraw, AFrameWithoutACameraDropsTheQueues)
	{
		graphics->DrawLine({}, {1, 1, 1}, 1.0f, {1, 1, 1, 1});
		graphics->DrawCube({}, {1, 1, 1}, {}, {1, 1, 1, 1});
		graphics->Update();
		EXPECT_TRUE(graphics->GetLineQueue().empty());
		EXPECT_TRUE(graphics->GetPrimitiveQueue().empty());
	}
}
