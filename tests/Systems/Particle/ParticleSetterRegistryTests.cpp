#include "Systems/Particle/ParticleSetterRegistry.h"

#include "Systems/Particle/ParticleWorld.h"

#include <gtest/gtest.h>

#include <set>
#include <typeindex>

TEST(ParticleRegistry, TwoInitializesHoldTheFiftyEightNamesEachWithItsOwnClass)
{
	test::ParticleWorld world;
	world.manager->Initialize();
	world.manager->Initialize();
	ParticleSetterRegistry& registry = ParticleSetterRegistry::Instance();
	EXPECT_EQ(registry.Count(), 58u);
	std::set<std::type_index> classes;
	for (const std::string& name : ParticleSetterRegistry::TableNames())
	{
		const ParticleSetter* prototype = ParticleSetterLookup(name);
		ASSERT_NE(prototype, nullptr) << name;
		classes.insert(typeid(*prototype));
	}
	EXPECT_EQ(classes.size(), 58u) << "no two names share a class";
}
