// ContactRows: turns the contact points of a manifold into constraint rows, four per point (one
// against penetration, two frictional along the surface, one against spin about the normal), and keeps them from step to step: each new point is
// matched by position to the rows of the previous step, so the multipliers warm-start the solver;
// rows whose point vanished are parked for a while in case it returns. It owns the pool of the
// references that tie a manifold to its rows.
#pragma once

#include "Systems/Physics/CollisionManifold.h"
#include "Systems/Physics/Constraint.h"
#include "Utilities/ContiguousList.h"

class ResolutionManager;

class ContactRows
{
public:
	static constexpr unsigned kRowsPerPoint = 4;
	// Points within 0.05 of a reference's point reuse its rows.
	static constexpr float kMatchDistanceSquared = 0.0025f;
	// A contact whose bodies close along its normal faster than the root of this bounces with the
	// manifold's restitution; sliding along the surface does not count.
	static constexpr float kBounceSpeedSquared = 3.0f;
	// The radius of the patch a point stands for: the spin row's bound is the frictional bound
	// times this, so a ball spinning on the ground slows to rest while one rolling keeps rolling.
	static constexpr float kSpinPatchRadius = 0.05f;

	explicit ContactRows(ResolutionManager& resolution);

	void Reserve(unsigned capacity);
	// The rows of an awake manifold for this step; a ghost manifold loses all of its rows.
	void Build(CollisionManifold& manifold);
	// Removes every row and reference of the manifold (not while the level is torn down).
	void Release(CollisionManifold& manifold);
	// Moves the rows of the manifold's active references between the lists as the pair falls
	// asleep or wakes. False, moving nothing, when the receiving list cannot take them all.
	bool Park(CollisionManifold& manifold);
	bool Unpark(CollisionManifold& manifold);

	unsigned GetReferenceCount() const { return pool.Count(); }

private:
	ContactRowRef* FindMatch(const PhysicsList<ContactRowRef>& refs, const Tuple3f& point) const;
	// False, building nothing, when the pool or the active list is full or the level is torn down.
	bool Create(ContactRowRef& ref, const ContactPoint& contact, const CollisionManifold& manifold);
	void Update(ContactRowRef& ref, const ContactPoint& contact, const CollisionManifold& manifold) const;
	// Retires the references left unmatched, revives the matched retired ones, drops the old.
	void Retire(CollisionManifold& manifold);
	// The four records into the other list, multipliers kept; false, changing nothing, when it
	// is full.
	bool Move(ContactRowRef& ref, ConstraintList& from, ConstraintList& to) const;
	void Remove(ContactRowRef& ref, ConstraintList& list) const;
	bool MoveAll(PhysicsList<ContactRowRef>& refs, ConstraintList& from, ConstraintList& to) const;
	void Free(PhysicsList<ContactRowRef>& refs, ContactRowRef& ref);

	tw::ContiguousList<ContactRowRef> pool;
	ResolutionManager& resolution;
};
