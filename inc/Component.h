// Component: everything a game object does, it does through its components. Component is the
// abstract base the object store and the systems call; ComponentBase gives each concrete class its
// clone, create, registered name and type id. A concrete class derives from ComponentBase over
// itself and a name tag (`class Origin : public ComponentBase<Origin, __OriginName>`).
#pragma once

#include "ComponentFactory.h"
#include "NamedClass.h"

#include <string>

class Composition;
class Serializer;

class Component
{
public:
	Component() = default;
	Component(const Component& other) : owner(other.owner)
	{
	}
	Component& operator=(const Component& other)
	{
		owner = other.owner;
		return *this;
	}
	// Script wrappers that stand for the component forget it.
	virtual ~Component();

	// A new instance copied from this one, owner included.
	virtual Component* Clone() const = 0;
	// A new default instance of the same class (owner unset).
	virtual Component* Create() const = 0;
	// Reads the fields by position; trailing fields may be missing and keep their defaults.
	virtual bool Load(Serializer& serializer) = 0;
	// Writes the fields, each under its name, in the order Load reads them.
	virtual bool Serialize(Serializer& serializer) = 0;
	// Called when the owning object starts; most components register their handlers here.
	virtual bool Start() = 0;
	// Called once a frame by the system that updates components of this type.
	virtual bool Update() = 0;
	// Clean-up before the component is deleted; runs after Detach.
	virtual void Release()
	{
	}
	// Leaves every system list the component joined; runs before Release and deletion.
	virtual void Detach() = 0;
	virtual std::string GetName() const = 0;
	virtual unsigned GetTypeId() const = 0;

	// The game object that holds the component; the "Dummy" object for a prototype.
	Composition* owner = nullptr;

private:
	friend class ObjectStore;

	// Set once the end-of-frame work has detached and released the component, so that a
	// component named by several queued entries is discarded once.
	bool discardStarted = false;
};

// Base supplies the common fields and operations: Component for most classes, another registered
// component class for a class that extends it (a light is a primitive).
template <class T, class NameTag, class Base = Component>
class ComponentBase : public NamedClass<T, NameTag, Base>
{
public:
	using NamedClass<T, NameTag, Base>::TypeId;

	Component* Clone() const override
	{
		return new T(static_cast<const T&>(*this));
	}
	Component* Create() const override
	{
		return new T();
	}

	// Enters a prototype of T in the component factory; a second registration changes nothing.
	static void Register()
	{
		if (!HasComponentPrototype(TypeId()))
			AddComponentPrototype(new T());
	}
};
