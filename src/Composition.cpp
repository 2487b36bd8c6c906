#include "Composition.h"

#include "ComponentFactory.h"
#include "Engine.h"
#include "ObjectGroup.h"
#include "ObjectStore.h"
#include "Serializer.h"
#include "Utilities/Diagnostics.h"

#include <vector>

namespace
{
	// The type ids of the object's components, so that a walk survives components that add or
	// replace components of their object.
	std::vector<unsigned> ComponentTypeIds(const Composition::ComponentTable& components)
	{
		std::vector<unsigned> typeIds;
		typeIds.reserve(components.size());
		for (const auto& entry : components)
			typeIds.push_back(entry.first);
		return typeIds;
	}

	// Objects whose "Created" handlers are running, one inside another. Past the bound "Created"
	// is withheld, which ends an archetype that creates itself from its own "Created" handlers.
	constexpr unsigned kMaxNestedCreations = 32;
	unsigned nestedCreations = 0;

	void SendEngineWide(const char* name, unsigned first)
	{
		Message message(name);
		message.PushU32(first);
		Engine::SendMessage(message);
	}

	void SendEngineWide(const char* name, unsigned first, unsigned second)
	{
		Message message(name);
		message.PushU32(first);
		message.PushU32(second);
		Engine::SendMessage(message);
	}
}

Composition::~Composition()
{
	if (id != 0)
		ObjectStore::Instance().ForgetName(*this);
}

bool Composition::Load(Serializer& serializer, int baseDepth)
{
	while (serializer.NextElement())
	{
		const int depth = serializer.EnterElementAtDepth();
		const std::string componentName = serializer.ReadString();
		const char* file = serializer.PeekValue();
		RecordOf(ComponentTypeIdFromName(componentName.c_str())) = ArchetypeRecord(depth > baseDepth, file != nullptr ? file : "");
		AddComponent(componentName, serializer);
		serializer.LeaveNode();
	}
	return true;
}

bool Composition::Save(Serializer& serializer)
{
	// Oldest first, the order they were loaded in. The table's own walk order changes whenever it
	// is rebuilt, which would reorder an object's components at every save of a level.
	for (unsigned typeId : addOrder)
	{
		Component* component = GetComponent(typeId);
		if (component == nullptr)
			continue;
		ArchetypeRecord record(false, "");
		if (archetypeRecords != nullptr)
		{
			const auto found = archetypeRecords->find(typeId);
			if (found != archetypeRecords->end())
				record = found->second;
		}
		if (record.first)
			continue;
		serializer.EnterNode(record.second, "Component");
		if (record.second.empty())
		{
			serializer.Write("ComponentName", component->GetName());
			component->Serialize(serializer);
		}
		serializer.LeaveNode();
	}
	return true;
}

void Composition::Start()
{
	for (unsigned typeId : ComponentTypeIds(components))
		if (Component* component = GetComponent(typeId))
			component->Start();
	// An archetype whose "Created" handlers create it again would recurse until the stack runs out:
	// past kMaxNestedCreations nested creations its own "Created" is not sent.
	if (nestedCreations >= kMaxNestedCreations)
	{
		tw::Diagnostics::Report("Object \"" + GetName() + "\" (id " + std::to_string(id) + "): created " +
			std::to_string(kMaxNestedCreations) + " objects deep from \"Created\" handlers, which look like an archetype "
			"that creates itself; its own \"Created\" is not sent");
		SendEngineWide("ObjectCreated", id);
		return;
	}
	++nestedCreations;
	HandleMessage(Message("Created"));
	--nestedCreations;
	SendEngineWide("ObjectCreated", id);
}

void Composition::HandleMessage(const Message& message)
{
	const unsigned& componentEpoch = ObjectStore::Instance().ComponentEpoch();
	// The object's own components are found again only after one of them came or went, another
	// object's after a change anywhere: a component added to one object sends no other object's
	// handlers looking again.
	handlers.Deliver(
		message.GetKey(),
		[this, &componentEpoch](const HandlerTable::Entry& entry) { return entry.objectId == id ? componentVersion : componentEpoch; },
		[this](const HandlerTable::Entry& entry) { return FindHandlerComponent(entry); },
		[&](Component* component, HandlerTable::Handler handler) { (component->*handler)(Message::Reader(message, id)); });
}

Component* Composition::FindHandlerComponent(const HandlerTable::Entry& entry)
{
	if (entry.objectId == id)
		return Composition::GetComponent(entry.typeId);
	return FindComponent(entry.objectId, entry.typeId);
}

void Composition::QueueDestruction()
{
	ObjectStore& store = ObjectStore::Instance();
	for (const auto& entry : components)
		store.QueueRelease(id, entry.first);
	store.QueueDestruction(id);
	destructionQueued = true;
}

void Composition::Destroy()
{
	if (destructionQueued)
		return;
	QueueDestruction();
	ObjectStore& store = ObjectStore::Instance();
	for (const auto& entry : components)
		store.QueueRemoval(id, entry.first);
	HandleMessage(Message("Destroyed"));
}

unsigned Composition::GetId() const
{
	return id;
}

const std::string& Composition::GetName() const
{
	return name;
}

unsigned Composition::GetGroupId() const
{
	return groupId;
}

