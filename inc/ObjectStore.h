// ObjectStore: the process-wide tables behind the store operations of Object.h: the live list
// (newest first), objects by id and by name, and the three lists of end-of-frame work. Only the
// engine core uses it directly; game code goes through Object.h and Composition.
#pragma once

#include "Object.h"
#include "Utilities/HashMap.h"

#include <string>
#include <vector>

class Component;
class Composition;

class ObjectStore
{
public:
	// Built on first use, so objects may be created from static initialisers of any file. Inline:
	// every message delivery asks it for the component epoch.
	static ObjectStore& Instance()
	{
		static ObjectStore store;
		return store;
	}

	ObjectStore(const ObjectStore&) = delete;
	ObjectStore& operator=(const ObjectStore&) = delete;

	Object Create(const std::string& name);
	Object FromId(unsigned id) const;
	Object FromName(const std::string& name, unsigned index);
	std::vector<unsigned>& IdsByName(const std::string& name);
	Object First() const;
	Object Next(const Object& current) const;
	void SendToNamed(const std::string& name, const Message& message);
	void ProcessChanges();
	void DestroyAll();

	// Queued end-of-frame work.
	void QueueRemoval(unsigned objectId, unsigned typeId);
	void QueueRelease(unsigned objectId, unsigned typeId);
	void QueueDestruction(unsigned objectId);

	// Keeps the name table in step with an object's name.
	void Rename(Composition& object, const std::string& newName);
	void ForgetName(const Composition& object);

	// Detach, Release, then delete: a component leaves every system list before its memory goes.
	static void Discard(Component* component);

	// Advances whenever a component is added to or taken from any object, so that a handler table
	// may keep the components it found until then.
	const unsigned& ComponentEpoch() const
	{
		return componentEpoch;
	}
	void AdvanceComponentEpoch()
	{
		++componentEpoch;
	}

private:
	ObjectStore() = default;
	~ObjectStore() = default;

	// One pass of ProcessChanges over the work queued when it began; false when there was none.
	bool ProcessQueuedWork();
	void DeleteObject(Composition* object);
	void Unlink(Composition* object);

	Composition* newest = nullptr;
	// Indexed by id: ids are handed out in order from 1 and restart only with DestroyAll, and every
	// message sent by id looks here. Ids of deleted objects (and 0) keep a null entry until DestroyAll.
	std::vector<Composition*> byId;
	tw::hash_map<std::string, std::vector<unsigned>> byName;
	std::vector<IDPair> removals;
	std::vector<IDPair> releases;
	std::vector<unsigned> destructions;
	unsigned nextId = 1;
	unsigned componentEpoch = 0;
	bool destroyingAll = false;
};
