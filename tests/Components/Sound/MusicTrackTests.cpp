#include "Components/Sound/MusicTrack.h"

#include "Components/Sound/SoundTestSupport.h"

namespace
{
	using MusicTrackTest = test::SoundTest;

	TEST_F(MusicTrackTest, WithoutStartTrackNothingPlaysUntilChangeMusicNamesATrack)
	{
		StartEngine();
		::MusicTrack& track = MakeStarted<::MusicTrack>(Entry("Battle", ToneFile(600)));
		EXPECT_LT(Level(), 1e-4);
		track.owner->HandleMessage(Message("ChangeMusic").PushString("Unknown"));
		EXPECT_LT(Level(), 1e-4);
		track.owner->HandleMessage(Message("ChangeMusic").PushString("Battle"));
		EXPECT_GT(Heard(600), kHeard);
	}

	TEST_F(MusicTrackTest, TheStartTrackPlaysAtItsOwnVolume)
	{
		StartEngine();
		const std::string tone = ToneFile(600);
		double full = 0.0;
		for (const float volume : {1.0f, 0.25f})
		{
			::MusicTrack& track = MakeStarted<::MusicTrack>(Entry("StartTrack", tone, volume));
			const double heard = Heard(600);
			if (volume == 1.0f)
				full = heard;
			EXPECT_NEAR(heard, full * volume, 0.05 * full) << volume;
			track.owner->Destroy();
			ProcessObjectChanges();
		}
		EXPECT_GT(full, kHeard);
	}

	TEST_F(MusicTrackTest, ChangeMusicToThePlayingTrackRestartsItFromTheBeginning)
	{
		StartEngine();
		// 0.3 s at 600 Hz, then 1000 Hz.
		const std::string file = folder.Path() + "steps.wav";
		std::vector<float> samples = test::Tone(600, 0.5f, 0.3f);
		const std::vector<float> later = test::Tone(1000, 0.5f, 1.0f);
		samples.insert(samples.end(), later.begin(), later.end());
		ASSERT_TRUE(test::WriteSound(file, samples, 1));
		::MusicTrack& track = MakeStarted<::MusicTrack>(Entry("StartTrack", file));
		Play(0.4f);
		EXPECT_GT(Heard(1000), kHeard);
		track.owner->HandleMessage(Message("ChangeMusic").PushString("StartTrack"));
		EXPECT_GT(Heard(600), kHeard);
		EXPECT_LT(Heard(1000, 0.05f), kHeard);
	}

	TEST_F(MusicTrackTest, PauseLevelTrackFollowsTheFlagSetByStartAlsoAfterChangeMusic)
	{
		StartEngine();
		::MusicTrack& track = MakeStarted<::MusicTrack>(Entry("StartTrack", ToneFile(600)) + Entry("Boss", ToneFile(1000)));
		struct Step { const char* message; double tone; bool heard; };
		for (const Step& step : {Step{"PauseLevelTrack", 600, true}, Step{"PauseLevelTrack", 600, false}, Step{"PauseLevelTrack", 600, true},
								 Step{"PauseLevelTrack", 600, false}, Step{"Boss", 1000, true}, Step{"PauseLevelTrack", 1000, true},
								 Step{"PauseLevelTrack", 1000, false}})
		{
			if (std::string(step.message) == "Boss")
				track.owner->HandleMessage(Message("ChangeMusic").PushString("Boss"));
			else
				track.owner->HandleMessage(Message(step.message));
			EXPECT_EQ(Heard(step.tone) > kHeard, step.heard) << step.message << " " << step.tone;
		}
	}

	TEST_F(MusicTrackTest, DetachSilencesTheTrackAtOnceAndSavesTheTable)
	{
		Sound& system = StartEngine();
		::MusicTrack& track = MakeStarted<::MusicTrack>(Entry("StartTrack", ToneFile(600), 0.5f));
		EXPECT_EQ(system.soundObjects.count(track.owner->GetId()), 1u);
		EXPECT_GT(Heard(600), kHeard);
		track.Detach();
		EXPECT_EQ(system.soundObjects.count(track.owner->GetId()), 0u);
		EXPECT_LT(Level(), 1e-4);
	}
}
