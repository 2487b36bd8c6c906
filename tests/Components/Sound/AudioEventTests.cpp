#include "Components/Sound/AudioEvent.h"
#include "Components/Sound/BossSFX.h"

#include "Components/Sound/SoundTestSupport.h"

#include <algorithm>
#include <utility>

namespace
{
	using AudioEventTest = test::SoundTest;
	using BossSFXTest = test::SoundTest;

	TEST_F(AudioEventTest, RotatePlaysOnlyAtExactly85)
	{
		StartEngine();
		::AudioEvent& event = MakeStarted<::AudioEvent>(Entry("RotateUp", ToneFile(600)));
		for (const auto& [angle, plays] : {std::pair{85.0f, true}, {84.9f, false}, {90.0f, false}})
		{
			event.rotateChannel.stop();
			Send(event, Message("Rotate").PushFloat(angle));
			EXPECT_EQ(event.rotateChannel.isPlaying(), plays) << angle;
		}
	}

	TEST_F(AudioEventTest, ObjectiveCompleteCutsOffAPlayingProgress)
	{
		Sound& system = StartEngine();
		::AudioEvent& event = MakeStarted<::AudioEvent>(Entry("Progress", ToneFile(600)) + Entry("ObjectiveComplete", ToneFile(1000)));
		Send(event, Message("ObjectiveProgress"));
		const snd::Channel progress = system.ProgressChannel;
		Send(event, Message("ObjectiveComplete"));
		EXPECT_FALSE(progress.isPlaying());
		EXPECT_LT(Heard(600), kHeard);
		EXPECT_GT(Heard(1000), kHeard);
	}

	TEST_F(AudioEventTest, TwoProgressEventsLeaveTheFirstPlayingWithTheHandleOnTheSecond)
	{
		Sound& system = StartEngine();
		::AudioEvent& event = MakeStarted<::AudioEvent>(Entry("Progress", ToneFile(600)));
		Send(event, Message("ObjectiveProgress"));
		const snd::Channel first = system.ProgressChannel;
		Send(event, Message("ObjectiveProgress"));
		EXPECT_TRUE(first.isPlaying());
		EXPECT_TRUE(system.ProgressChannel.isPlaying());
		EXPECT_FALSE(system.ProgressChannel == first);
	}

	TEST_F(AudioEventTest, TheFirstSevenCreationsAfterALevelChangeAreSilentAndTheEighthCarriesFar)
	{
		Sound& system = StartEngine();
		const std::string data = Entry("OnCreation", ToneFile(600, 0.5f));
		for (int level = 0; level < 2; ++level)
		{
			system.Reload();
			std::vector<::AudioEvent*> events;
			for (int index = 0; index < 8; ++index)
			{
				events.push_back(&MakeStarted<::AudioEvent>(data));
				// Heard at 20 units only with the creation sound's minimum distance of 30.
				PlaceAt(*events.back(), Tuple3f(0.0f, 0.0f, -20.0f));
			}
			EXPECT_GT(Heard(600), kHeard);
			EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const ::AudioEvent* event) { return event->mainChannel.isPlaying(); }), 1);
			EXPECT_EQ(system.CreationSoundCount, 7);
		}
	}

	TEST_F(BossSFXTest, SetAnimationPlaysOnlyThrowIdleAndWalkAndNotOverItself)
	{
		StartEngine();
		const std::string tone = ToneFile(600);
		::BossSFX& boss = MakeStarted<::BossSFX>(Entry("Throw", tone) + Entry("Idle", tone) + Entry("Walk", tone) + Entry("Run", tone));
		for (const auto& [animation, plays] : {std::pair{"Throw", true}, {"Idle", true}, {"Walk", true}, {"Run", false}})
		{
			boss.channel.stop();
			Send(boss, Message("SetAnimation").PushString(animation));
			EXPECT_EQ(boss.channel.isPlaying(), plays) << animation;
		}
		Send(boss, Message("SetAnimation").PushString("Walk"));
		const snd::Channel walking = boss.channel;
		Send(boss, Message("SetAnimation").PushString("Throw"));
		EXPECT_TRUE(boss.channel == walking);
	}

	TEST_F(BossSFXTest, RagdollWithoutItsEventStopsNothing)
	{
		Sound& system = StartEngine();
		::BossSFX& boss = MakeStarted<::BossSFX>(Entry("Damage", ToneFile(600)) + Entry("Walk", ToneFile(1000)));
		Send(boss, Message("Damage"));
		Send(boss, Message("SetAnimation").PushString("Walk"));
		Send(boss, Message("Ragdoll"));
		EXPECT_TRUE(system.BossChannel.isPlaying());
		EXPECT_TRUE(boss.channel.isPlaying());
	}

	TEST_F(BossSFXTest, ItsChannelsFollowTheBoss)
	{
		StartEngine();
		::BossSFX& boss = MakeStarted<::BossSFX>(Entry("Damage", ToneFile(600)) + Entry("Walk", ToneFile(600)));
		PlaceAt(boss, Tuple3f(5.0f, 0.0f, 0.0f));
		Send(boss, Message("Damage"));
		Send(boss, Message("SetAnimation").PushString("Walk"));
		Play();
		PlaceAt(boss, Tuple3f(-5.0f, 0.0f, 0.0f));
		const std::vector<float>& mix = Play();
		EXPECT_GT(test::Rms(test::WholeMix(mix), 0), 10.0 * test::Rms(test::WholeMix(mix), 1));
	}
}
