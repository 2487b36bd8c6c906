// The constraints a connection is made of. Each owns one constraint row through its ConstraintRef
// and rebuilds that row every step from the poses of its connection's two bodies: a distance
// between two anchors, a cone around a direction, a twist about an axis, or a hinge plane.
#pragma once

#include "Systems/Physics/Constraint.h"
#include "Utilities/Tuple.h"

class Connection;
struct RigidBody;

class BaseConstraint
{
public:
	BaseConstraint() = default;
	BaseConstraint(const BaseConstraint&) = delete;
	BaseConstraint& operator=(const BaseConstraint&) = delete;
	virtual ~BaseConstraint() = default;

	// Refills the Jacobian and bias of the record; the record must exist.
	virtual void BuildRows() = 0;
	virtual void DebugDraw() const = 0;

	// The connection whose two bodies the constraint joins.
	Connection* owner = nullptr;
	// Copied into the record when the connection is set up.
	float lowerBound = 0.0f;
	float upperBound = 0.0f;
	// Error correction per second, handed to the linear row builder.
	float beta = 0.0f;
	ConstraintRef ref;

	// The connection's bodies; the rope drawing reads them beside the anchors.
	const RigidBody& BodyA() const;
	const RigidBody& BodyB() const;
};

// Keeps anchorB within length of anchorA. With an upper bound of 0 it is a rope, which only pulls
// and goes slack when shorter; otherwise a rod, which pushes and pulls.
class DistanceConstraint : public BaseConstraint
{
public:
	void BuildRows() override;
	void DebugDraw() const override;
	// anchorB becomes the point of B where anchorA lies now: the present pose is the rest pose.
	void MatchAnchorB();

	// In body A's frame.
	Tuple3f anchorA;
	// In body B's frame.
	Tuple3f anchorB;
	float length = 0.0f;
};

// Keeps B's direction within a cone around A's direction: the sine of their angle at most limit.
class AngleConeConstraint : public BaseConstraint
{
public:
	void BuildRows() override;
	void DebugDraw() const override;

	// In body A's frame.
	Tuple3f directionA;
	// In body B's frame.
	Tuple3f directionB;
	float limit = 0.0f;
};

// Limits the twist of B about A's axis: B's direction, moved into the plane across the axis, stays
// near A's reference direction.
class AngleAxisConstraint : public BaseConstraint
{
public:
	void BuildRows() override;
	void DebugDraw() const override;
	// direction becomes A's reference as B sees it now: the present twist is the rest twist.
	void MatchDirection();

	// In body A's frame.
	Tuple3f axis;
	Tuple3f reference;
	// In body B's frame.
	Tuple3f direction;
	float limit = 0.0f;
};

// Keeps B's direction in A's hinge plane, between the plane's two limit directions.
class AnglePlaneConstraint : public BaseConstraint
{
public:
	void BuildRows() override;
	void DebugDraw() const override;

	// In body A's frame.
	Tuple3f limitDirection1;
	Tuple3f limitDirection2;
	// In body B's frame.
	Tuple3f directionB;
	// In body A's frame: across the plane between the limits, and normal to the hinge plane.
	Tuple3f sideNormal;
	Tuple3f planeNormal;
	// Beyond this side distance B's direction is held at the nearer limit.
	float threshold = 0.0f;
};

// The unit vector along v, or the zero vector when v is too short to have a direction (a zero
// axis switches an angle row off instead of blowing it up to the largest floats).
Tuple3f UnitOrZero(const Tuple3f& v);
