// The component factory: the process-wide tables from registered component name to type id and
// from type id to one prototype per type. Level and archetype files name components; the object
// store turns the name into a type id and asks the factory for a new instance of that type.
#pragma once

class Component;
struct Object;

// 0 when no type is registered under the name.
unsigned ComponentTypeIdFromName(const char* name);
// A new component of the type owned by the target; null when the type is not registered.
Component* CreateComponent(unsigned typeId, const Object& target);
// The prototype of the type; null when the type is not registered.
Component* GetComponentPrototype(unsigned typeId);
// Deletes every prototype and forgets every name.
void ClearComponentFactory();

// The two halves of ComponentBase::Register.
bool HasComponentPrototype(unsigned typeId);
// Takes ownership; the prototype is owned by the "Dummy" object and found by its name and type id.
void AddComponentPrototype(Component* prototype);
