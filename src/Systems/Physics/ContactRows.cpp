#include "Systems/Physics/ContactRows.h"

#include "Components/Physics/PhysicsMaterial.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"

#include <algorithm>
#include <cmath>

namespace
{
	// Below this squared length a tangent is no direction.
	constexpr float kDegenerateTangent = 0.0001f;

	Tuple3f UnitOr(const Tuple3f& v, const Tuple3f& fallback)
	{
		return v.LengthSquared() < kDegenerateTangent ? fallback : v.Normalize();
	}

	// The direction a linear row pushes body B along (zero for a row not built yet).
	Tuple3f PushDirection(const Constraint& row)
	{
		return Tuple3f(row.jacobian[6], row.jacobian[7], row.jacobian[8]);
	}
}

ContactRows::ContactRows(ResolutionManager& resolution) : resolution(resolution) {}

void ContactRows::Reserve(unsigned capacity)
{
	pool.Reserve(capacity);
}

void ContactRows::Build(CollisionManifold& manifold)
{
	if (manifold.ghost)
	{
		Release(manifold);
		return;
	}
	manifold.centre0 = manifold.body0->GetWorldCentreOfMass();
	manifold.centre1 = manifold.body1->GetWorldCentreOfMass();

	for (const ContactPoint* contact = manifold.contacts.first; contact != nullptr; contact = contact->next)
	{
		ContactRowRef* match = FindMatch(manifold.activeRefs, contact->point);
		if (match == nullptr)
			match = FindMatch(manifold.retiredRefs, contact->point);
		if (match != nullptr)
		{
			Update(*match, *contact, manifold);
			continue;
		}
		ContactRowRef* ref = pool.Insert(ContactRowRef());
		if (ref == nullptr)
			continue;
		if (!Create(*ref, *contact, manifold))
		{
			pool.Erase(ref);
			continue;
		}
		manifold.activeRefs.Append(*ref);
	}
	Retire(manifold);
}

ContactRowRef* ContactRows::FindMatch(const PhysicsList<ContactRowRef>& refs, const Tuple3f& point) const
{
	for (ContactRowRef* ref = refs.first; ref != nullptr; ref = ref->next)
		if (ref->age != 0 && (ref->point - point).LengthSquared() < kMatchDistanceSquared)
			return ref;
	return nullptr;
}

bool ContactRows::Create(ContactRowRef& ref, const ContactPoint& contact, const CollisionManifold& manifold)
{
	if (resolution.tearingDown)
		return false;
	ConstraintList& active = resolution.activeConstraints;
	if (active.Capacity() - active.Count() < kRowsPerPoint)
		return false;
	Constraint normal;
	normal.bodyA = manifold.body0;
	normal.bodyB = manifold.body1;
	normal.lowerBound = 0.0f;
	normal.upperBound = kUnboundedMultiplier;
	Constraint tangent;
	tangent.bodyA = manifold.body0;
	tangent.bodyB = manifold.body1;
	ref.normalRow = active.Insert(normal);
	ref.tangentRow1 = active.Insert(tangent);
	ref.tangentRow2 = active.Insert(tangent);
	ref.spinRow = active.Insert(tangent);
	Update(ref, contact, manifold);
	return true;
}

