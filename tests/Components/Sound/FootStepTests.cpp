#include "Components/Sound/FootStep.h"

#include "Components/Sound/SoundTestSupport.h"

#include <utility>

namespace
{
	class FootStepTest : public test::SoundTest
	{
	protected:
		void SetUp() override
		{
			StartEngine();
			walk = ToneFile(600, 0.5f);
			player = &MakeStarted<::FootStep>(Entry("Jump", ToneFile(1000, 0.5f)), "Player");
		}
		// Moves, then touches the surface; whether a step sounds.
		bool StepOn(Component& surface, const char* movement = "MoveForward", float amount = 1.0f)
		{
			if (movement != nullptr)
				Send(*player, Message(movement).PushFloat(amount));
			Send(*player, Message("Collision").PushU32(surface.owner->GetId()));
			return sound->FootStepChannel1.isPlaying();
		}
		::SoundMaterial& Tile(const std::string& data) { return MakeStarted<::SoundMaterial>(data, "Tile"); }

		std::string walk;
		::FootStep* player = nullptr;
	};
	using SoundMaterialTest = test::SoundTest;

	TEST_F(FootStepTest, NoStepOnASurfaceWithoutAMaterialOrWithoutAWalkEntry)
	{
		EXPECT_FALSE(StepOn(MakeStarted<::FootStep>("", "Plain")));
		EXPECT_FALSE(StepOn(Tile(Entry("Collision", walk))));
		EXPECT_TRUE(StepOn(Tile(Entry("Walk", walk))));
		EXPECT_GT(Heard(600), kHeard);
	}

	TEST_F(FootStepTest, StepsNeverOverlapAndOfTwoSurfacesInOneFrameOnlyTheFirstSounds)
	{
		::SoundMaterial& first = Tile(Entry("Walk", walk));
		::SoundMaterial& second = Tile(Entry("Walk", ToneFile(1000, 0.5f)));
		ASSERT_TRUE(StepOn(first));
		const snd::Channel step = sound->FootStepChannel1;
		StepOn(second);
		StepOn(first);
		EXPECT_TRUE(sound->FootStepChannel1 == step);
		EXPECT_GT(Heard(600), kHeard);
		EXPECT_LT(Heard(1000), kHeard);
	}

	TEST_F(FootStepTest, StandingOrOnlyJumpingSendsNoStepAndTheMarkEndsWithTheFrame)
	{
		::SoundMaterial& tile = Tile(Entry("Walk", walk));
		Send(*player, Message("MoveForward").PushFloat(1.0f));
		sound->Update();
		Send(*player, Message("Jump"));
		EXPECT_TRUE(sound->FootStepChannel2.isPlaying());
		EXPECT_FALSE(StepOn(tile, nullptr));
	}

	TEST_F(FootStepTest, EachMovementMessageArmsItWhateverItsAmount)
	{
		::SoundMaterial& tile = Tile(Entry("Walk", ToneFile(600, 0.02f)));
		for (const auto& [movement, amount] : {std::pair{"MoveForward", 1.0f}, {"MoveForward", -1.0f}, {"Strafe", 1.0f}, {"Strafe", -1.0f}, {"Strafe", 0.0f}})
		{
			sound->FootStepChannel1.stop();
			sound->Update();
			EXPECT_TRUE(StepOn(tile, movement, amount)) << movement << " " << amount;
		}
	}

	TEST_F(SoundMaterialTest, APlayingCollisionSoundIgnoresNewCollisionsAndPlaysAtTheObject)
	{
		StartEngine();
		::SoundMaterial& crate = MakeStarted<::SoundMaterial>(Entry("Collision", ToneFile(600)));
		PlaceAt(crate, Tuple3f(5.0f, 0.0f, 0.0f));
		Send(crate, Message("Collision").PushU32(0));
		const snd::Channel first = crate.collisionChannel;
		Send(crate, Message("Collision").PushU32(0));
		EXPECT_TRUE(crate.collisionChannel == first);
		const std::vector<float>& mix = Play();
		EXPECT_GT(test::Rms(test::WholeMix(mix), 1), 10.0 * test::Rms(test::WholeMix(mix), 0));
	}

	TEST_F(SoundMaterialTest, PlayWalkWithoutItsRecordPlaysNothing)
	{
		StartEngine();
		::SoundMaterial& tile = MakeStarted<::SoundMaterial>(Entry("Walk", ToneFile(600)));
		Send(tile, Message("PlayWalk"));
		Send(tile, Message("PlayWalk").Push<SoundStruct*>(nullptr));
		EXPECT_FALSE(sound->FootStepChannel1.isPlaying());
	}
}
