#include "SoundLibrary/System.h"

#include "SoundLibrary/SampleSounds.h"
#include "HostileFiles.h"
#include "ScopedSearchPath.h"
#include "TempFolder.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	constexpr float kFrame = 0.016f;
	// RMS of a sine of peak amplitude 0.5.
	const double kHalfSineRms = 0.5 / std::sqrt(2.0);

	class SoundLibrary : public ::testing::Test
	{
	protected:
		// A sine written to a scratch file (mono unless told otherwise) and loaded with the mode.
		snd::Sound* Tone(unsigned mode, float seconds = 1.0f, bool streamed = false, float frequency = 480.0f)
		{
			const std::string path = folder.Path() + "tone" + std::to_string(count++) + ".wav";
			EXPECT_TRUE(test::WriteSound(path, test::Tone(frequency, 0.5f, seconds), 1));
			return streamed ? system.createStream(path, mode) : system.createSound(path, mode);
		}
		// Plays on for the time in frames and gives the left and right RMS of the last update.
		std::pair<double, double> Listen(float seconds = 0.2f)
		{
			for (float played = 0.0f; played < seconds - kFrame; played += kFrame)
				system.update(kFrame);
			system.update(kFrame);
			const test::MixRange mix = test::WholeMix(system.LastMix());
			return {test::Rms(mix, 0), test::Rms(mix, 1)};
		}
		double Left(float seconds = 0.2f) { return Listen(seconds).first; }

		test::TempFolder folder;
		const test::ScopedSearchPath gameFolder{folder.Path()};
		snd::System system{snd::Output::kLoopback};
		int count = 0;
	};

	TEST_F(SoundLibrary, GainIsMasterTimesGroupTimesChannelClamped)
	{
		snd::Sound* sound = Tone(snd::kLoop);
		snd::ChannelGroup* group = system.createChannelGroup("Group");
		const snd::Channel channel = system.playSound(sound, false);
		channel.setChannelGroup(group);
		struct Case { float master; float group; float channel; double gain; };
		for (const Case& c : {Case{1, 1, 1, 1.0}, Case{1, 0.5f, 1, 0.5}, Case{0.5f, 0.5f, 1, 0.25}, Case{1, 1, 0.5f, 0.5},
							   Case{2, 3, 4, 1.0}, Case{1, -1, 1, 0.0}, Case{1, 1, NAN, 0.0}})
		{
			system.getMasterChannelGroup()->setVolume(c.master);
			group->setVolume(c.group);
			channel.setVolume(c.channel);
			const auto [left, right] = Listen();
			EXPECT_NEAR(left, kHalfSineRms * c.gain, kHalfSineRms * 0.02 + 1e-5) << c.master << " " << c.group << " " << c.channel;
			EXPECT_NEAR(right, left, 1e-4);
		}
	}

	TEST_F(SoundLibrary, MasterPauseSilencesAndResumingContinuesWhereItStopped)
	{
		const snd::Channel channel = system.playSound(Tone(snd::kDefault, 0.5f), false);
		EXPECT_GT(Left(0.3f), 0.3);
		system.getMasterChannelGroup()->setPaused(true);
		EXPECT_LT(Left(1.0f), 1e-4);
		EXPECT_TRUE(channel.isPlaying());
		system.getMasterChannelGroup()->setPaused(false);
		// 0.2 s of the sound were left: the tone is heard, then it ends.
		EXPECT_GT(Left(0.15f), 0.3);
		EXPECT_LT(Left(0.1f), 1e-4);
		EXPECT_FALSE(channel.isPlaying());
	}

	TEST_F(SoundLibrary, ChannelPauseIsSeparateFromItsGroupsPause)
	{
		snd::ChannelGroup* group = system.createChannelGroup("Group");
		const snd::Channel channel = system.playSound(Tone(snd::kLoop), true);
		channel.setChannelGroup(group);
		struct Case { bool channelPaused; bool groupPaused; bool heard; };
		for (const Case& c : {Case{true, false, false}, Case{false, false, true}, Case{false, true, false}, Case{true, true, false},
							   Case{true, false, false}, Case{false, false, true}})
		{
			channel.setPaused(c.channelPaused);
			group->setPaused(c.groupPaused);
			EXPECT_EQ(Left() > 0.3, c.heard) << c.channelPaused << " " << c.groupPaused;
			EXPECT_TRUE(channel.isPlaying());
		}
	}

	TEST_F(SoundLibrary, PositionedSoundsPanAndFadeWithDistance)
	{
		snd::Sound* sound = Tone(snd::k3D | snd::kLoop);
		const snd::Channel channel = system.playSound(sound, false);
		const snd::Vector right{5, 0, 0};
		channel.set3DAttributes(&right, nullptr);
		const auto [left, rightRms] = Listen();
		EXPECT_GE(20.0 * std::log10(rightRms / std::max(left, 1e-9)), 20.0);

		auto loudnessAt = [&](float distance) {
			const snd::Vector ahead{0, 0, -distance};
			channel.set3DAttributes(&ahead, nullptr);
			return Left();
		};
		EXPECT_NEAR(loudnessAt(10) / loudnessAt(5), 0.5, 0.02);
		const double near = loudnessAt(1);
		channel.set3DMinMaxDistance(30, 10000);
		EXPECT_NEAR(loudnessAt(29) / near, 1.0, 0.02);
		EXPECT_NEAR(loudnessAt(60) / near, 0.5, 0.02);
	}

	TEST_F(SoundLibrary, StaleHandleAnswersFalseAndChangesNothingAfterItsSlotIsReused)
	{
		const snd::Channel ended = system.playSound(Tone(snd::kDefault, 0.05f), false);
		Listen();
		EXPECT_FALSE(ended.isPlaying());
		const snd::Channel reused = system.playSound(Tone(snd::kLoop), false);
		ended.setVolume(0.0f);
		ended.setPaused(true);
		ended.stop();
		EXPECT_FALSE(ended.isPlaying());
		EXPECT_TRUE(reused.isPlaying());
		EXPECT_NEAR(Left(), kHalfSineRms, kHalfSineRms * 0.02);
		reused.stop();
		EXPECT_FALSE(reused.isPlaying());
		EXPECT_LT(Left(), 1e-4);
	}

	TEST_F(SoundLibrary, PlayBeyondTheLastSourceGivesASilentInvalidHandle)
	{
		snd::Sound* sound = Tone(snd::kLoop, 0.1f);
		for (int played = 0; played < snd::System::kMaxChannels; ++played)
		{
			const snd::Channel channel = system.playSound(sound, false);
			channel.setVolume(0.0f);
			EXPECT_TRUE(channel.isPlaying()) << played;
		}
		const snd::Channel extra = system.playSound(sound, false);
		EXPECT_EQ(extra, snd::Channel());
		EXPECT_FALSE(extra.isPlaying());
		EXPECT_LT(Left(), 1e-4);
	}

	TEST_F(SoundLibrary, LoopingStreamKeepsItsLevelAcrossTheLoopPoint)
	{
		// 0.5 s of a 480 Hz sine is a whole number of periods: a seamless loop.
		const snd::Channel channel = system.playSound(Tone(snd::kLoop, 0.5f, true), false);
		std::vector<float> mix;
		for (int frame = 0; frame < 120; ++frame)
		{
			system.update(kFrame);
			mix.insert(mix.end(), system.LastMix().begin(), system.LastMix().end());
		}
		const std::size_t window = test::kSampleRate / 20;
		for (std::size_t first = window; first + window <= mix.size() / 2; first += window)
			EXPECT_GT(test::Rms(test::MixRange{mix, first, first + window}, 0), 0.9 * kHalfSineRms) << first;
		EXPECT_TRUE(channel.isPlaying());
	}

	TEST_F(SoundLibrary, UnreadableFilesGiveNullSoundsThatPlayNothing)
	{
		folder.WriteFile("junk.wav", "RIFF this is no sound");
		for (const std::string& path : {folder.Path() + "missing.wav", folder.Path() + "junk.wav"})
		{
			EXPECT_EQ(system.createSound(path, snd::kDefault), nullptr) << path;
			EXPECT_EQ(system.createStream(path, snd::kLoop), nullptr) << path;
		}
		EXPECT_EQ(system.createSound(std::vector<unsigned char>(), "empty", snd::kDefault, true), nullptr);
		EXPECT_EQ(system.playSound(nullptr, false), snd::Channel());
	}

	TEST(SoundDevice, AStartWithoutADeviceIsToldInTheGamesOneLineAlone)
	{
		testing::internal::CaptureStderr();
		const snd::System layer(snd::Output::kDefaultDevice);
		const std::string printed = testing::internal::GetCapturedStderr();
		if (!layer.IsLoopback())
			GTEST_SKIP() << "this machine has an audio device";
		EXPECT_EQ(printed, "Sound: no audio device opens; sounds are mixed on OpenAL Soft's loopback device and not heard\n");
	}

	TEST_F(SoundLibrary, FilesOutsideTheGamesFoldersOrNoRegularFilesAreRefusedUnopened)
	{
		const test::TempFolder outside;
		const std::string tone = outside.Path() + "tone.wav";
		ASSERT_TRUE(test::WriteSound(tone, test::Tone(480.0f, 0.5f, 0.1f), 1));
		std::filesystem::create_symlink(tone, folder.Path() + "link.wav");
		const std::string escape = folder.Path() + "../" + std::filesystem::path(outside.Path()).parent_path().filename().string() + "/tone.wav";
		std::vector<test::HostileFile> files = test::HostileFiles(folder);
		const std::string kOutside = "lies outside the game's folders";
		files.front().problem = kOutside;
		for (const std::string& path : {tone, escape, folder.Path() + "link.wav"})
			files.push_back({path, kOutside});
		for (const test::HostileFile& file : files)
			for (bool streamed : {false, true})
			{
				tw::Diagnostics::Flush();
				::testing::internal::CaptureStderr();
				EXPECT_EQ(streamed ? system.createStream(file.path, snd::kLoop) : system.createSound(file.path, snd::kLoop), nullptr) << file.path;
				tw::Diagnostics::Flush();
				const std::string printed = ::testing::internal::GetCapturedStderr();
				EXPECT_THAT(printed, ::testing::HasSubstr(file.path));
				EXPECT_THAT(printed, ::testing::HasSubstr(file.problem));
				EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
			}
	}

	// A sound plays the file checked when it was made: whatever is put at its name since, a quieter
	// file in the game's folders or a link leading out of them, is never read.
	TEST_F(SoundLibrary, ASoundPlaysTheFileThatWasCheckedWhateverItsNameLeadsToSince)
	{
		const test::TempFolder outside;
		ASSERT_TRUE(test::WriteSound(outside.Path() + "quiet.wav", test::Tone(480.0f, 0.05f, 1.0f), 1));
		for (const bool streamed : {false, true})
			for (const bool linkedOut : {false, true})
			{
				const std::string path = folder.Path() + "music" + std::to_string(count++) + ".wav";
				ASSERT_TRUE(test::WriteSound(path, test::Tone(480.0f, 0.5f, 1.0f), 1));
				snd::Sound* sound = streamed ? system.createStream(path, snd::kLoop) : system.createSound(path, snd::kLoop);
				ASSERT_NE(sound, nullptr);
				std::filesystem::remove(path);
				if (linkedOut)
					std::filesystem::create_symlink(outside.Path() + "quiet.wav", path);
				else
					ASSERT_TRUE(test::WriteSound(path, test::Tone(480.0f, 0.05f, 1.0f), 1));
				const snd::Channel channel = system.playSound(sound, false);
				EXPECT_NEAR(Left(), kHalfSineRms, kHalfSineRms * 0.05) << "streamed " << streamed << ", linked out " << linkedOut;
				channel.stop();
			}
	}

	TEST_F(SoundLibrary, ReleasedSoundStopsItsChannels)
	{
		snd::Sound* sound = Tone(snd::kLoop, 0.5f, true);
		const snd::Channel channel = system.playSound(sound, false);
		EXPECT_EQ(system.ChannelsPlaying(sound), 1);
		sound->release();
		EXPECT_FALSE(channel.isPlaying());
		EXPECT_LT(Left(), 1e-4);
	}

	TEST_F(SoundLibrary, ShippedSampleTonesPlayAtTheirLevelAsSoundsAndAsStreams)
	{
		const test::ScopedSearchPath dataFolder{TW_TEST_DATA_DIR "../../Data/"};
		for (const test::SampleSound& sample : test::kSampleSounds)
			for (bool streamed : {false, true})
			{
				const std::string path = TW_TEST_DATA_DIR "../../Data/Sounds/" + std::string(sample.file);
				snd::Sound* sound = streamed ? system.createStream(path, snd::kDefault) : system.createSound(path, snd::kDefault);
				ASSERT_NE(sound, nullptr) << path;
				if (sample.frequency == 0)
					continue;
				system.playSound(sound, false);
				system.update(kFrame);
				// 0.1 s holds a whole number of periods of every shipped tone.
				system.update(0.1f);
				const double expected = sample.amplitude / std::sqrt(2.0);
				EXPECT_NEAR(test::FrequencyRms(test::WholeMix(system.LastMix()), sample.frequency), expected, expected * 0.05) << path << " streamed " << streamed;
				sound->release();
			}
	}
}
