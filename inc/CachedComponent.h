// CachedComponent: a component of an object, looked up once and again only after some component of
// any object came or went (the object store's component epoch), so that a component reading a
// sibling every frame does not search its owner's table every frame. A copy starts empty: it may
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
		const unsigned epoch = ObjectStore::Instance().ComponentEpoch();
		if (!found || epoch != foundAt)
		{
			component = owner.GetComponent<T>();
			foundAt = epoch;
			found = true;
		}
		return component;
	}

private:
	T* component = nullptr;
	unsigned foundAt = 0;
	bool found = false;
};
