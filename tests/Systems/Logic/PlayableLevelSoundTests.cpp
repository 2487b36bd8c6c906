// The shipped levels as a player hears them: each level played unmuted with the Sound system mixing
// on the loopback device, the player driven by the messages its bindings send, and the mix checked
// for the music, the steps, the breath and the house's fall.
#include "Sound.h"
#include "SoundLibrary/SampleSounds.h"
#include "Systems/Logic/ShippedLevelWorld.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace
{
	using namespace test;

	// The mix of every frame of a run, and where each frame's part of it starts.
	struct Recording
	{
		std::vector<float> mix;
		std::vector<std::size_t> frameStarts;

		void Add(const std::vector<float>& frameMix)
		{
			frameStarts.push_back(mix.size() / 2);
			mix.insert(mix.end(), frameMix.begin(), frameMix.end());
		}
		// Frames [first, last) of the run, counted from 1 as the director counts them.
		MixRange Frames(unsigned first, unsigned last) const { return MixRange{mix, frameStarts.at(first - 1), frameStarts.at(last - 1)}; }
	};

	// Frames of the run, at 16 ms each: the level settles, then the music plays alone, then the
	// player jumps and lands (a step), sucks, blows, and the house falls.
	struct Timeline { unsigned musicAlone, jump, suck, suckEnd, blow, houseFall, end; };
	constexpr Timeline kAt{70, 100, 180, 220, 240, 300, 330};

	struct LevelRun
	{
		Recording recording;
		std::string diagnostics;
	};

	LevelRun PlayLevel(const std::string& level, const std::string& house)
	{
		LevelRun run;
		ShippedLevelWorld world(level, "<Sound><Mute>false</Mute><Pause1>Pause.wav</Pause1></Sound>");
		Sound* sound = new Sound(snd::Output::kLoopback);
		world.engine.engine->AddSystem(sound);
		const auto toPlayer = [](Message message) { ObjectFromName("Player").SendMessage(message); };
		std::map<unsigned, std::function<void()>> actions;
		// Out of reach of the crates, facing past them: the breath takes nothing in.
		actions[kAt.musicAlone - 10] = [&] { toPlayer(Message("SetPos").Push(Tuple3f(10.0f, 1.0f, 0.0f))); };
		actions[kAt.jump] = [&] { toPlayer(Message("Jump")); };
		actions[kAt.suck] = [&] {
			toPlayer(Message("SetLungState").PushU32(1));
			toPlayer(Message("SetSucking").PushBool(true));
		};
		actions[kAt.suckEnd] = [&] {
			toPlayer(Message("SetSucking").PushBool(false));
			toPlayer(Message("SetLungState").PushU32(0));
		};
		actions[kAt.blow] = [&] { toPlayer(Message("SetLungState").PushU32(2)); };
		actions[kAt.houseFall] = [&] { ObjectFromName(house).SendMessage(Message("Death")); };
		std::map<unsigned, std::function<void()>> script;
		for (unsigned frame = 1; frame <= kAt.end; ++frame)
			script[frame] = [&, frame] {
				run.recording.Add(sound->system->LastMix());
				if (const auto action = actions.find(frame); action != actions.end())
					action->second();
				// A step sounds when the player lands while a movement message came in that frame.
				if (frame > kAt.jump && frame < kAt.suck)
					toPlayer(Message("MoveForward").PushFloat(0.0f));
				if (frame == kAt.end)
					Engine::Instance()->RequestState(Engine::kQuit);
			};
		run.diagnostics = StderrOf([&] { world.Play(script, kAt.end + 1); });
		return run;
	}

	TEST(PlayableLevelSound, MusicStepsBreathAndTheHousesFallAreHeardAndNoPauseSoundAtTheStart)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		struct Case { const char* level; const char* house; float track; };
		for (const Case& c : {Case{"Homestead", "House", kHomesteadTrackFrequency}, Case{"Hillside", "Hut", kHillsideTrackFrequency}})
		{
			SCOPED_TRACE(c.level);
			const LevelRun run = PlayLevel(c.level, c.house);
			EXPECT_EQ(run.diagnostics, "") << "the shipped level loads and plays without a diagnostic";
			ASSERT_EQ(run.recording.frameStarts.size(), kAt.end);
			const Recording& heard = run.recording;
			// The level start's "Pause"(false) changes nothing, so no pause sound plays.
			EXPECT_LT(FrequencyRms(heard.Frames(1, kAt.musicAlone), kPauseSoundFrequency), 0.01);
			const MixRange musicAlone = heard.Frames(kAt.musicAlone, kAt.jump);
			EXPECT_GT(FrequencyRms(musicAlone, c.track), 0.02);
			const double musicLevel = Rms(musicAlone, 0);
			struct Event { const char* what; MixRange during; float frequency; };
			for (const Event& event : {Event{"step", heard.Frames(kAt.jump, kAt.suck), kStepFrequency},
					 Event{"suck", heard.Frames(kAt.suck + 2, kAt.suckEnd), kSuckFrequency},
					 Event{"blow", heard.Frames(kAt.blow, kAt.blow + 20), kBlowFrequency},
					 Event{"house fall", heard.Frames(kAt.houseFall, kAt.end), kHouseFallFrequency}})
			{
				EXPECT_GT(Rms(event.during, 0), musicLevel * 1.1) << event.what;
				EXPECT_GT(FrequencyRms(event.during, event.frequency), 0.01) << event.what;
				EXPECT_LT(FrequencyRms(musicAlone, event.frequency), 0.005) << event.what << " before it happened";
			}
		}
	}
}
