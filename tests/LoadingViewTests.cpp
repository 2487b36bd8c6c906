#include "LoadingView.h"

#include "Components/Graphics/GLTest.h"
#include "HTMLEngine/HTMLView.h"

namespace render_tests
{
	class LoadingViewTest : public test::GLTest
	{
	protected:
		// Fills the back buffer with red, so that a frame that draws nothing shows.
		static void PaintRed()
		{
			glBindFramebuffer(GL_FRAMEBUFFER, 0);
			glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
			glClear(GL_COLOR_BUFFER_BIT);
			glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
		}

		static int RedPixels(const std::vector<unsigned char>& pixels)
		{
			int red = 0;
			for (std::size_t i = 0; i < pixels.size(); i += 4)
				red += pixels[i] > 127 ? 1 : 0;
			return red;
		}
	};

	TEST_F(LoadingViewTest, HasATextureOfTheScreensSize)
	{
		::LoadingView view("LoadingScreen.html");
		EXPECT_EQ(view.GetWidth(), static_cast<unsigned>(test::kGLTestWidth));
		EXPECT_EQ(view.GetHeight(), static_cast<unsigned>(test::kGLTestHeight));
		ASSERT_NE(view.GetTexture(), 0u);
		GLint width = 0;
		glBindTexture(GL_TEXTURE_2D, view.GetTexture());
		glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
		glBindTexture(GL_TEXTURE_2D, 0);
		EXPECT_EQ(width, test::kGLTestWidth);
		EXPECT_EQ(CurrentProgram, GetShaderProgram("HUDShader")->media.program);
	}

	TEST_F(LoadingViewTest, PresentsTheFullScreenPageOnEveryDrawChangedOrNot)
	{
		::LoadingView view("LoadingScreen.html");
		for (int draw = 0; draw < 2; ++draw)
		{
			PaintRed();
			view.Draw();
			EXPECT_FALSE(view.GetView().IsDirty());
			EXPECT_EQ(RedPixels(ReadPixels()), 0) << "draw " << draw << " cleared and showed the (transparent) page";
			EXPECT_EQ(CurrentProgram, 0u) << "no program is left bound";
		}
	}
}