void ContactRows::Update(ContactRowRef& ref, const ContactPoint& contact, const CollisionManifold& manifold) const
{
	ref.point = contact.point;
	ref.age = 0;
	const Tuple3f m = -contact.normal;
	const Tuple3f rA = contact.point - manifold.centre0;
	const Tuple3f rB = contact.point + contact.normal * contact.depth - manifold.centre1;
	// A point keeps its last first direction, laid into the surface; a new point picks one from the
	// normal. Picked afresh from the normal at every step, the surface directions of a normal
	// within a hair of an axis would swap from one step to the next (x and z under a box, thousands
	// of times as a pile settles), and the multipliers kept to warm the solve would push a quarter
	// turn off.
	const Tuple3f previous = PushDirection(*ref.tangentRow1);
	const Tuple3f laid = previous - m * previous.DotProduct(m);
	const Tuple3f t1 =
		laid.LengthSquared() < kDegenerateTangent ? -UnitOr(PerpendicularVector(m), Tuple3f(1.0f, 0.0f, 0.0f)) : laid.Normalize();
	const Tuple3f t2 = UnitOr(Cross(m, t1), Tuple3f(0.0f, 0.0f, 1.0f));

	// The body that gravity presses into the contact bears it; the owners' combined friction scales
	// the bound, the default material (0.3) giving the mass itself. What rests on that body presses
	// too, so the bound also follows the point's last normal force, scaled by the friction and by
	// how level the contact is (walls keep none); bound by its own weight alone, a stack on a slope
	// would slide.
	const float s = Physics::Settings().gravityDirection.DotProduct(m);
	const float pressed = s > 0.0f ? manifold.body0->mass * s : manifold.body1->mass * -s;
	const float ownWeight = pressed * manifold.friction / PhysicsMaterial::kDefaultFriction;
	const float load = manifold.friction * std::fabs(s) * std::max(ref.normalRow->lambda, 0.0f);
	// Across a gap nothing presses yet, so nothing rubs.
	const float limit = contact.depth < 0.0f ? 0.0f : std::max(ownWeight, load);

	// Only the speed at which the contact points close along the normal bounces; otherwise a box
	// sliding fast along a floor would hop.
	const RigidBody& a = *manifold.body0;
	const RigidBody& b = *manifold.body1;
	const float closing = (a.velocity + Cross(a.angularVelocity, rA) - b.velocity - Cross(b.angularVelocity, rB)).DotProduct(m);
	const float bounce = closing > 0.0f && closing * closing > kBounceSpeedSquared ? manifold.restitutionFactor : 1.0f;
	BuildContactConstraintRow(*ref.normalRow, bounce, contact.depth, m, rA, rB);
	for (Constraint* tangent : {ref.tangentRow1, ref.tangentRow2})
	{
		tangent->lowerBound = -limit;
		tangent->upperBound = limit;
		// The multiplier kept from the last step warms the solve before any bound is met, so one
		// beyond this step's bound (the point has lost its load) would push harder than friction
		// can: it is held within the bound.
		tangent->lambda = std::clamp(tangent->lambda, -limit, limit);
	}
	BuildLinearConstraintRow(*ref.tangentRow1, 0.0f, 0.0f, t1, rA, rB);
	BuildLinearConstraintRow(*ref.tangentRow2, 0.0f, 0.0f, t2, rA, rB);
	// The twist bound follows the body's own weight only: following the load, a heavy box turning
	// on a small one spun it fast enough to pass through the floor. Several points already hold a
	// turn by their sideways rows; a twist row there too fought them and kept a pile from settling.
	const float twist = manifold.contacts.count > 1 ? 0.0f : ownWeight * kSpinPatchRadius;
	ref.spinRow->lowerBound = -twist;
	ref.spinRow->upperBound = twist;
	BuildSpinConstraintRow(*ref.spinRow, m);
}

