// The sound components in a physics world: a player with an Ear (and no camera) walks across a row
// of floor tiles, each a SoundMaterial with a "Walk" step, while the Sound system mixes on the
// loopback device; and a Voice beside that listener is heard on its side.
#include "Components/Physics/PhysicsComponentWorld.h"
#include "Components/Sound/Ear.h"
#include "Components/Sound/FootStep.h"
#include "Components/Sound/Voice.h"
#include "Sound.h"
#include "SoundLibrary/SampleSounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
	using test::PhysicsComponentWorld;

	constexpr int kTiles = 8;
	const std::string kStep = "<effect><string name=\"Name\">Walk</string><string name=\"Filename\">Step.wav</string><float name=\"Volume\">1</float></effect>";
	const std::string kDamage = "<effect><string name=\"Name\">Damage</string><string name=\"Filename\">Voice.wav</string><float name=\"Volume\">1</float></effect>";

	double Decibels(double rms) { return 20.0 * std::log10(rms); }

	class SoundWalk : public ::testing::Test
	{
	protected:
		SoundWalk()
		{
			sound = new Sound(snd::Output::kLoopback);
			world.engine.engine->AddSystem(sound);
			for (int tile = 0; tile < kTiles; ++tile)
				PhysicsComponentWorld::AddStaticBox("Tile", Tuple3f(static_cast<float>(tile), -0.5f, 0.0f), Tuple3f(1, 1, 1),
					{{SoundMaterial::TypeId(), kStep}});
			player = world.AddBodyObject("Player", Tuple3f(0.0f, 0.55f, 0.0f), false, CubeBody());
			PhysicsComponentWorld::AddLoaded(player, FootStep::TypeId(), "");
			PhysicsComponentWorld::AddLoaded(player, Ear::TypeId(), "");
			player.object->Start();
			Engine::SendMessage(Message("LevelLoaded"));
		}
		~SoundWalk() override { DestroyAllObjects(); }

		static std::string CubeBody() { return PhysicsComponentWorld::BodyValues("DEFAULT", "CompositePrimitive", "0 0 0", PhysicsComponentWorld::UnitCube()); }

		// One game frame: the controller's move, physics, then sound; the mix it made is kept.
		void Frame(bool walking)
		{
			if (walking)
			{
				player.object->HandleMessage(Message("MoveForward").PushFloat(1.0f));
				RigidBody& body = PhysicsComponentWorld::RigidBodyOf(player);
				body.velocity = Tuple3f(3.0f, body.velocity.y, 0.0f);
			}
			world.physics->Update();
			sound->Update();
			mix.insert(mix.end(), sound->system->LastMix().begin(), sound->system->LastMix().end());
		}

		PhysicsComponentWorld world{"<Sound><Mute>false</Mute></Sound>"};
		// Owned by the engine.
		Sound* sound = nullptr;
		Object player;
		std::vector<float> mix;
	};

	TEST_F(SoundWalk, CrossingTheTilesStepsAreHeardCentredOnTheListener)
	{
		for (int frame = 0; frame < 30; ++frame)
			Frame(false);
		EXPECT_FALSE(sound->FootStepChannel1.isPlaying()) << "standing on the tiles makes no step";
		mix.clear();
		for (int frame = 0; frame < 90; ++frame)
			Frame(true);
		EXPECT_GT(PhysicsComponentWorld::RigidBodyOf(player).transform->GetWorldPosition().x, 3.0f) << "the player did not walk";
		const test::MixRange walk = test::WholeMix(mix);
		const double left = test::Rms(walk, 0);
		const double right = test::Rms(walk, 1);
		EXPECT_GT(left, 0.05);
		EXPECT_NEAR(Decibels(left), Decibels(right), 1.0);
	}

	TEST_F(SoundWalk, AVoiceTenUnitsToTheListenersRightIsLouderRight)
	{
		const Object speaker = CreateObject("Speaker");
		speaker.object->AddComponent(Transform::TypeId());
		speaker.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(10.0f, 0.55f, 0.0f));
		PhysicsComponentWorld::AddLoaded(speaker, Voice::TypeId(), kDamage);
		speaker.object->Start();
		Frame(false);
		speaker.object->HandleMessage(Message("Damage"));
		mix.clear();
		for (int frame = 0; frame < 10; ++frame)
			Frame(false);
		const test::MixRange heard = test::WholeMix(mix);
		EXPECT_GT(Decibels(test::Rms(heard, 1)), Decibels(test::Rms(heard, 0)) + 6.0);
	}
}
