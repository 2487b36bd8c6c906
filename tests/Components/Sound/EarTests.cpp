#include "Components/Sound/Ear.h"

#include "Components/Graphics/Camera.h"
#include "Components/Sound/SoundTestSupport.h"
#include "Components/Sound/SoundEffect.h"

namespace
{
	using EarComponent = test::SoundTest;
	using SoundEffectTest = test::SoundTest;

	TEST_F(EarComponent, OfTwoTheLastStartedListensAndDetachingTheOtherLeavesIt)
	{
		Sound& system = StartEngine();
		Ear& first = MakeStarted<Ear>("");
		Ear& second = MakeStarted<Ear>("");
		EXPECT_EQ(system.listener, &second);
		first.Detach();
		EXPECT_EQ(system.listener, &second);
		second.Detach();
		EXPECT_EQ(system.listener, nullptr);
	}

	TEST_F(EarComponent, TheListenerFollowsItsObjectAndATurningCameraAtTheNextUpdate)
	{
		Sound& system = StartEngine();
		Ear& ear = MakeStarted<Ear>("");
		Camera::Register();
		ear.owner->AddComponent(Camera::TypeId());
		Camera& camera = *ear.owner->GetComponent<Camera>();
		camera.SetUp(Tuple3f(0.0f, 2.0f, 0.0f));
		for (const Tuple3f& direction : {Tuple3f(3.0f, 0.0f, 0.0f), Tuple3f(0.0f, 0.0f, -0.5f)})
		{
			camera.SetDirection(direction);
			PlaceAt(ear, direction);
			system.Update();
			EXPECT_TRUE(system.listenerForward == direction.Normalize());
			EXPECT_TRUE(system.listenerUp == Tuple3f(0.0f, 1.0f, 0.0f));
			EXPECT_TRUE(system.listenerPos == direction);
		}
	}

	TEST_F(SoundEffectTest, OneNameWithTwoFilesKeepsTheFirstSoundCountsTwoAndEachSavesItsOwnFile)
	{
		Sound& system = StartEngine();
		const std::string first = ToneFile(600, 0.1f);
		const std::string second = ToneFile(1000, 0.1f);
		::SoundEffect& a = MakeStarted<::SoundEffect>(Entry("Boom", first));
		::SoundEffect& b = MakeStarted<::SoundEffect>(Entry("Boom", second));
		ASSERT_EQ(system.effects.size(), 1u);
		EXPECT_EQ(system.effects[0]->file, first);
		EXPECT_EQ(system.effects[0]->uses, 2);
		EXPECT_EQ(system.effectSounds.size(), 1u);
		EXPECT_EQ(a.effects[0].file, first);
		EXPECT_EQ(b.effects[0].file, second);
		Send(b, Message("StartSFX"));
		EXPECT_LT(Level(), 1e-4);
	}

	TEST_F(SoundEffectTest, TheRegistryEmptiesWithTheDeviceSoTheNextEngineLoadsAgain)
	{
		const std::string file = ToneFile(600, 0.1f);
		for (int run = 0; run < 2; ++run)
		{
			Sound& system = StartEngine();
			MakeStarted<::SoundEffect>(Entry("Boom", file));
			EXPECT_EQ(system.effects.size(), 1u) << run;
			system.Shutdown();
			EXPECT_TRUE(system.effectSounds.empty());
		}
	}
}
