#include "Systems/Particle/ParticleManager.h"

#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Random.h"

#include <gmock/gmock.h>

using test::GroupXml;
using test::LongLife;
using test::SetterXml;

TEST(ParticleManager, PausedParticlesRunAgainAfterALevelReload)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Glow", true, true, "0.016", LongLife()));
	world.Frames(1);
	ASSERT_EQ(test::CountOf(system, "Glow"), 1u);
	Engine::SendMessage(Message("PauseParticles").PushBool(true));
	world.Frames(3);
	EXPECT_EQ(test::CountOf(system, "Glow"), 1u);
	Engine::SendMessage(Message("PauseParticles").PushBool(false));
	world.Frames(1);
	EXPECT_EQ(test::CountOf(system, "Glow"), 2u);
	Engine::SendMessage(Message("PauseParticles").PushBool(true));
	world.manager->Reload();
	world.Frames(1);
	EXPECT_EQ(test::CountOf(system, "Glow"), 3u);
}

TEST(ParticleManager, UpdatesSystemsInTheOrderTheyStartedUntilTheyDetach)
{
	test::ParticleWorld world;
	// The first system updated draws the first random number.
	const std::string group = GroupXml("Seed", true, true, "0.016", LongLife() + SetterXml("Spawn_Scale_Field", "<float>0</float><float>1</float>"));
	ParticleSystem& a = world.AddEmitter(group, false, "A");
	ParticleSystem& b = world.AddEmitter(group, false, "B");
	tw::SeedRand(7);
	const float first = PS::Rand01();
	const float second = PS::Rand01();
	ASSERT_NE(first, second);
	tw::SeedRand(7);
	world.Frames(1);
	EXPECT_EQ(a.FindGroup("Seed")->particles[0].scale, first);
	EXPECT_EQ(b.FindGroup("Seed")->particles[0].scale, second);
	a.Detach();
	world.Frames(1);
	EXPECT_EQ(test::CountOf(a, "Seed"), 1u);
	EXPECT_EQ(test::CountOf(b, "Seed"), 2u);
	EXPECT_EQ(world.manager->Systems().Count(), 1u);
}

TEST(ParticleManager, RegisteringAgainKeepsOnePrototypePerNameOfTheTable)
{
	test::ParticleWorld world;
	ParticleSetterRegistry& registry = ParticleSetterRegistry::Instance();
	const std::vector<std::string> names = ParticleSetterRegistry::TableNames();
	ASSERT_EQ(names.size(), 58u);
	EXPECT_EQ(names.front(), "Zero");
	EXPECT_EQ(names.back(), "Draw_Random_Texture");
	const ParticleSetter* before = ParticleSetterLookup("Spawn_Fire");
	world.manager->Reload();
	EXPECT_EQ(registry.Count(), names.size());
	EXPECT_NE(ParticleSetterLookup("Spawn_Fire"), before) << "a new prototype replaces the old";
	for (const std::string& name : names)
	{
		const ParticleSetter* prototype = ParticleSetterLookup(name);
		ASSERT_NE(prototype, nullptr) << name;
		EXPECT_EQ(prototype->name, name);
		EXPECT_EQ(prototype->Clone()->name, name);
	}
	EXPECT_EQ(ParticleSetterLookup("Spawn_Sparkles"), nullptr);
	EXPECT_EQ(registry.Count(), names.size()) << "a lookup adds nothing";
}
