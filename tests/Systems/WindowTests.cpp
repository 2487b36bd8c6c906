#include "Systems/Window.h"

#include "Systems/TestEngine.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace
{
	// A real window on the X display (Xvfb in the test script).
	class WindowTest : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			if (!std::getenv("DISPLAY"))
				GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
		}

		// Starts an engine with these "Window" settings and adds the Window system.
		void Open(const std::string& windowSettings)
		{
			engine = std::make_unique<TestEngine>("<Config><Window>" + windowSettings + "</Window></Config>");
			window = new Window();
			engine->engine->AddSystem(window);
		}

		void ChangeResolution(int width, int height, bool fullscreen)
		{
			Message change("ChangeResolution");
			change.AddArgument(Tuple2<int>(width, height));
			change.PushBool(fullscreen);
			Engine::SendMessage(change);
		}

		std::vector<std::string> DeviceMessages() const
		{
			std::vector<std::string> names;
			for (const ReceivedMessage& message : engine->received)
				if (message.name == "LosingDevice" || message.name == "LostDevice")
					names.push_back(message.name);
			return names;
		}

		static bool IsFullscreen() { return (SDL_GetVideoSurface()->flags & SDL_FULLSCREEN) != 0; }

		std::unique_ptr<TestEngine> engine;
		Window* window = nullptr;
	};

	constexpr const char* kWindowed800x600 = "<Width>800</Width><Height>600</Height><Fullscreen>false</Fullscreen>";
}

TEST_F(WindowTest, EmptySettingsOpenFullScreenAtTheDesktopSize)
{
	ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
	const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
	const int desktopWidth = desktop->current_w;
	const int desktopHeight = desktop->current_h;
	const int desktopDepth = desktop->vfmt->BitsPerPixel;

	Open("");
	EXPECT_EQ(window->GetWidth(), desktopWidth);
	EXPECT_EQ(window->GetHeight(), desktopHeight);
	EXPECT_EQ(window->GetBitsPerPixel(), desktopDepth);
	EXPECT_TRUE(window->IsFullscreen());
	EXPECT_TRUE(IsFullscreen());
	EXPECT_FALSE(window->ReloadsOnLevelChange());
}

TEST_F(WindowTest, WindowedModeOpensCentredWithCaptionAndOpenGL)
{
	Open(kWindowed800x600);
	EXPECT_EQ(window->GetWidth(), 800);
	EXPECT_EQ(window->GetHeight(), 600);
	EXPECT_FALSE(IsFullscreen());
	EXPECT_TRUE(SDL_GetVideoSurface()->flags & SDL_OPENGL);

	char* title = nullptr;
	char* iconTitle = nullptr;
	SDL_WM_GetCaption(&title, &iconTitle);
	EXPECT_STREQ(title, "Tumblewreck");
	EXPECT_STREQ(iconTitle, "Tumblewreck");

	// The context is current and GLEW has loaded the entry points.
	EXPECT_NE(glGetString(GL_VERSION), nullptr);
	EXPECT_NE(glCreateShader, nullptr);

	FILE* tool = popen(TW_XWINDOW_TOOL " position Tumblewreck", "r");
	ASSERT_NE(tool, nullptr);
	int x = 0;
	int y = 0;
	int screenWidth = 0;
	int screenHeight = 0;
	const int read = std::fscanf(tool, "%d %d %d %d", &x, &y, &screenWidth, &screenHeight);
	pclose(tool);
	ASSERT_EQ(read, 4);
	EXPECT_EQ(x, (screenWidth - 800) / 2);
	EXPECT_EQ(y, (screenHeight - 600) / 2);
}

TEST_F(WindowTest, ModesAreTheFullScreenModesSDLLists)
{
	Open(kWindowed800x600);
	SDL_Rect** listed = SDL_ListModes(nullptr, SDL_FULLSCREEN | SDL_OPENGL);
	ASSERT_NE(listed, nullptr);
	ASSERT_NE(listed, reinterpret_cast<SDL_Rect**>(-1));
	std::vector<Tuple2<int>> expected;
	for (SDL_Rect** mode = listed; *mode; ++mode)
		expected.emplace_back((*mode)->w, (*mode)->h);
	ASSERT_FALSE(expected.empty());
	ASSERT_EQ(window->GetModes().size(), expected.size());
	for (size_t i = 0; i < expected.size(); ++i)
	{
		EXPECT_EQ(window->GetModes()[i].x, expected[i].x);
		EXPECT_EQ(window->GetModes()[i].y, expected[i].y);
	}
}

TEST_F(WindowTest, ChangeResolutionAnnouncesTheDeviceAroundTheModeChange)
{
	Open(kWindowed800x600);
	ChangeResolution(1024, 768, false);
	EXPECT_EQ(DeviceMessages(), (std::vector<std::string>{"LosingDevice", "LostDevice"}));
	EXPECT_EQ(window->GetWidth(), 1024);
	EXPECT_EQ(window->GetHeight(), 768);
	EXPECT_EQ(SDL_GetVideoSurface()->w, 1024);
	EXPECT_FALSE(IsFullscreen());
	EXPECT_NE(glGetString(GL_VERSION), nullptr);

	ChangeResolution(0, 0, true);
	EXPECT_TRUE(window->IsFullscreen());
	EXPECT_TRUE(IsFullscreen());
	EXPECT_EQ(DeviceMessages().size(), 4u);
}

TEST_F(WindowTest, RefusedModeKeepsThePreviousOneAndStillGivesTheDeviceBack)
{
	Open(kWindowed800x600);
	ChangeResolution(50000, 50000, true);
	EXPECT_EQ(DeviceMessages(), (std::vector<std::string>{"LosingDevice", "LostDevice"}));
	EXPECT_EQ(window->GetWidth(), 800);
	EXPECT_EQ(window->GetHeight(), 600);
	EXPECT_FALSE(window->IsFullscreen());
	EXPECT_FALSE(IsFullscreen());
	EXPECT_EQ(SDL_GetVideoSurface()->w, 800);
}
