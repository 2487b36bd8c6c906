#include "Systems/Input.h"
#include "Systems/Window.h"

#include "Systems/TestEngine.h"
#include "Utilities/TestHelpers.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

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

		// The device announcements received so far, in order.
		std::vector<std::string> DeviceMessages() const
		{
			std::vector<std::string> names;
			for (const ReceivedMessage& message : engine->recorder->received)
				if (message.name == "LosingDevice" || message.name == "LostDevice")
					names.push_back(message.name);
			return names;
		}

		// Runs frames of every system until the condition holds or five seconds pass.
		bool RunFramesUntil(const std::function<bool()>& condition)
		{
			for (const Uint32 start = SDL_GetTicks(); SDL_GetTicks() - start < 5000; SDL_Delay(10))
			{
				for (System* system : engine->engine->GetSystems())
					system->Update();
				if (condition())
					return true;
			}
			return false;
		}

		static bool IsFullscreen() { return (SDL_GetVideoSurface()->flags & SDL_FULLSCREEN) != 0; }

		std::unique_ptr<TestEngine> engine;
		Window* window = nullptr;
	};

	// The real Window and Input systems driven by X input events from xdotool and by the close
	// request a window manager sends.
	using WindowInputEndToEnd = WindowTest;

	constexpr const char* kWindowed800x600 = "<Width>800</Width><Height>600</Height><Fullscreen>false</Fullscreen>";
}

// Pages select the mode in use in their resolution list by this index.
TEST(WindowModes, TheIndexOfAModeMatchesBothWidthAndHeight)
{
	const std::vector<Tuple2<int>> modes{{1280, 1024}, {1280, 960}, {1024, 768}};
	const struct
	{
		int width, height, index;
	} cases[] = {{1280, 1024, 0}, {1280, 960, 1}, {1024, 768, 2}, {1024, 960, -1}, {800, 600, -1}};
	for (const auto& c : cases)
		EXPECT_EQ(Window::IndexOfMode(modes, c.width, c.height), c.index) << c.width << " x " << c.height;
}

TEST_F(WindowTest, EmptySettingsOpenFullScreenAtTheDesktopSize)
{
	ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
	const SDL_VideoInfo desktop = *SDL_GetVideoInfo();
	const int desktopDepth = desktop.vfmt->BitsPerPixel;

	Open("");
	EXPECT_EQ(window->GetWidth(), desktop.current_w);
	EXPECT_EQ(window->GetHeight(), desktop.current_h);
	EXPECT_EQ(window->GetBitsPerPixel(), desktopDepth);
	EXPECT_TRUE(window->IsFullscreen());
	EXPECT_TRUE(IsFullscreen());
	EXPECT_FALSE(window->ReloadsOnLevelChange());
}

TEST_F(WindowTest, WindowedModeOpensCentredWithCaptionOpenGLAndModeList)
{
	Open(kWindowed800x600);
	EXPECT_EQ(window->GetWidth(), 800);
	EXPECT_EQ(window->GetHeight(), 600);
	EXPECT_FALSE(IsFullscreen());
	EXPECT_TRUE(SDL_GetVideoSurface()->flags & SDL_OPENGL);
	EXPECT_FALSE(window->GetModes().empty());

	char* title = nullptr;
	SDL_WM_GetCaption(&title, nullptr);
	EXPECT_STREQ(title, "Tumblewreck");

	// The context is current and GLEW has loaded the entry points.
	EXPECT_NE(glGetString(GL_VERSION), nullptr);
	EXPECT_NE(glCreateShader, nullptr);

	FILE* tool = popen(TW_XWINDOW_TOOL " position Tumblewreck", "r");
	ASSERT_NE(tool, nullptr);
	int x = 0, y = 0, screenWidth = 0, screenHeight = 0;
	const int read = std::fscanf(tool, "%d %d %d %d", &x, &y, &screenWidth, &screenHeight);
	pclose(tool);
	ASSERT_EQ(read, 4);
	EXPECT_EQ(x, (screenWidth - 800) / 2);
	EXPECT_EQ(y, (screenHeight - 600) / 2);
}

// A refused mode falls back to the previous one and still gives the device back.
TEST_F(WindowTest, ModeChangesAnnounceTheDeviceAndARefusedModeKeepsThePreviousOne)
{
	Open(kWindowed800x600);
	// A size of 0 keeps the current one.
	struct Step { int width, height; bool fullscreen; int resultingWidth; bool resultingFullscreen; };
	const Step steps[] = {{1024, 768, false, 1024, false}, {50000, 50000, true, 1024, false}, {0, 0, true, 1024, true}};
	std::vector<std::string> expectedMessages;
	for (const Step& step : steps)
	{
		Message change("ChangeResolution");
		change.AddArgument(Tuple2<int>(step.width, step.height));
		Engine::SendMessage(change.PushBool(step.fullscreen));
		expectedMessages.insert(expectedMessages.end(), {"LosingDevice", "LostDevice"});
		EXPECT_EQ(DeviceMessages(), expectedMessages);
		EXPECT_EQ(window->GetWidth(), step.resultingWidth) << step.width;
		EXPECT_EQ(SDL_GetVideoSurface()->w, step.resultingWidth) << step.width;
		EXPECT_EQ(window->IsFullscreen(), step.resultingFullscreen) << step.width;
		EXPECT_EQ(IsFullscreen(), step.resultingFullscreen) << step.width;
		EXPECT_NE(glGetString(GL_VERSION), nullptr);
	}
}

