#include "Components/Physics/ParticleSystem.h"

#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Diagnostics.h"

#include <gmock/gmock.h>

#include <cmath>

using ::testing::HasSubstr;
using test::GroupXml;
using test::LongLife;
using test::SetterXml;

namespace
{
	void Send(const ParticleSystem& system, Message message)
	{
		ObjectFromId(system.owner->GetId()).SendMessage(message);
	}

	void Burst(const ParticleSystem& system, const std::string& group, int count)
	{
		Send(system, Message("ParticleBurst").PushString(group).PushInt(count));
	}

	std::size_t Occurrences(const std::string& text, const std::string& part)
	{
		std::size_t count = 0;
		for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
			++count;
		return count;
	}

	// Spawns of a burst worked out with the float arithmetic of the emitter.
	unsigned BurstSpawns(float interval, int count)
	{
		float owed = static_cast<float>(static_cast<double>(interval) * count);
		unsigned spawns = 0;
		for (; owed >= interval; ++spawns)
			owed -= interval;
		return spawns;
	}
}

TEST(ParticleSystem, BurstSpawnsInTheNextUpdatingFrameOnly)
{
	test::ParticleWorld world;
	const struct
	{
		float interval;
		int count;
		unsigned expected;
	} cases[] = {{0.25f, 4, 4}, {0.1f, 5, BurstSpawns(0.1f, 5)}, {0.5f, 0, 0}};
	for (const auto& c : cases)
	{
		ParticleSystem& system = world.AddEmitter(GroupXml("Sparks", false, false, std::to_string(c.interval), LongLife()));
		system.FindGroup("Sparks")->interval_ = c.interval;
		Burst(system, "Sparks", c.count);
		world.Frames(1);
		EXPECT_EQ(test::CountOf(system, "Sparks"), c.expected) << c.interval << " x " << c.count;
		world.Frames(2);
		EXPECT_EQ(test::CountOf(system, "Sparks"), c.expected) << "a burst spawns once";
	}
}

TEST(ParticleSystem, SteadyEmissionCarriesTheRemainderBetweenFrames)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Smoke", true, true, "0.05", LongLife()));
	const float dt = world.Settings().timeStep;
	float owed = 0.0f;
	std::size_t expected = 0;
	for (int frame = 0; frame < 50; ++frame)
	{
		const std::size_t before = test::CountOf(system, "Smoke");
		world.Frames(1);
		const std::size_t spawned = test::CountOf(system, "Smoke") - before;
		EXPECT_LE(spawned, 1u) << "frame " << frame;
		for (owed += dt; owed >= 0.05f; ++expected)
			owed -= 0.05f;
	}
	EXPECT_EQ(test::CountOf(system, "Smoke"), expected);
	EXPECT_NEAR(static_cast<double>(expected), 50 / 3.125, 1.0);
}

TEST(ParticleSystem, ClearRemovesEveryParticleAndOwedEmission)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Dust", false, false, "0.25", LongLife()));
	Burst(system, "Dust", 3);
	world.Frames(1);
	ASSERT_EQ(test::CountOf(system, "Dust"), 3u);
	Burst(system, "Dust", 2);
	Send(system, Message("ParticleClear").PushString("Dust"));
	EXPECT_EQ(test::CountOf(system, "Dust"), 0u);
	world.Frames(1);
	EXPECT_EQ(test::CountOf(system, "Dust"), 0u) << "owed emission is forgotten";
}

TEST(ParticleSystem, MessagesActOnTheNamedGroupOnly)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("A", false, true, "1", LongLife()) + GroupXml("B", false, true, "1", LongLife()));
	Send(system, Message("ParticleActivate").PushString("B").PushBool(true));
	Send(system, Message("SetParticleInterval").PushString("B").PushFloat(0.016f));
	Send(system, Message("ParticleActivate").PushString("Nothing").PushBool(true));
	world.Frames(2);
	EXPECT_EQ(test::CountOf(system, "A"), 0u);
	EXPECT_EQ(test::CountOf(system, "B"), 2u);
}

// The left-button binding's "ParticleActivate(true)" names no group: nothing switches, nothing is said.
TEST(ParticleSystem, ASwitchWithoutAGroupNameSwitchesNothingQuietly)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("A", false, true, "1", LongLife()));
	testing::internal::CaptureStderr();
	Send(system, Message("ParticleActivate").PushBool(true));
	world.Frames(2);
	EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
	EXPECT_FALSE(system.FindGroup("A")->active_);
}

