#include "ObjectStore.h"

#include "Component.h"
#include "Composition.h"
#include "Engine.h"

#include <algorithm>

namespace
{
	template <class T>
	void EraseFirst(std::vector<T>& list, std::size_t count)
	{
		list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(count));
	}
}

void ObjectStore::Discard(Component* component)
{
	if (!component->discardStarted)
	{
		component->discardStarted = true;
		component->Detach();
		component->Release();
	}
	Instance().AdvanceComponentEpoch();
	delete component;
}

Object ObjectStore::Create(const std::string& name)
{
	Composition* object = new Composition;
	object->id = nextId++;
	object->name = name;
	if (byId.size() <= object->id)
		byId.resize(object->id + 1, nullptr);
	byId[object->id] = object;
	byName[name].push_back(object->id);
	object->SetGroup(0);
	object->older = newest;
	if (newest != nullptr)
		newest->newer = object;
	newest = object;
	return Object{object, object->id};
}

Object ObjectStore::FromId(unsigned id) const
{
	if (id >= byId.size() || byId[id] == nullptr)
		return Object{&DummyComposition::Instance(), 0};
	return Object{byId[id], id};
}

Object ObjectStore::FromName(const std::string& name, unsigned index)
{
	const std::vector<unsigned>& ids = byName[name];
	if (index >= ids.size())
		return Object{&DummyComposition::Instance(), 0};
	return FromId(ids[index]);
}

std::vector<unsigned>& ObjectStore::IdsByName(const std::string& name)
{
	return byName[name];
}

Object ObjectStore::First() const
{
	if (newest == nullptr)
		return Object{&DummyComposition::Instance(), 0};
	return Object{newest, newest->id};
}

Object ObjectStore::Next(const Object& current) const
{
	if (current.IsDummy() || current.object->older == nullptr)
		return Object{&DummyComposition::Instance(), 0};
	return Object{current.object->older, current.object->older->id};
}

void ObjectStore::SendToNamed(const std::string& name, const Message& message)
{
	const auto found = byName.find(name);
	if (found == byName.end())
		return;
	// A copy: a handler may create or rename objects, which changes the table.
	const std::vector<unsigned> ids = found->second;
	for (unsigned id : ids)
	{
		const Object target = FromId(id);
		if (!target.IsDummy())
			target.object->HandleMessage(message);
	}
}

void ObjectStore::QueueRemoval(unsigned objectId, unsigned typeId)
{
	removals.push_back(IDPair(objectId, typeId));
}

void ObjectStore::QueueRelease(unsigned objectId, unsigned typeId)
{
	releases.push_back(IDPair(objectId, typeId));
}

void ObjectStore::QueueDestruction(unsigned objectId)
{
	destructions.push_back(objectId);
}

void ObjectStore::Rename(Composition& object, const std::string& newName)
{
	ForgetName(object);
	byName[newName].push_back(object.id);
	object.name = newName;
}

void ObjectStore::ForgetName(const Composition& object)
{
	// The whole table goes at the end of DestroyAll; list by list it would cost quadratic time.
	if (destroyingAll)
		return;
	const auto found = byName.find(object.name);
	if (found == byName.end())
		return;
	std::vector<unsigned>& ids = found->second;
	const auto position = std::find(ids.begin(), ids.end(), object.id);
	if (position != ids.end())
		ids.erase(position);
}

void ObjectStore::ProcessChanges()
{
	while (ProcessQueuedWork())
	{
	}
}

bool ObjectStore::ProcessQueuedWork()
{
	const std::size_t releaseCount = releases.size();
	const std::size_t removalCount = removals.size();
	const std::size_t destructionCount = destructions.size();
	if (releaseCount == 0 && removalCount == 0 && destructionCount == 0)
		return false;

	// Every queued component is detached, then released, once, whichever lists name it; work that
	// these calls queue waits for the next pass.
	struct Doomed
	{
		IDPair pair;
		Component* component;
	};
	std::vector<Doomed> doomed;
	auto prepare = [&](const IDPair& pair) {
		Component* component = FindComponent(pair.first, pair.second);
		if (component != nullptr && !component->discardStarted)
		{
			component->discardStarted = true;
			component->Detach();
			component->Release();
			doomed.push_back(Doomed{pair, component});
		}
	};
	for (std::size_t index = 0; index < releaseCount; ++index)
		prepare(releases[index]);
	for (std::size_t index = 0; index < removalCount; ++index)
		prepare(removals[index]);

	for (const Doomed& entry : doomed)
	{
		// A component replaced meanwhile was deleted by the replacement; its successor, which may
		// sit at the same address, has not been detached and stays.
		const Object target = FromId(entry.pair.first);
		if (target.IsDummy())
			continue;
		Component* present = target.object->GetComponent(entry.pair.second);
		if (present != entry.component || !present->discardStarted)
			continue;
		target.object->EraseComponent(entry.pair.second);
		delete entry.component;
		Message removed("ComponentRemoved");
		removed.PushU32(entry.pair.first);
		removed.PushU32(entry.pair.second);
		Engine::SendMessage(removed);
	}
	EraseFirst(removals, removalCount);
	EraseFirst(releases, releaseCount);

	for (std::size_t index = 0; index < destructionCount; ++index)
	{
		const unsigned id = destructions[index];
		const Object target = FromId(id);
		if (target.IsDummy())
			continue;
		Message destroyed("ObjectDestroyed");
		destroyed.PushU32(id);
		Engine::SendMessage(destroyed);
		Unlink(target.object);
		byId[id] = nullptr;
		DeleteObject(target.object);
	}
	EraseFirst(destructions, destructionCount);
	return true;
}

void ObjectStore::DeleteObject(Composition* object)
{
	// Components added after the object was queued were not in the release list.
	while (!object->components.empty())
	{
		const auto [typeId, component] = *object->components.begin();
		object->EraseComponent(typeId);
		Discard(component);
	}
	delete object;
}

void ObjectStore::Unlink(Composition* object)
{
	if (object->newer != nullptr)
		object->newer->older = object->older;
	else
		newest = object->older;
	if (object->older != nullptr)
		object->older->newer = object->newer;
	object->newer = nullptr;
	object->older = nullptr;
}

void ObjectStore::DestroyAll()
{
	ProcessChanges();
	destroyingAll = true;
	// Newest first; objects created by a component's Detach join the head and go too.
	while (newest != nullptr)
	{
		Composition* object = newest;
		std::vector<Component*> components;
		for (const auto& entry : object->components)
			components.push_back(entry.second);
		// Everything leaves its system lists while the object can still be found.
		for (Component* component : components)
			component->Detach();
		for (Component* component : components)
			component->Release();
		Unlink(object);
		byId[object->id] = nullptr;
		for (Component* component : components)
		{
			object->EraseComponent(component->GetTypeId());
			delete component;
		}
		DeleteObject(object);
	}
	destroyingAll = false;
	// Cleared whole (entry by entry would leave the name table full of tombstones); ids restart at 1.
	byId.clear();
	removals.clear();
	releases.clear();
	destructions.clear();
	byName.clear();
	nextId = 1;
	// Ids restart at 1, so a listener kept from this level would reach a new object reusing its id.
	if (Engine* engine = Engine::Instance())
		engine->DropObjectListeners();
}
