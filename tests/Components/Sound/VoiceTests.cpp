#include "Components/Sound/Voice.h"

#include "Components/Graphics/Model.h"
#include "Components/Sound/SoundTestSupport.h"
#include "Utilities/Random.h"

#include <tuple>

namespace
{
	class VoiceComponent : public test::SoundTest
	{
	protected:
		void TearDown() override
		{
			Voice::secondsClock = savedClock;
			SoundTest::TearDown();
		}
		static std::time_t Stepped() { return seconds; }

		std::time_t (*savedClock)() = Voice::secondsClock;
		static inline std::time_t seconds = 0;
	};

	TEST_F(VoiceComponent, WithOnlyDamageOneAboutHalfOfTheDeathsCry)
	{
		StartEngine();
		Voice& voice = MakeStarted<Voice>(Entry("DamageOne", ToneFile(600, 0.1f)));
		Voice::secondsClock = &Stepped;
		int cries = 0;
		for (seconds = 1700000000; seconds < 1700001000; ++seconds)
		{
			Send(voice, Message("Death"));
			cries += voice.voiceChannel.isPlaying() ? 1 : 0;
			voice.voiceChannel.stop();
		}
		EXPECT_GT(cries, 400);
		EXPECT_LT(cries, 600);
	}

	TEST_F(VoiceComponent, DeathsWithinOneSecondPickTheSameCryAndLeaveTheGameSequence)
	{
		StartEngine();
		Voice& voice = MakeStarted<Voice>(Entry("DamageOne", ToneFile(600, 0.1f)));
		Voice::secondsClock = &Stepped;
		tw::SeedRand(5);
		const int expected = tw::RandomSequence(5).Next();
		for (seconds = 1700000000; seconds < 1700000020; ++seconds)
		{
			Send(voice, Message("Death"));
			const bool first = voice.voiceChannel.isPlaying();
			voice.voiceChannel.stop();
			Send(voice, Message("Death"));
			EXPECT_EQ(voice.voiceChannel.isPlaying(), first) << seconds;
			voice.voiceChannel.stop();
		}
		EXPECT_EQ(tw::Rand(), expected);
	}

	TEST_F(VoiceComponent, ABusyVoiceDropsDamageAndDestroyedCutsIt)
	{
		StartEngine();
		Voice& voice = MakeStarted<Voice>(Entry("Damage", ToneFile(600)) + Entry("Destroyed", ToneFile(1000)));
		Send(voice, Message("Damage").PushFloat(3.0f));
		const snd::Channel cry = voice.voiceChannel;
		Send(voice, Message("Damage").PushFloat(3.0f));
		EXPECT_TRUE(voice.voiceChannel == cry);
		Send(voice, Message("Destroyed"));
		EXPECT_FALSE(cry.isPlaying());
		EXPECT_TRUE(voice.voiceChannel.isPlaying());
	}

	TEST_F(VoiceComponent, DamageWhileRagdolledIsSilent)
	{
		StartEngine();
		Voice& voice = MakeStarted<Voice>(Entry("Damage", ToneFile(600)));
		Model::Register();
		Serializer ragdoll;
		std::istringstream data("<Component><string>None</string><bool>false</bool><float>1</float><bool>true</bool></Component>");
		ASSERT_TRUE(ragdoll.LoadFromStream(data, "model.xml"));
		voice.owner->AddComponent(Model::TypeId(), ragdoll);
		Send(voice, Message("Damage").PushFloat(3.0f));
		EXPECT_FALSE(voice.voiceChannel.isPlaying());
		Send(voice, Message("Ragdoll").PushBool(false));
		Send(voice, Message("Damage").PushFloat(3.0f));
		EXPECT_TRUE(voice.voiceChannel.isPlaying());
		// The model's cache outlives the objects unless emptied.
		DestroyAllObjects();
		ReleaseAllModels();
	}

	TEST_F(VoiceComponent, ExplodeSilencesTheContinuousSoundUntilTheNextUpdate)
	{
		StartEngine();
		Voice& voice = MakeStarted<Voice>(Entry("ContinuousSound", ToneFile(600, 0.1f)));
		EXPECT_GT(Level(0.3f), kHeard);
		Send(voice, Message("Explode"));
		EXPECT_FALSE(voice.continuousChannel.isPlaying());
		sound->Update();
		EXPECT_TRUE(voice.continuousChannel.isPlaying());
	}

	TEST_F(VoiceComponent, OnlyTheWalkAnimationAndTheStarsBurstSound)
	{
		StartEngine();
		const std::string tone = ToneFile(600);
		Voice& voice = MakeStarted<Voice>(Entry("Walk", tone) + Entry("Stars", tone) + Entry("Run", tone) + Entry("Smoke", tone));
		for (const auto& [message, name, plays] : {std::tuple{"SetAnimation", "Run", false}, {"ParticleBurst", "Smoke", false}, {"SetAnimation", "Walk", true},
												   {"ParticleBurst", "Stars", true}})
		{
			Send(voice, Message(message).PushString(name));
			EXPECT_EQ((std::string(message) == "SetAnimation" ? voice.voiceChannel : voice.starsChannel).isPlaying(), plays) << name;
		}
	}

	// Each of its three channels: moved from the listener's right to its left while it plays.
	TEST_F(VoiceComponent, ItsChannelsFollowItsObjectEveryFrame)
	{
		StartEngine();
		const std::string tone = ToneFile(600);
		const std::pair<std::string, Message> cases[] = {
			{"Damage", Message("Damage")}, {"Stars", Message("ParticleBurst").PushString("Stars")}, {"ContinuousSound", Message("Nothing")}};
		for (const auto& [entry, message] : cases)
		{
			Voice& voice = MakeStarted<Voice>(Entry(entry, tone));
			PlaceAt(voice, Tuple3f(10.0f, 0.0f, 0.0f));
			Send(voice, message);
			for (const float x : {10.0f, -10.0f, 10.0f})
			{
				PlaceAt(voice, Tuple3f(x, 0.0f, 0.0f));
				Play(0.05f);
				const std::vector<float>& mix = Play(0.05f);
				const double left = test::Rms(test::WholeMix(mix), 0);
				const double right = test::Rms(test::WholeMix(mix), 1);
				EXPECT_GT(x > 0.0f ? right : left, 2.0 * (x > 0.0f ? left : right)) << entry << " at x " << x;
			}
			voice.owner->Destroy();
			ProcessObjectChanges();
		}
	}

	TEST_F(VoiceComponent, AVoiceToTheListenersRightIsLouderRight)
	{
		StartEngine();
		Voice& voice = MakeStarted<Voice>(Entry("Damage", ToneFile(600)));
		PlaceAt(voice, Tuple3f(10.0f, 0.0f, 0.0f));
		Send(voice, Message("Damage"));
		const std::vector<float>& mix = Play();
		EXPECT_GT(test::Rms(test::WholeMix(mix), 1), 2.0 * test::Rms(test::WholeMix(mix), 0));
	}
}
