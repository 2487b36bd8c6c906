// CachedComponent: a component of an object, looked up once and again only after a component came or
// went (one of the owner's, for a sibling; any object's, for another object's component), so that a
// component reading it every frame does not search for it every frame. A copy starts empty: it may
// belong to another object.
#pragma once

#include "Composition.h"
#include "ObjectStore.h"

template <class T>
class CachedComponent
{
public:
	CachedComponent() = default;
	CachedComponent(const CachedComponent&) {}
	CachedComponent& operator=(const CachedComponent&)
	{
		found = false;
		return *this;
	}

	// The owner's T, or null when it has none.
	T* Get(Composition& owner)
	{
		return Lookup(owner.ComponentVersion(), [&owner] { return owner.GetComponent<T>(); });
	}

	// The T of the object of the id, or null when it has none or the object is gone: a component
	// that keeps another object's id across frames. An object leaves only with its components.
	T* Get(unsigned objectId)
	{
		return Lookup(ObjectStore::Instance().ComponentEpoch(), [objectId] { return static_cast<T*>(FindComponent(objectId, T::TypeId())); });
	}

private:
	template <class Find>
	T* Lookup(unsigned epoch, Find&& find)
	{
		if (!found || epoch != foundAt)
		{
			component = find();
			foundAt = epoch;
			found = true;
		}
		return component;
	}

	T* component = nullptr;
	unsigned foundAt = 0;
	bool found = false;
};
