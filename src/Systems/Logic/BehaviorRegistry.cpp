#include "Systems/Logic/BehaviorRegistry.h"

#include "Utilities/HashMap.h"

namespace
{
	// Built on first use, so node types may be registered from anywhere at any time; emptied by
	// ClearBehaviorRegistry, deleted at exit.
	tw::hash_map<std::string, std::unique_ptr<BehaviorCloner>>& Registry()
	{
		static tw::hash_map<std::string, std::unique_ptr<BehaviorCloner>> registry;
		return registry;
	}
}

void RegisterBehaviorCloner(const std::string& typeName, std::unique_ptr<BehaviorCloner> cloner)
{
	auto& registry = Registry();
	if (registry.find(typeName) == registry.end())
		registry.insert(std::make_pair(typeName, std::move(cloner)));
}

std::unique_ptr<BehaviorNode> CreateBehavior(const std::string& typeName)
{
	const auto& registry = Registry();
	const auto found = registry.find(typeName);
	return found != registry.end() ? found->second->Clone() : nullptr;
}

bool IsBehaviorRegistered(const std::string& typeName)
{
	return Registry().find(typeName) != Registry().end();
}

void ClearBehaviorRegistry()
{
	Registry().clear();
}
