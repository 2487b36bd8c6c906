// CachedComponent: a component of an object, looked up once and again only after some component of
// any object came or went (the object store's component epoch), so that a component reading a
// sibling, or another object's component, every frame does not search for it every frame. A copy
// starts empty: it may belong to another object.
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
		return Lookup([&owner] { return owner.GetComponent<T>(); });
	}

	// The T of the object of the id, or null when it has none or the object is gone: a component
	// that keeps another object's id across frames. An object leaves only with its components.
	T* Get(unsigned objectId)
	{
		return Lookup([objectId] { return static_cast<T*>(FindComponent(objectId, T::TypeId())); });
	}

private:
	template <class Find>
	T* Lookup(Find&& find)
	{
		const unsigned epoch = ObjectStore::Instance().ComponentEpoch();
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
