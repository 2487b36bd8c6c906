#include "EngineTestSupport.h"

#include "Sound.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Physics/Physics.h"

#include <set>

using test::Events;

namespace
{
	struct NamedSystem
	{
		std::unique_ptr<System> system;
		const char* name;
	};
}

TEST(SystemBase, PlaceholdersCarryTheirNamesAndDistinctTypeIds)
{
	std::vector<NamedSystem> systems;
	systems.push_back({std::make_unique<Logic>(), "Logic"});
	systems.push_back({std::make_unique<ParticleManager>(), "ParticleManager"});
	systems.push_back({std::make_unique<Physics>(), "Physics"});
	systems.push_back({std::make_unique<Sound>(), "Sound"});
	systems.push_back({std::make_unique<GUI>(), "GUI"});
	systems.push_back({std::make_unique<Graphics>(), "Graphics"});
	std::set<unsigned> typeIds;
	for (const NamedSystem& entry : systems)
	{
		EXPECT_EQ(entry.system->GetName(), entry.name);
		EXPECT_NE(entry.system->GetTypeId(), 0u);
		EXPECT_TRUE(entry.system->ReloadsOnLevelChange()) << entry.name;
		typeIds.insert(entry.system->GetTypeId());
		// The empty base operations do nothing, reload included.
		entry.system->Reload();
		entry.system->HandleMessage(Message("Ping"));
	}
	EXPECT_EQ(typeIds.size(), systems.size());
	EXPECT_EQ(Logic().GetTypeId(), Logic::TypeId());
}

TEST(SystemBase, HandleMessageCallsTheHandlerOfTheNameOnly)
{
	Events().clear();
	test::Alpha alpha;
	alpha.Initialize();
	Events().clear();
	alpha.HandleMessage(Message("Ping"));
	alpha.HandleMessage(Message("Unheard"));
	EXPECT_EQ(Events(), std::vector<std::string>{"Ping Alpha"});
}

TEST(SystemBase, ReloadShutsDownThenInitialises)
{
	test::Beta beta;
	Events().clear();
	beta.Reload();
	EXPECT_EQ(Events(), (std::vector<std::string>{"Shutdown Beta", "Initialize Beta"}));
	Events().clear();
}
