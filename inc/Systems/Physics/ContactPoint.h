// ContactPoint: one point where two bodies touch, as the contact generation hands it to the pair's
// manifold; ContactReceiver: what that manifold offers the contact generation.
#pragma once

#include "Utilities/Tuple.h"

struct ContactPoint
{
	// Links of the manifold's contact list; the manifold writes them when it stores its copy.
	ContactPoint* next = nullptr;
	ContactPoint* prev = nullptr;
	// World space, on the surface of the manifold's first geometry.
	Tuple3f point;
	// Unit length, pointing from the second geometry towards the first.
	Tuple3f normal;
	// Penetration along the normal.
	float depth = 0.0f;
};

class ContactReceiver
{
public:
	virtual unsigned GetContactCount() const = 0;
	// Stores the contact, or merges it with one already stored close by.
	virtual void AddContact(const ContactPoint& contact) = 0;

protected:
	~ContactReceiver() = default;
};
