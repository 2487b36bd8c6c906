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
	// Penetration along the normal; a gap within kContactMargin is a negative depth.
	float depth = 0.0f;
};

// Boxes closer than this count as touching. Without it, boxes stacked exactly face to face got
// no contact until the one below had stopped and they had sunk into it: a stack placed at rest
// fell one layer per step, its top slamming into the rest at metres per second. No wider than
// the colliders' bounds grow on both sides, so that every such pair reaches the pair tests.
constexpr float kContactMargin = 0.0002f;

class ContactReceiver
{
public:
	virtual unsigned GetContactCount() const = 0;
	// Stores the contact, or merges it with one already stored close by.
	virtual void AddContact(const ContactPoint& contact) = 0;

protected:
	~ContactReceiver() = default;
};
