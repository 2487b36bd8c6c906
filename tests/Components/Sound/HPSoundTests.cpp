#include "Components/Sound/HPSound.h"
#include "Components/Sound/Voice.h"

#include "Components/Sound/SoundTestSupport.h"

#include <utility>

namespace
{
	class HPSoundTest : public test::SoundTest
	{
	protected:
		void SetUp() override
		{
			StartEngine();
			const std::string tone = ToneFile(600, 0.5f);
			player = &MakeStarted<::HPSound>(Entry("Pant", ToneFile(1000, 0.05f)) + Entry("Gulp", tone) + Entry("Blow", tone) + Entry("Suck", tone) +
											 Entry("Damage", tone) + Entry("Accomplishment", tone) + Entry("Spit", tone));
		}
		void Health(double fraction) { Send(*player, Message("HealthPercentage").PushDouble(fraction)); }

		::HPSound* player = nullptr;
	};

	TEST_F(HPSoundTest, PantingStartsOnceBelowTheThresholdStopsAboveItAndExactlyAtItNothingChanges)
	{
		Health(0.39);
		const snd::Channel pant = sound->HPSoundChannel4;
		Play(0.2f);
		Health(0.39);
		Health(0.4);
		EXPECT_TRUE(pant.isPlaying());
		EXPECT_TRUE(sound->HPSoundChannel4 == pant);
		Health(0.41);
		EXPECT_FALSE(pant.isPlaying());
		Health(0.4);
		EXPECT_FALSE(sound->HPSoundChannel4.isPlaying());
	}

	TEST_F(HPSoundTest, DeathStopsThePantingAndTheNextLowReportStartsItAgain)
	{
		Health(0.1);
		Send(*player, Message("Death"));
		EXPECT_FALSE(sound->HPSoundChannel4.isPlaying());
		Health(0.1);
		EXPECT_TRUE(sound->HPSoundChannel4.isPlaying());
	}

	TEST_F(HPSoundTest, TakingInAnObjectPlaysItsSwallowedCryOnlyWhenItsVoiceHasOne)
	{
		const unsigned crier = MakeStarted<Voice>(Entry("Swallowed", ToneFile(1000)), "Crier").owner->GetId();
		const unsigned quiet = MakeStarted<Voice>(Entry("Damage", ToneFile(1000)), "Quiet").owner->GetId();
		const unsigned plain = CreateObject("Plain").id;
		for (const auto& [id, cries] : {std::pair{crier, true}, {plain, false}, {quiet, false}})
		{
			sound->HPSoundChannel2.stop();
			Send(*player, Message("AddObject").PushU32(id));
			EXPECT_TRUE(sound->HPSoundChannel1.isPlaying()) << id;
			EXPECT_EQ(sound->HPSoundChannel2.isPlaying(), cries) << id;
		}
	}

	TEST_F(HPSoundTest, ABusyActionChannelDropsSomeSoundsAndIsCutOffByOthers)
	{
		for (const auto& [message, cuts] : {std::pair{"Blow", false}, {"Suck", false}, {"Damage", false}, {"HouseDestroyed", false}, {"AddObject", true}, {"PlaceObject", true}})
		{
			Send(*player, Message("Blow"));
			const snd::Channel busy = sound->HPSoundChannel1;
			Send(*player, Message(message).PushU32(player->owner->GetId()));
			EXPECT_EQ(busy.isPlaying(), !cuts) << message;
			EXPECT_EQ(sound->HPSoundChannel1 == busy, !cuts) << message;
			sound->HPSoundChannel1.stop();
		}
	}

	TEST_F(HPSoundTest, TwoHPSoundsShareOnePantingLoop)
	{
		::HPSound& other = MakeStarted<::HPSound>(Entry("Pant", ToneFile(1000, 0.05f)));
		Health(0.1);
		const snd::Channel pant = sound->HPSoundChannel4;
		Send(other, Message("HealthPercentage").PushDouble(0.1));
		EXPECT_TRUE(sound->HPSoundChannel4 == pant);
		Send(other, Message("HealthPercentage").PushDouble(0.9));
		EXPECT_FALSE(pant.isPlaying());
	}
}
