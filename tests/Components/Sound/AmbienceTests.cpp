#include "Components/Sound/Ambience.h"

#include "Components/Sound/SoundTestSupport.h"

namespace
{
	using AmbienceTest = test::SoundTest;

	std::string Record(const std::string& name, const std::string& file, float volume)
	{
		return "<string name=\"Name\">" + name + "</string><string name=\"Filename\">" + file + "</string><float name=\"Volume\">" + std::to_string(volume) + "</float>";
	}

	TEST_F(AmbienceTest, OnlyTheLastOfTwoEntriesPlaysAtItsVolume)
	{
		Sound& system = StartEngine();
		const std::string low = ToneFile(600);
		const std::string high = ToneFile(1000);
		::Ambience& ambience = MakeStarted<::Ambience>(Record("Wind", low, 1.0f) + Record("Rain", high, 0.5f));
		EXPECT_NE(system.GetAmbienceStream("Wind"), nullptr);
		EXPECT_NE(system.GetAmbienceStream("Rain"), nullptr);
		EXPECT_LT(Heard(600), kHeard);
		EXPECT_NEAR(Heard(1000), 0.5 * 0.5 / std::sqrt(2.0), 0.01);
		EXPECT_EQ(ambience.records.size(), 2u);
	}

	TEST_F(AmbienceTest, PauseLevelTrackResumesFirstThenTogglesAndDetachSilences)
	{
		StartEngine();
		::Ambience& ambience = MakeStarted<::Ambience>(Record("Wind", ToneFile(600), 1.0f));
		for (bool heard : {true, false, true})
		{
			ambience.owner->HandleMessage(Message("PauseLevelTrack"));
			ambience.owner->HandleMessage(Message("PlayTrack").PushString("Anything"));
			EXPECT_EQ(Heard(600) > kHeard, heard);
		}
		ambience.Detach();
		EXPECT_LT(Level(), 1e-4);
	}

	TEST_F(AmbienceTest, StreamReplacedInTheSharedTableIsReleasedOnceNothingPlaysIt)
	{
		Sound& system = StartEngine();
		::Ambience& first = MakeStarted<::Ambience>(Record("Wind", ToneFile(600), 1.0f));
		const std::size_t sounds = system.system->SoundCount();
		::Ambience& second = MakeStarted<::Ambience>(Record("Wind", ToneFile(1000), 1.0f));
		// Each keeps playing its own channel.
		EXPECT_GT(Heard(600), kHeard);
		EXPECT_GT(Heard(1000), kHeard);
		EXPECT_EQ(system.system->SoundCount(), sounds + 1);
		first.Detach();
		Play(0.05f);
		EXPECT_EQ(system.system->SoundCount(), sounds);
		EXPECT_GT(Heard(1000), kHeard);
		second.Detach();
	}

	TEST_F(AmbienceTest, NoEntriesOrDamagedDataPlayNothingAndWriteBackWhatWasRead)
	{
		StartEngine();
		struct Case { std::string data; std::size_t records; };
		for (const Case& c : {Case{"", 0}, Case{"<string>Wind</string>", 1}, Case{"<float>2</float><Inner/><string>x</string>", 1},
							   Case{"<Inner><string>Wind</string></Inner>", 0}})
		{
			::Ambience& ambience = MakeStarted<::Ambience>(c.data);
			EXPECT_EQ(ambience.records.size(), c.records) << c.data;
			EXPECT_LT(Level(), 1e-4) << c.data;
		}
	}
}