TEST_F(WindowInputEndToEnd, KeyPressSendsTheBoundMessageAndClosingTheWindowShutsDown)
{
	Open(kWindowed800x600);
	engine->engine->AddSystem(new Input());
	// In the background, so the frames keep running while the key goes down and up.
	ASSERT_EQ(std::system("xdotool key --delay 100 w &"), 0);
	ASSERT_TRUE(RunFramesUntil([&] { return !engine->ArgumentsOf("MoveForward").empty(); }));
	EXPECT_EQ(engine->ArgumentsOf("MoveForward").front(), (std::vector<std::string>{"1"}));
	ASSERT_FALSE(engine->ArgumentsOf("KeyDown").empty());
	EXPECT_EQ(engine->ArgumentsOf("KeyDown").front().front(), std::to_string(SDLK_w));

	ASSERT_EQ(std::system(TW_XWINDOW_TOOL " close Tumblewreck"), 0);
	EXPECT_TRUE(RunFramesUntil([&] { return !engine->ArgumentsOf("Shutdown").empty(); }));
	EXPECT_EQ(engine->engine->GetRequestedState(), Engine::kQuit);
}

// A mode SDL refuses must not end every start before the user reaches a menu to change it.
TEST_F(WindowTest, ARefusedConfiguredModeFallsBackToTheDefaultModeWithADiagnostic)
{
	ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
	const SDL_VideoInfo desktop = *SDL_GetVideoInfo();
	const char* refused[] = {"<Width>50000</Width><Height>50000</Height><Fullscreen>true</Fullscreen>",
		"<Width>-640</Width><Height>480</Height><Fullscreen>true</Fullscreen>", "<BPP>64</BPP><Fullscreen>true</Fullscreen>"};
	for (const char* settings : refused)
	{
		const std::string diagnostics = StderrOf([&] { Open(settings); });
		EXPECT_THAT(diagnostics, ::testing::HasSubstr("Window: the configured video mode (Width ")) << settings;
		EXPECT_EQ(window->GetWidth(), desktop.current_w) << settings;
		EXPECT_EQ(SDL_GetVideoSurface()->w, desktop.current_w) << settings;
		EXPECT_TRUE(IsFullscreen()) << settings;
		engine.reset();
	}
}

// The file written at exit holds the mode in use, so the next start opens it again.
TEST_F(WindowTest, AModeChangeSurvivesARestart)
{
	Open(kWindowed800x600);
	Message change("ChangeResolution");
	change.AddArgument(Tuple2<int>(1024, 768));
	Engine::SendMessage(change.PushBool(false));
	const std::string configPath = engine->userFolder.Path() + "Tumblewreck.cfg";
	engine->engine.reset();
	const std::string written = test::ReadText(configPath);
	for (const char* kept : {"<Width>1024</Width>", "<Height>768</Height>", "<Fullscreen>false</Fullscreen>", "<BPP>"})
		EXPECT_THAT(written, ::testing::HasSubstr(kept));
	engine.reset();

	engine = std::make_unique<TestEngine>(written);
	window = new Window();
	engine->engine->AddSystem(window);
	EXPECT_EQ(window->GetWidth(), 1024);
	EXPECT_EQ(window->GetHeight(), 768);
	EXPECT_FALSE(IsFullscreen());
}

// The mode in use replaces unreadable settings when the configuration is written: the user is
// told which texts go, and the file as it was is kept beside it.
TEST_F(WindowTest, UnreadableSettingsAreQuotedReplacedByTheModeInUseAndKeptInABackup)
{
	const std::string diagnostics = StderrOf([&] { Open("<Width>wide</Width><Height>600</Height><BPP>deep</BPP><Fullscreen>maybe</Fullscreen>"); });
	for (const char* quoted : {"'Width' of 'Window' reads \"wide\", which could not be read; it will be replaced by",
			 "'BPP' of 'Window' reads \"deep\", which could not be read; it will be replaced by",
			 "'Fullscreen' of 'Window' reads \"maybe\", which could not be read; it will be replaced by \"true\""})
		EXPECT_THAT(diagnostics, ::testing::HasSubstr(quoted));
	const std::string configPath = engine->userFolder.Path() + "Tumblewreck.cfg";
	const std::string original = test::ReadText(configPath);
	const int width = window->GetWidth();
	engine->engine.reset();
	EXPECT_EQ(test::ReadText(configPath + ".bak"), original);
	const std::string written = test::ReadText(configPath);
	EXPECT_THAT(written, ::testing::HasSubstr("<Width>" + std::to_string(width) + "</Width>"));
	for (const char* replaced : {"wide", "deep", "maybe"})
		EXPECT_THAT(written, ::testing::Not(::testing::HasSubstr(replaced)));
}
