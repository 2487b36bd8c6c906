#include "ComponentFactory.h"

#include "Component.h"
#include "Composition.h"
#include "Object.h"
#include "Utilities/HashMap.h"

#include <string>

namespace
{
	class ComponentFactory
	{
	public:
		void Clear()
		{
			for (auto& entry : prototypes)
				delete entry.second;
			prototypes.clear();
			typeIds.clear();
		}

		tw::hash_map<std::string, unsigned> typeIds;
		tw::hash_map<unsigned, Component*> prototypes;
	};

	// Built on first use, since registrations may come from static initialisers of any file, and
	// never destroyed: a prototype's destructor must not run after the statics it touches are
	// gone. The engine's shutdown deletes the prototypes.
	ComponentFactory& Factory()
	{
		static ComponentFactory& factory = *new ComponentFactory;
		return factory;
	}
}

unsigned ComponentTypeIdFromName(const char* name)
{
	const auto& typeIds = Factory().typeIds;
	const auto found = typeIds.find(std::string(name != nullptr ? name : ""));
	return found != typeIds.end() ? found->second : 0;
}

Component* CreateComponent(unsigned typeId, const Object& target)
{
	Component* prototype = GetComponentPrototype(typeId);
	if (prototype == nullptr)
		return nullptr;
	Component* component = prototype->Create();
	component->owner = target.object;
	return component;
}

Component* GetComponentPrototype(unsigned typeId)
{
	const auto& prototypes = Factory().prototypes;
	const auto found = prototypes.find(typeId);
	return found != prototypes.end() ? found->second : nullptr;
}

void ClearComponentFactory()
{
	Factory().Clear();
}

bool HasComponentPrototype(unsigned typeId)
{
	return GetComponentPrototype(typeId) != nullptr;
}

void AddComponentPrototype(Component* prototype)
{
	ComponentFactory& factory = Factory();
	prototype->owner = &DummyComposition::Instance();
	const unsigned typeId = prototype->GetTypeId();
	Component*& stored = factory.prototypes[typeId];
	// Two registrations under one id keep the first prototype, as Register itself does.
	if (stored != nullptr)
	{
		delete prototype;
		return;
	}
	stored = prototype;
	factory.typeIds[prototype->GetName()] = typeId;
}
