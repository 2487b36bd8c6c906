// Object: the handle by which game code and scripts name a game object, and the object store's
// operations (create, find by id or by name, walk, end-of-frame work). A lookup that finds nothing
// yields the "Dummy" object, so callers never receive a null object.
#pragma once

#include <string>
#include <utility>
#include <vector>

class Component;
class Composition;
class Message;

// (object id, component type id); scripts see the members as "first" and "second".
using IDPair = std::pair<unsigned, unsigned>;

// A plain value: holding one keeps nothing alive.
struct Object
{
	// Never null: the "Dummy" object when nothing was found.
	Composition* object;
	// 0 for the "Dummy" object.
	unsigned id;

	// True when the handle names no live object (it stands on the "Dummy" object).
	bool IsDummy() const;

	// What scripts call on "ObjectFromName" and "ObjectFromId" objects.
	unsigned GetId() const;
	std::string GetName() const;
	// On the "Dummy" object the component factory's prototype of the type.
	Component* GetComponent(const std::string& componentName) const;
	// The names of the object's components; empty for the "Dummy" object.
	std::vector<std::string> GetComponents() const;
	// (owner id, component type id) of every handler of the message name.
	std::vector<IDPair> GetAffected(const std::string& messageName) const;
	void SendMessage(const Message& message) const;
};

// A new object in the store, without components and not started.
Object CreateObject(const std::string& name);
Object ObjectFromId(unsigned id);
// The component of the type on the object of the id; null when the object or the component has gone.
Component* FindComponent(unsigned objectId, unsigned typeId);
// The index-th object that took the name (index 0 took it first).
Object ObjectFromName(const std::string& name, unsigned index = 0);
// The ids of the objects bearing the name, in the order they took it.
std::vector<unsigned> ObjectIdsByName(const std::string& name);
// The newest live object; NextObject steps to the next older one. Both give the dummy at the end.
Object FirstObject();
Object NextObject(const Object& current);
// Delivers the message to every object bearing the name.
void SendMessageToNamed(const std::string& name, const Message& message);
// Carries out the queued component removals and object destructions.
void ProcessObjectChanges();
// Deletes every object at once and restarts object ids at 1.
void DestroyAllObjects();
