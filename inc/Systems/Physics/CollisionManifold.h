// CollisionManifold: the contacts of one touching pair of bodies, kept from step to step while the
// pair touches. The detection stage refills its contact points each step; the contact rows built
// from them are matched to the previous step's through ContactRowRef records, so that their
// multipliers carry over. CollisionPair is the key under which the contact stage files a manifold.
#pragma once

#include "Systems/Physics/ContactPoint.h"
#include "Systems/Physics/PhysicsList.h"
#include "Utilities/ContiguousList.h"
#include "Utilities/Tuple.h"

#include <utility>

struct Constraint;
struct RigidBody;

// The two bodies of a contact, the one with the higher address first.
using CollisionPair = std::pair<const void*, const void*>;
CollisionPair MakeCollisionPair(const RigidBody* a, const RigidBody* b);

// The four constraint rows of one contact point: against penetration, two frictional ones along the
// surface and one against spinning about the normal.
struct ContactRowRef
{
	ContactRowRef* next = nullptr;
	ContactRowRef* prev = nullptr;
	// Records in the resolution stage's active or inactive list; all four in the same one.
	Constraint* normalRow = nullptr;
	Constraint* tangentRow1 = nullptr;
	Constraint* tangentRow2 = nullptr;
	Constraint* spinRow = nullptr;
	// Where the rows were last built, in world space.
	Tuple3f point;
	// 0: matched in this step; otherwise the row-building passes since the last match, plus one.
	unsigned age = 0;
};

class CollisionManifold : public ContactReceiver
{
public:
	// Squared distance below which two contact points are one (0.05 apart).
	static constexpr float kMergeDistanceSquared = 0.0025f;

	CollisionManifold() = default;
	// A new, unreported pair; restitution and friction come from the owners' materials.
	CollisionManifold(RigidBody* first, RigidBody* second, tw::ContiguousList<ContactPoint>& contactPool);
	CollisionManifold(const CollisionManifold&) = default;
	CollisionManifold& operator=(const CollisionManifold&) = default;
	~CollisionManifold() = default;

	unsigned GetContactCount() const override { return contacts.count; }
	// A point closer than 0.05 to one already held replaces it when deeper and is dropped
	// otherwise; a full contact pool drops it.
	void AddContact(const ContactPoint& contact) override;
	void ClearContacts();

	// Contact normals point from body1 towards body0; contact points lie on body0.
	RigidBody* body0 = nullptr;
	RigidBody* body1 = nullptr;
	// Either body is a GHOST: reported, but without rows.
	bool ghost = false;
	bool unreported = true;
	// The detection stage found contacts for the pair in this step.
	bool touched = true;
	// The rows of activeRefs are parked in the inactive list while the pair sleeps.
	bool inactive = false;
	// World centres of mass, refreshed when the rows are built.
	Tuple3f centre0;
	Tuple3f centre1;
	// 1 + the smaller restitution of the two owners.
	float restitutionFactor = 1.0f;
	// The combined friction of the owners; it scales the frictional bounds of the rows.
	float friction = 0.0f;
	PhysicsList<ContactPoint> contacts;
	PhysicsList<ContactRowRef> activeRefs;
	PhysicsList<ContactRowRef> retiredRefs;

private:
	tw::ContiguousList<ContactPoint>* contactPool = nullptr;
};