void ContactRows::Retire(CollisionManifold& manifold)
{
	const bool ghost = manifold.body0->HasFlag(kBodyGhost) || manifold.body1->HasFlag(kBodyGhost);
	if (ghost && !manifold.ghost)
	{
		manifold.ghost = true;
		manifold.ClearContacts();
		Release(manifold);
		return;
	}
	const unsigned limit = static_cast<unsigned>(Physics::Settings().constraintFrameLimit);
	for (ContactRowRef* ref = manifold.retiredRefs.first; ref != nullptr;)
	{
		ContactRowRef* following = ref->next;
		if (ref->age == 0)
		{
			if (Move(*ref, resolution.inactiveConstraints, resolution.activeConstraints))
			{
				manifold.retiredRefs.Remove(*ref);
				manifold.activeRefs.Append(*ref);
			}
		}
		else if (ref->age > limit)
		{
			Remove(*ref, resolution.inactiveConstraints);
			Free(manifold.retiredRefs, *ref);
		}
		else
			++ref->age;
		ref = following;
	}
	for (ContactRowRef* ref = manifold.activeRefs.first; ref != nullptr;)
	{
		ContactRowRef* following = ref->next;
		// Revived references were appended behind the walk's start and are matched, so age 0.
		if (ref->age == 0)
			ref->age = 1;
		else
		{
			++ref->age;
			if (Move(*ref, resolution.activeConstraints, resolution.inactiveConstraints))
			{
				manifold.activeRefs.Remove(*ref);
				manifold.retiredRefs.Append(*ref);
			}
			else
			{
				// A vanished point whose rows cannot be retired loses them rather than keep pushing
				// from where the bodies no longer touch.
				Remove(*ref, resolution.activeConstraints);
				Free(manifold.activeRefs, *ref);
			}
		}
		ref = following;
	}
}

void ContactRows::Release(CollisionManifold& manifold)
{
	const bool keepRecords = resolution.tearingDown;
	ConstraintList& activeList = manifold.inactive ? resolution.inactiveConstraints : resolution.activeConstraints;
	while (manifold.activeRefs.first != nullptr)
	{
		ContactRowRef& ref = *manifold.activeRefs.first;
		if (!keepRecords)
			Remove(ref, activeList);
		Free(manifold.activeRefs, ref);
	}
	while (manifold.retiredRefs.first != nullptr)
	{
		ContactRowRef& ref = *manifold.retiredRefs.first;
		if (!keepRecords)
			Remove(ref, resolution.inactiveConstraints);
		Free(manifold.retiredRefs, ref);
	}
}

bool ContactRows::Park(CollisionManifold& manifold)
{
	return MoveAll(manifold.activeRefs, resolution.activeConstraints, resolution.inactiveConstraints);
}

bool ContactRows::Unpark(CollisionManifold& manifold)
{
	return MoveAll(manifold.activeRefs, resolution.inactiveConstraints, resolution.activeConstraints);
}

bool ContactRows::MoveAll(PhysicsList<ContactRowRef>& refs, ConstraintList& from, ConstraintList& to) const
{
	// All or nothing: a manifold whose rows were split between the lists would leave rows in the
	// solver that no reference accounts for, pushing bodies that no longer touch.
	unsigned rowCount = 0;
	for (const ContactRowRef* ref = refs.first; ref != nullptr; ref = ref->next)
		rowCount += kRowsPerPoint;
	if (to.Capacity() - to.Count() < rowCount)
		return false;
	for (ContactRowRef* ref = refs.first; ref != nullptr; ref = ref->next)
		Move(*ref, from, to);
	return true;
}

bool ContactRows::Move(ContactRowRef& ref, ConstraintList& from, ConstraintList& to) const
{
	// A record is where the list holding the reference says, unless an earlier move was refused.
	if (from.NodeOf(ref.normalRow) == nullptr)
		return to.NodeOf(ref.normalRow) != nullptr;
	if (to.Capacity() - to.Count() < kRowsPerPoint)
		return false;
	for (Constraint** row : {&ref.normalRow, &ref.tangentRow1, &ref.tangentRow2, &ref.spinRow})
	{
		Constraint* moved = to.Insert(**row);
		from.Erase(*row);
		*row = moved;
	}
	return true;
}

void ContactRows::Remove(ContactRowRef& ref, ConstraintList& list) const
{
	for (Constraint* row : {ref.normalRow, ref.tangentRow1, ref.tangentRow2, ref.spinRow})
		list.Erase(row);
	ref.normalRow = ref.tangentRow1 = ref.tangentRow2 = ref.spinRow = nullptr;
}

void ContactRows::Free(PhysicsList<ContactRowRef>& refs, ContactRowRef& ref)
{
	refs.Remove(ref);
	pool.Erase(&ref);
}
