#include "EngineTestSupport.h"

#include "Sound.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Physics/Physics.h"

#include <set>

using test::Events;
using test::Names;

TEST(SystemBase, PlaceholdersCarryTheirNamesAndDistinctTypeIds)
{
	std::vector<std::unique_ptr<System>> systems;
	systems.push_back(std::make_unique<Logic>());
	systems.push_back(std::make_unique<ParticleManager>());
	systems.push_back(std::make_unique<Physics>());
	systems.push_back(std::make_unique<Sound>());
	systems.push_back(std::make_unique<GUI>());
	systems.push_back(std::make_unique<Graphics>());
	const Names names = {"Logic", "ParticleManager", "Physics", "Sound", "GUI", "Graphics"};
	std::set<unsigned> typeIds;
	for (std::size_t index = 0; index < systems.size(); ++index)
	{
		EXPECT_EQ(systems[index]->GetName(), names[index]);
		EXPECT_NE(systems[index]->GetTypeId(), 0u);
		EXPECT_TRUE(systems[index]->ReloadsOnLevelChange()) << names[index];
		typeIds.insert(systems[index]->GetTypeId());
	}
	EXPECT_EQ(typeIds.size(), systems.size());
}

TEST(SystemBase, HandleMessageCallsTheHandlerOfTheNameOnlyAndReloadShutsDownThenInitialises)
{
	test::Alpha alpha;
	alpha.Initialize();
	Events().clear();
	alpha.HandleMessage(Message("Ping"));
	alpha.HandleMessage(Message("Unheard"));
	alpha.Reload();
	EXPECT_EQ(Events(), (Names{"Ping Alpha", "Shutdown Alpha", "Initialize Alpha"}));
	Events().clear();
}