TEST(ParticleSystem, TwoUpdateSettersAdvanceTheParticleTwice)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Jet", false, false, "1",
		LongLife() + SetterXml("Spawn_Velocity_Variation", "<Tuple3f>1 0 0</Tuple3f><Tuple3f>1 0 0</Tuple3f>"),
		SetterXml("PlaceHolder") + SetterXml("PlaceHolder")));
	Burst(system, "Jet", 1);
	const float dt = world.Settings().timeStep;
	world.Frames(1);
	EXPECT_FLOAT_EQ(system.FindGroup("Jet")->particles[0].position.x, 2 * dt);
	world.Frames(1);
	EXPECT_FLOAT_EQ(system.FindGroup("Jet")->particles[0].position.x, 4 * dt);
}

TEST(ParticleSystem, WhilePhysicsIsPausedParticlesAreDrawnButNeitherAgedNorMoved)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Jet", false, false, "1",
		LongLife() + SetterXml("Spawn_Velocity_Variation", "<Tuple3f>1 0 0</Tuple3f><Tuple3f>1 0 0</Tuple3f>"),
		SetterXml("PlaceHolder"), SetterXml("Draw_Random_Texture")), true);
	PointSprite& sprite = *system.owner->GetComponent<PointSprite>();
	Burst(system, "Jet", 1);
	world.Frames(1);
	const Particle before = system.FindGroup("Jet")->particles[0];
	world.Resolution().updateEnabled = false;
	Burst(system, "Jet", 1);
	world.Frames(3);
	ASSERT_EQ(test::CountOf(system, "Jet"), 1u) << "no spawn while paused";
	const Particle& after = system.FindGroup("Jet")->particles[0];
	EXPECT_EQ(after.position, before.position);
	EXPECT_EQ(after.life, before.life);
	const PointSprite::SpriteGroup* drawn = sprite.FindSpriteGroup({sprite.GetGroupId("Jet"), 0, false});
	ASSERT_NE(drawn, nullptr);
	EXPECT_EQ(drawn->positions.size(), 1u) << "drawn once a frame, the group cleared before";
}

TEST(ParticleSystem, AnExpiredParticleMovedIntoAHoleIsExaminedNext)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Ash", false, false, "1", ""));
	ParticleGroup& group = *system.FindGroup("Ash");
	for (float life : {0.001f, 5.0f, 0.001f})
	{
		Particle particle;
		particle.life = life;
		particle.position.x = static_cast<float>(group.particles.size());
		group.particles.push_back(particle);
	}
	world.Frames(1);
	ASSERT_EQ(group.particles.size(), 1u);
	EXPECT_EQ(group.particles[0].position.x, 1.0f);
}

TEST(ParticleSystem, AnIntervalThatCannotEmitSpawnsNothingAndIsReportedOnce)
{
	test::ParticleWorld world;
	for (const char* interval : {"0", "-1", "nan", "inf"})
	{
		const std::string name = std::string("Bad") + interval;
		ParticleSystem& system = world.AddEmitter(GroupXml(name, true, true, interval, LongLife()));
		system.FindGroup(name)->interval_ = std::stof(interval);
		testing::internal::CaptureStderr();
		Burst(system, name, 4);
		world.Frames(3);
		const std::string printed = testing::internal::GetCapturedStderr();
		EXPECT_EQ(test::CountOf(system, name), 0u) << interval;
		EXPECT_FALSE(system.FindGroup(name)->burstPending) << interval;
		EXPECT_EQ(Occurrences(printed, "particle group \"" + name + "\" of object \"Emitter\""), 1u) << printed;
		tw::Diagnostics::Flush();
	}
}

TEST(ParticleSystem, SpawnsBeyondTenThousandInOneUpdateAreDropped)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Flood", true, true, "1e-06", LongLife()));
	testing::internal::CaptureStderr();
	world.Frames(1);
	EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("the rest are dropped"));
	tw::Diagnostics::Flush();
	EXPECT_EQ(test::CountOf(system, "Flood"), ParticleGroup::kMaxSpawnsPerUpdate);
	EXPECT_EQ(system.FindGroup("Flood")->accumulator, 0.0f);
}

TEST(ParticleSystem, ASpawnedParticleThatIsNotFiniteIsDropped)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Blast", false, false, "1",
		LongLife() + SetterXml("Spawn_Velocity_Variation", "<Tuple3f>3e38 0 0</Tuple3f><Tuple3f>3e38 0 0</Tuple3f>") +
			SetterXml("Spawn_Velocity_Default", "<float>3e38</float>")));
	testing::internal::CaptureStderr();
	Burst(system, "Blast", 2);
	world.Frames(1);
	EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("not finite; it is dropped"));
	tw::Diagnostics::Flush();
	EXPECT_EQ(test::CountOf(system, "Blast"), 0u);
}

