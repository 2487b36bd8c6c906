// The shipped player's breath in the first level, as the level file sets it up: what the area pull
// draws in, what a breath out with nothing held shoots, the jump off the ground, and the particles
// the lungs drive.
#include "Components/Logic/Blow.h"
#include "Components/Physics/ObjectBodies.h"
#include "Components/Physics/ParticleSystem.h"
#include "Components/Transform.h"
#include "Systems/Logic/ShippedLevelWorld.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Physics/RigidBody.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace
{
	using test::PositionOf;

	// Two seconds of 16 ms frames.
	constexpr unsigned kTwoSeconds = 125;
	// The frame the player starts breathing, once the level has settled.
	constexpr unsigned kBreathFrame = 10;

	using Script = std::map<unsigned, std::function<void()>>;

	// Plays the shipped first level with the renderer and the particles for that many frames.
	void PlayFirstLevel(const Script& script, unsigned frames)
	{
		test::ShippedLevelWorld world("Homestead");
		world.engine.engine->AddSystem(new ParticleManager());
		world.Play(script, frames);
	}

	void ToPlayer(const Message& message)
	{
		ObjectFromName("Player").SendMessage(message);
	}

	// One crate at the place given, the others far off to the side.
	unsigned PlaceOneCrate(const Tuple3f& place)
	{
		const std::vector<unsigned> crates = ObjectIdsByName("Crate");
		for (std::size_t crate = 1; crate < crates.size(); ++crate)
			ObjectFromId(crates[crate]).SendMessage(Message("SetPos").Push(Tuple3f(25.0f, 0.5f, 5.0f * static_cast<float>(crate))));
		ObjectFromId(crates[0]).SendMessage(Message("SetPos").Push(place));
		return crates[0];
	}

	std::size_t LiveParticles(const char* group)
	{
		return ObjectFromName("Player").object->GetComponent<ParticleSystem>()->FindGroup(group)->particles.size();
	}

	// The player stands at the origin looking down the -z axis; a crate 6 units ahead, this far to
	// the side of the aim, is breathed in within 2 s, or not moved at all.
	TEST(PlayableLevelBreath, TheAreaPullDrawsACrateFromInsideTheConeAndNothingBeyondIt)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const struct
		{
			float across;
			bool drawnIn;
		} kCases[] = {{0.0f, true}, {1.2f, true}, {-1.2f, true}, {2.0f, false}, {-2.6f, false}};
		for (const auto& crateCase : kCases)
		{
			SCOPED_TRACE(crateCase.across);
			const Tuple3f start(crateCase.across, 0.5f, -6.0f);
			unsigned crate = 0, heldAt = 0;
			float moved = 0.0f;
			Script script;
			script[1] = [&] { crate = PlaceOneCrate(start); };
			script[kBreathFrame] = [] {
				ToPlayer(Message("SetLungState").PushU32(1));
				ToPlayer(Message("SetSucking").PushBool(true));
			};
			for (unsigned frame = kBreathFrame + 1; frame <= kBreathFrame + kTwoSeconds; ++frame)
				script[frame] = [&, frame] {
					if (heldAt == 0 && !ObjectFromName("Player").object->GetComponent<Blow>()->heldObjs.empty())
						heldAt = frame;
					moved = static_cast<float>(PositionOf(crate).Distance(start));
				};
			PlayFirstLevel(script, kBreathFrame + kTwoSeconds + 1);
			if (crateCase.drawnIn)
				EXPECT_GT(heldAt, 0u) << "the crate was not breathed in within 2 s";
			else
				EXPECT_LT(moved, 0.05f) << "the crate was pulled from outside the cone";
		}
	}

	// A breath out with nothing held shoots a gust along the view, which shoves the crate ahead
	// away and is gone within a second.
	TEST(PlayableLevelBreath, BreathingOutWithNothingHeldShootsAGustThatShovesTheCrateAway)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const Tuple3f start(0.0f, 0.5f, -6.0f);
		unsigned crate = 0;
		std::vector<float> gustDistances;
		std::size_t gustsLeft = 1;
		Script script;
		script[1] = [&] { crate = PlaceOneCrate(start); };
		script[kBreathFrame] = [] { ToPlayer(Message("SetLungState").PushU32(2)); };
		for (unsigned frame = kBreathFrame + 2; frame <= kBreathFrame + 5; ++frame)
			script[frame] = [&, frame] {
				if (frame == kBreathFrame + 2)
					ToPlayer(Message("SetLungState").PushU32(0));
				for (unsigned gust : ObjectIdsByName("Gust"))
					gustDistances.push_back(-PositionOf(gust).z);
			};
		script[kBreathFrame + 70] = [&] { gustsLeft = ObjectIdsByName("Gust").size(); };
		float crateAt = 0.0f;
		script[kBreathFrame + 100] = [&] { crateAt = PositionOf(crate).z; };
		PlayFirstLevel(script, kBreathFrame + 101);
		ASSERT_EQ(gustDistances.size(), 4u) << "one gust, seen on four frames";
		EXPECT_GT(gustDistances.back(), gustDistances.front() + 0.5f) << "the gust does not fly ahead";
		EXPECT_EQ(gustsLeft, 0u) << "the gust outlives its second";
		EXPECT_LT(crateAt, start.z - 0.1f) << "the crate ahead was not shoved away";
	}

	// Blowing at the floor from the player's eyes launches the player upwards.
	TEST(PlayableLevelBreath, BlowingAtTheFloorLaunchesThePlayer)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		float risingSpeed = 0.0f;
		Script script;
		script[kBreathFrame] = [] {
			const Tuple3f eye = PositionOf(ObjectFromName("Player").id) + Tuple3f(0.0f, 0.5f, 0.0f);
			ToPlayer(Message("StartGust").PushFloat(1.0f).Push(eye).Push(Tuple3f(0.0f, -1.0f, 0.0f)));
		};
		script[kBreathFrame + 1] = [&] { risingSpeed = MainBodyOf(ObjectFromName("Player").id)->velocity.y; };
		PlayFirstLevel(script, kBreathFrame + 2);
		EXPECT_GT(risingSpeed, 3.0f);
	}

	// Breathing in streams "Suck" particles; breathing out bursts "Main" ones.
	TEST(PlayableLevelBreath, TheLungsStreamSuckParticlesInAndBurstMainOnesOut)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		std::size_t suckWhileIn = 0, mainWhileIn = 0, mainOut = 0;
		Script script;
		script[kBreathFrame] = [] { ToPlayer(Message("SetLungState").PushU32(1)); };
		script[kBreathFrame + 30] = [&] {
			suckWhileIn = LiveParticles("Suck");
			mainWhileIn = LiveParticles("Main");
			ToPlayer(Message("SetLungState").PushU32(2));
		};
		script[kBreathFrame + 32] = [&] { mainOut = LiveParticles("Main"); };
		PlayFirstLevel(script, kBreathFrame + 33);
		EXPECT_GT(suckWhileIn, 10u);
		EXPECT_EQ(mainWhileIn, 0u);
		EXPECT_GE(mainOut, 5u);
	}
}
