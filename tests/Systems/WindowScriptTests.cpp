#include "JSEngine.h"
#include "Systems/Window.h"

#include "Systems/TestEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The script class "Engine" answers from the Window system and asks it for changes by message.
TEST(WindowScript, EngineFunctionsReadTheWindowAndChangeItOnlyWhenNeeded)
{
	if (!std::getenv("DISPLAY"))
		GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
	TestEngine engine("<Config><Window><Width>640</Width><Height>480</Height><Fullscreen>false</Fullscreen></Window></Config>");
	Window* window = new Window();
	engine.engine->AddSystem(window);
	JSEngine script;

	EXPECT_EQ(script.GetWidth(), 640);
	EXPECT_EQ(script.GetHeight(), 480);
	EXPECT_FALSE(script.IsFullScreen());
	EXPECT_EQ(script.GetResolutions(), window->GetModes());
	int expectedIndex = -1;
	for (std::size_t index = 0; index < window->GetModes().size() && expectedIndex < 0; ++index)
		if (window->GetModes()[index] == Tuple2<int>(640, 480))
			expectedIndex = static_cast<int>(index);
	EXPECT_EQ(script.CurrentResolutionIndex(), expectedIndex);

	script.SetFullScreen(false);
	EXPECT_TRUE(engine.ArgumentsOf("ChangeResolution").empty()) << "already windowed: nothing to change";
	script.SetFullScreen(true);
	EXPECT_EQ(engine.ArgumentsOf("ChangeResolution"), (ArgumentLists{{"640 480", "1"}}));
}
