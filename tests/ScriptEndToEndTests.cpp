// Pages driving a running engine: script run by a page inside a frame of Engine::Run reaches the
// level loader, the real Sound system mixing on the loopback device, and objects of a loaded level.
#include "EngineTestSupport.h"
#include "ObjectGroup.h"
#include "ScriptProbe.h"
#include "Sound.h"
#include "SoundLibrary/SampleSounds.h"
#include "Utilities/ScriptPage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
	class ScriptEngineEndToEnd : public test::ScriptPageTest
	{
	protected:
		void SetUp() override
		{
			ScriptPageTest::SetUp();
			Clear();
			test::ScriptProbe::heard.clear();
			// Levels First and Second; First holds a crate that hears "Probe".
			dataFolder.WriteFile("Levels/First", Level("Second", "<Object><string name=\"Archetype\">Crate</string><Component>"
				"<string name=\"ComponentName\">ScriptProbe</string></Component></Object>"));
			dataFolder.WriteFile("Levels/Second", Level("First", ""));
			EXPECT_TRUE(test::WriteSound(dataFolder.Path() + "Click.wav", test::Tone(440, 0.2f * std::sqrt(2.0f), 0.2f), 1));
		}
		void TearDown() override
		{
			engine.reset();
			ScriptPageTest::TearDown();
			Clear();
		}

		static void Clear()
		{
			ObjectGroup::DestroyAll();
			DestroyAllObjects();
			test::Events().clear();
		}

		static std::string Level(const std::string& next, const std::string& objects)
		{
			return "<Level><string>" + next + "</string><string>First</string><ObjectGroup>" + objects + "</ObjectGroup></Level>";
		}

		// Runs the engine from First, unmuted, with "ButtonClick" playing Click.wav; the director
		// calls step n on the n-th frame and quits after the last. Gives what was logged.
		test::Names Run(const std::vector<std::function<void()>>& steps)
		{
			userFolder.WriteFile("Tumblewreck.cfg",
				"<Config><FirstLevel>First</FirstLevel><Sound><Mute>false</Mute><ButtonClick>Click.wav</ButtonClick></Sound></Config>");
			engine = std::make_unique<Engine>(dataFolder.Path(), userFolder.Path(), "Tumblewreck.cfg");
			test::ScriptProbe::Register();
			sound = new Sound(snd::Output::kLoopback);
			engine->AddSystem(sound);
			auto* director = new test::Director;
			for (unsigned frame = 0; frame < steps.size(); ++frame)
				director->script[frame + 1] = steps[frame];
			director->script[static_cast<unsigned>(steps.size()) + 1] = [this] { engine->RequestState(Engine::kQuit); };
			engine->AddSystem(director);
			test::Events().clear();
			engine->Run();
			return test::Events();
		}

		std::function<void()> Script(const std::string& statements)
		{
			return [this, statements] {
				page->ExecuteJavascript(statements + " void(0);");
				test::Events().push_back("script ran in " + engine->GetCurrentLevel());
			};
		}

		// Keeps the Sound system's mix of this frame.
		std::function<void()> Listen(std::vector<float>& mix)
		{
			return [this, &mix] { mix.insert(mix.end(), sound->system->LastMix().begin(), sound->system->LastMix().end()); };
		}

		test::TempFolder dataFolder;
		test::TempFolder userFolder;
		std::unique_ptr<Engine> engine;
		// Owned by the engine.
		Sound* sound = nullptr;
	};

	TEST_F(ScriptEngineEndToEnd, ALevelAskedForByAPageLoadsOnceTheFrameHasEnded)
	{
		const test::Names events = Run({Script("new Engine().LoadLevel('Second');"), [] {}});
		EXPECT_EQ(events, (test::Names{"LevelLoaded First", "script ran in First", "UnloadingLevel First", "LevelLoaded Second",
							  "UnloadingLevel Second"}));
	}

	TEST_F(ScriptEngineEndToEnd, PlaySoundIsHeardForAnInterfaceSoundAndSilentForAnUnknownName)
	{
		std::vector<float> click;
		std::vector<float> other;
		// 0.2 s of frames after each call: the click is a 0.2 s tone of RMS 0.2, and long over by the second.
		std::vector<std::function<void()>> steps{Script("PlaySound('Click.wav');")};
		for (int frame = 0; frame < 12; ++frame)
			steps.push_back(Listen(click));
		steps.push_back(Script("PlaySound('Other.wav');"));
		for (int frame = 0; frame < 12; ++frame)
			steps.push_back(Listen(other));
		Run(steps);
		ASSERT_FALSE(click.empty());
		ASSERT_FALSE(other.empty());
		EXPECT_GT(test::Rms(test::WholeMix(click), 0), 0.05);
		EXPECT_LT(test::Rms(test::WholeMix(other), 0), 1e-4);
	}

	TEST_F(ScriptEngineEndToEnd, TheShippedMenusClickPlaysTheFileConfiguredAsButtonClick)
	{
		std::ifstream file(TW_TEST_DATA_DIR "../../Data/HUDElements/Menu.js");
		const std::string menuScript((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
		ASSERT_FALSE(menuScript.empty());
		std::vector<float> click;
		std::vector<std::function<void()>> steps{Script(menuScript + " Click();")};
		for (int frame = 0; frame < 12; ++frame)
			steps.push_back(Listen(click));
		Run(steps);
		EXPECT_GT(test::Rms(test::WholeMix(click), 0), 0.05);
	}

	TEST_F(ScriptEngineEndToEnd, AMessageBuiltByAPageReachesAnObjectOfTheLoadedLevelInPushOrder)
	{
		Run({Script("new ObjectFromName('Crate', 0).SendMessage(new Message('Probe').PushInt(3).PushString('a'));")});
		EXPECT_EQ(test::ScriptProbe::heard, (std::vector<std::string>{"3 a"}));
	}
}