void Composition::SetGroup(unsigned newGroupId)
{
	if (newGroupId == groupId)
		return;
	ObjectGroup* newGroup = ObjectGroup::Find(newGroupId);
	if (newGroup == nullptr)
		return;
	ObjectGroup* oldGroup = GetGroup();
	groupId = newGroupId;
	ObjectGroup::MoveMember(Object{this, id}, oldGroup, *newGroup);
}

ObjectGroup* Composition::GetGroup() const
{
	return groupId != kNoGroup ? ObjectGroup::Find(groupId) : nullptr;
}

Component* Composition::GetComponent(unsigned typeId)
{
	const auto found = components.find(typeId);
	return found != components.end() ? found->second : nullptr;
}

Component* Composition::InsertComponent(unsigned typeId)
{
	Component* component = CreateComponent(typeId, Object{this, id});
	if (component == nullptr)
		return nullptr;
	const unsigned storedTypeId = component->GetTypeId();
	Component*& stored = components[storedTypeId];
	// The displaced component leaves its system lists before it goes, like a removed one; its
	// replacement keeps its place in the save order.
	if (stored != nullptr)
		ObjectStore::Discard(stored);
	else
	{
		std::erase(addOrder, storedTypeId);
		addOrder.push_back(storedTypeId);
	}
	stored = component;
	ComponentsChanged();
	return component;
}

void Composition::EraseComponent(unsigned typeId)
{
	components.erase(typeId);
	ComponentsChanged();
}

void Composition::ComponentsChanged()
{
	++componentVersion;
	ObjectStore::Instance().AdvanceComponentEpoch();
}

bool Composition::AddComponent(unsigned typeId)
{
	if (InsertComponent(typeId) == nullptr)
		return false;
	SendEngineWide("ComponentAdded", id, typeId);
	return true;
}

bool Composition::AddComponent(unsigned typeId, Serializer& serializer)
{
	Component* component = InsertComponent(typeId);
	if (component == nullptr)
		return false;
	component->Load(serializer);
	SendEngineWide("ComponentAdded", id, typeId);
	return true;
}

bool Composition::AddComponent(const std::string& componentName, Serializer& serializer)
{
	return AddComponent(ComponentTypeIdFromName(componentName.c_str()), serializer);
}

void Composition::RemoveComponent(const std::string& componentName)
{
	ObjectStore::Instance().QueueRemoval(id, ComponentTypeIdFromName(componentName.c_str()));
}

void Composition::SetName(const std::string& newName)
{
	ObjectStore::Instance().Rename(*this, newName);
}

void Composition::DropHandlers(unsigned objectId)
{
	handlers.Drop(objectId);
}

void Composition::DropHandlers(const std::string& messageName, unsigned objectId)
{
	handlers.Drop(MessageName(messageName), objectId);
}

void Composition::AddHandler(const std::string& messageName, HandlerTable::Handler handler, unsigned ownerId, unsigned typeId)
{
	// The "Dummy" object keeps no handlers: it ignores every message.
	if (id == 0)
		return;
	const unsigned owner = ownerId != 0 ? ownerId : id;
	const MessageName key(messageName);
	if (!handlers.Contains(key, owner, typeId))
		handlers.Add(key, HandlerTable::Entry{handler, owner, typeId});
}

tw::unordered_vector<IDPair> Composition::GetHandlerTargets(const std::string& messageName) const
{
	return handlers.Targets(MessageName(messageName));
}

void Composition::ClearArchetypeRecord(unsigned typeId)
{
	RecordOf(typeId) = ArchetypeRecord(false, "");
}

Composition::ArchetypeRecord& Composition::RecordOf(unsigned typeId)
{
	if (archetypeRecords == nullptr)
		archetypeRecords = std::make_unique<tw::hash_map<unsigned, ArchetypeRecord>>();
	return (*archetypeRecords)[typeId];
}

DummyComposition& DummyComposition::Instance()
{
	static DummyComposition dummy;
	return dummy;
}

DummyComposition::DummyComposition() : dummyName("Dummy")
{
}

bool DummyComposition::Load(Serializer&, int)
{
	return false;
}

bool DummyComposition::Save(Serializer&)
{
	return false;
}

void DummyComposition::Start()
{
}

void DummyComposition::HandleMessage(const Message&)
{
}

void DummyComposition::QueueDestruction()
{
}

void DummyComposition::Destroy()
{
}

unsigned DummyComposition::GetId() const
{
	return 0;
}

const std::string& DummyComposition::GetName() const
{
	return dummyName;
}

unsigned DummyComposition::GetGroupId() const
{
	return 0;
}

void DummyComposition::SetGroup(unsigned)
{
}

ObjectGroup* DummyComposition::GetGroup() const
{
	return nullptr;
}

Component* DummyComposition::GetComponent(unsigned typeId)
{
	return GetComponentPrototype(typeId);
}

bool DummyComposition::AddComponent(unsigned)
{
	return false;
}

bool DummyComposition::AddComponent(unsigned, Serializer&)
{
	return false;
}

bool DummyComposition::AddComponent(const std::string&, Serializer&)
{
	return false;
}

void DummyComposition::RemoveComponent(const std::string&)
{
}

void DummyComposition::SetName(const std::string&)
{
}

void DummyComposition::DropHandlers(unsigned)
{
}

void DummyComposition::DropHandlers(const std::string&, unsigned)
{
}
