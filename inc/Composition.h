// Composition: a game object. It has an id, a name, the group it belongs to, at most one component
// of each type, and a handler table through which messages reach components (its own or other
// objects'). Objects live in the object store (Object.h); DummyComposition, the "Dummy" object,
// stands in for every object a lookup does not find.
#pragma once

#include "Component.h"
#include "HandlerTable.h"
#include "Message.h"
#include "Object.h"
#include "Utilities/HashMap.h"
#include "Utilities/Mutex.h"
#include "Utilities/UnorderedVector.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class ObjectGroup;
class Serializer;

class Composition
{
public:
	using ComponentTable = tw::hash_map<unsigned, Component*>;
	// Per component type: (inherited from an included archetype file, the component's own file).
	using ArchetypeRecord = std::pair<bool, std::string>;

	static constexpr unsigned kNoGroup = 0xFFFFFFFF;

	virtual ~Composition();
	Composition(const Composition&) = delete;
	Composition& operator=(const Composition&) = delete;

	// Reads the components of the object's element; those nested deeper than baseDepth came from
	// an included archetype file and are not written back.
	virtual bool Load(Serializer& serializer, int baseDepth);
	// Writes every component that did not come from an included archetype file.
	virtual bool Save(Serializer& serializer);
	// Starts every component, then announces the object ("Created", "ObjectCreated").
	virtual void Start();
	// Calls the handlers registered for the message's name, in registration order.
	virtual void HandleMessage(const Message& message);
	// Queues every component for release and the object for deletion at the end of the frame.
	virtual void QueueDestruction();
	// Queues the object's destruction once and tells its components ("Destroyed").
	virtual void Destroy();
	virtual unsigned GetId() const;
	virtual const std::string& GetName() const;
	virtual unsigned GetGroupId() const;
	// Leaves the current group and joins the group of the id; an id that names no group changes nothing.
	virtual void SetGroup(unsigned newGroupId);
	// Null when the object is in no group.
	virtual ObjectGroup* GetGroup() const;
	// The component of the type, or null.
	virtual Component* GetComponent(unsigned typeId);
	// Adds a new, unloaded component of the type; false when the type is not registered.
	virtual bool AddComponent(unsigned typeId);
	// Adds a new component of the type and loads it from the serializer.
	virtual bool AddComponent(unsigned typeId, Serializer& serializer);
	virtual bool AddComponent(const std::string& name, Serializer& serializer);
	// Queues the removal; the component stays until the end of the frame.
	virtual void RemoveComponent(const std::string& name);
	virtual void SetName(const std::string& newName);
	// Drops every handler entry whose owner is objectId (every entry for 0).
	virtual void DropHandlers(unsigned objectId);
	virtual void DropHandlers(const std::string& messageName, unsigned objectId);

	// The object's component of class T, converted unchecked; on the "Dummy" object T's prototype.
	template <class T>
	T* GetComponent()
	{
		return static_cast<T*>(GetComponent(T::TypeId()));
	}

	// Files a handler of a component of class T: of this object's own component (ownerId 0), or of
	// the component of object ownerId, which then hears this object's messages. Registering the
	// same name, owner and class again changes nothing. A class registering a handler that it
	// inherits names itself: RegisterHandler<Light>("SetPos", &Light::OnSetPos).
	template <class T>
	void RegisterHandler(const std::string& messageName, void (T::*handler)(Message::Reader), unsigned ownerId = 0);

	// (owner id, component type id) of every handler of the message name, in registration order.
	tw::unordered_vector<IDPair> GetHandlerTargets(const std::string& messageName) const;
	// The next save writes the component in full.
	void ClearArchetypeRecord(unsigned typeId);
	// An object the interface made for itself (the pause menu, the level editor's objects): it is
	// never part of a saved level.
	void MarkAsInterface() { madeByInterface = true; }
	bool IsInterface() const { return madeByInterface; }
	const ComponentTable& GetComponents() const
	{
		return components;
	}
	// Advances whenever one of the object's components comes or goes.
	unsigned ComponentVersion() const
	{
		return componentVersion;
	}

protected:
	Composition() = default;

private:
	friend class ObjectStore;

	Component* FindHandlerComponent(const HandlerTable::Entry& entry);
	void AddHandler(const std::string& messageName, HandlerTable::Handler handler, unsigned ownerId, unsigned typeId);
	// Stores a new component of the type, replacing (and discarding) one already there.
	Component* InsertComponent(unsigned typeId);
	// Takes the component of the type out of the table; deleting it is the caller's.
	void EraseComponent(unsigned typeId);
	// After every change of the table: the object's version and the store's epoch advance, so
	// that cached lookups of the object's components, and of any object's, look again.
	void ComponentsChanged();
	ArchetypeRecord& RecordOf(unsigned typeId);

	// Live list, newest first: newer is towards the head, older away from it.
	Composition* newer = nullptr;
	Composition* older = nullptr;
	unsigned id = 0;
	std::string name;
	unsigned groupId = kNoGroup;
	ComponentTable components;
	unsigned componentVersion = 0;
	// The type ids of the components in the order they were added, oldest first, which is the
	// order they are saved in; ids of removed components may linger and are skipped.
	std::vector<unsigned> addOrder;
	// Made when a record is first written: objects created by game code have none.
	std::unique_ptr<tw::hash_map<unsigned, ArchetypeRecord>> archetypeRecords;
	// A try-lock that nothing in the game takes; the game runs on one thread.
	Mutex mutex;
	HandlerTable handlers;
	// Set once the object sits in the destruction list, so that it is queued only once.
	bool destructionQueued = false;
	bool madeByInterface = false;
};

// The "Dummy" object: it ignores every message and command, answers every query with 0, empty or
// false, and yields the factory's prototype when asked for a component.
class DummyComposition final : public Composition
{
public:
	static DummyComposition& Instance();

	using Composition::GetComponent;

	bool Load(Serializer& serializer, int baseDepth) override;
	bool Save(Serializer& serializer) override;
	void Start() override;
	void HandleMessage(const Message& message) override;
	void QueueDestruction() override;
	void Destroy() override;
	unsigned GetId() const override;
	const std::string& GetName() const override;
	unsigned GetGroupId() const override;
	void SetGroup(unsigned newGroupId) override;
	ObjectGroup* GetGroup() const override;
	Component* GetComponent(unsigned typeId) override;
	bool AddComponent(unsigned typeId) override;
	bool AddComponent(unsigned typeId, Serializer& serializer) override;
	bool AddComponent(const std::string& name, Serializer& serializer) override;
	void RemoveComponent(const std::string& name) override;
	void SetName(const std::string& newName) override;
	void DropHandlers(unsigned objectId) override;
	void DropHandlers(const std::string& messageName, unsigned objectId) override;

private:
	DummyComposition();

	std::string dummyName;
};

template <class T>
void Composition::RegisterHandler(const std::string& messageName, void (T::*handler)(Message::Reader), unsigned ownerId)
{
	AddHandler(messageName, static_cast<HandlerTable::Handler>(handler), ownerId, T::TypeId());
}