TEST(ParticleSystem, ThirtyGroupsLoadRunAndSaveInTheOrderTheyFirstAppeared)
{
	test::ParticleWorld world;
	std::string groups;
	for (int i = 0; i < 30; ++i)
		groups += GroupXml(std::string("g") + std::to_string(i), true, true, "0.016", LongLife(), SetterXml("PlaceHolder"), SetterXml("Draw_Random_Texture"));
	ParticleSystem& system = world.AddEmitter(groups, true);
	world.Frames(2);
	ASSERT_EQ(system.Groups().size(), 30u);
	for (int i = 0; i < 30; ++i)
	{
		const ParticleGroup& group = *system.Groups()[i];
		EXPECT_EQ(group.name, std::string("g") + std::to_string(i));
		EXPECT_EQ(group.particles.size(), 2u) << group.name;
		for (const ParticleSetter* setter : group.drawers_.running)
			EXPECT_EQ(setter->group, &group) << "the setter's group stays where it was";
	}
	const std::string saved = test::SavedText([&](Serializer& writer) { system.Serialize(writer); });
	for (std::size_t i = 1, previous = saved.find(">g0<"); i < 30; ++i)
	{
		const std::size_t at = saved.find(std::string(">g") + std::to_string(i) + "<");
		EXPECT_TRUE(at != std::string::npos && at > previous) << "g" << i << " saved in its place";
		previous = at;
	}
}

TEST(ParticleSystem, ACloneHasSettersOfItsOwnAndOutlivesItsSource)
{
	test::ParticleWorld world;
	ParticleSystem& source = world.AddEmitter(
		GroupXml("Sparks", true, true, "0.016", LongLife() + SetterXml("Spawn_Color_Sequencer", "<Tuple4f>1 0 0 1</Tuple4f>"),
			SetterXml("PlaceHolder"), SetterXml("Draw_Random_Texture")), true);
	world.Frames(3);
	std::unique_ptr<Component> copy(source.Clone());
	auto& clone = static_cast<ParticleSystem&>(*copy);
	source.Release();
	clone.Update();
	const ParticleGroup& group = *clone.FindGroup("Sparks");
	EXPECT_EQ(group.particles.size(), 4u) << "the particles are copied, and the copy spawns";
	EXPECT_EQ(group.particles[3].color, Tuple4f(1, 0, 0, 1));
	for (const ParticleGroup::SetterList* list : {&group.initializers_, &group.updaters_, &group.drawers_})
		for (const ParticleSetter* setter : list->running)
			EXPECT_EQ(setter->group, &group);
	clone.Release();
}

TEST(ParticleSystem, AnUnknownSetterIsLeftOutReportedAndSavedBackUnchanged)
{
	test::ParticleWorld world;
	const std::string unknown = SetterXml("Spawn_Sparkles", "<float>3</float><Tuple3f name=\"dir\">1 2 3</Tuple3f><Nested><int>4</int></Nested>");
	testing::internal::CaptureStderr();
	ParticleSystem& system = world.AddEmitter(GroupXml("Mixed", false, false, "0.5",
		SetterXml("Zero") + unknown + SetterXml("Spawn_Scale_Default", "<float>2</float>")));
	EXPECT_THAT(testing::internal::GetCapturedStderr(),
		HasSubstr("unknown particle setter \"Spawn_Sparkles\" in the initializers_ list of particle group \"Mixed\" of object \"Emitter\""));
	tw::Diagnostics::Flush();
	EXPECT_EQ(system.FindGroup("Mixed")->initializers_.running.size(), 2u);

	const std::string saved = test::SavedText([&](Serializer& writer) { system.Serialize(writer); });
	EXPECT_TRUE(saved.find("Zero") < saved.find("Spawn_Sparkles") && saved.find("Spawn_Sparkles") < saved.find("Spawn_Scale_Default"))
		<< "kept in its place: " << saved;
	for (const char* kept : {"<float>3</float>", "<Tuple3f name=\"dir\">1 2 3</Tuple3f>", "<int>4</int>"})
		EXPECT_THAT(saved, HasSubstr(kept));
	testing::internal::CaptureStderr();
	ParticleSystem& reloaded = world.AddEmitter(saved.substr(saved.find('>') + 1, saved.rfind("</") - saved.find('>') - 1));
	testing::internal::GetCapturedStderr();
	tw::Diagnostics::Flush();
	EXPECT_EQ(test::SavedText([&](Serializer& writer) { reloaded.Serialize(writer); }), saved);
}
