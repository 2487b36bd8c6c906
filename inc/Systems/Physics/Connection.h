// Connection: joins two bodies with a rope, a rod, a socket (ball joint with a cone limit) or a
// hinge. A connection is made by name from a prototype, reads and writes its fields through the
// Serializer, and holds one to three constraints, each with one row in the resolution stage. Its
// owner resolves the bodies, creates the rows, sets the connection up and connects it; from then on
// the contact stage runs its per-step update.
#pragma once

#include "Systems/Physics/ConnectionConstraint.h"
#include "Utilities/Tuple.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class ResolutionManager;
class Serializer;
struct RigidBody;

class Connection
{
public:
	Connection() = default;
	// The constraints list points into the connection itself: a copy would point into the original.
	Connection(const Connection&) = delete;
	Connection& operator=(const Connection&) = delete;
	// Leaves the rows alone: the owner destroys them first (DestroyConstraints).
	virtual ~Connection() = default;

	// Reads the fields by position and configures the constraints; missing values keep their defaults.
	virtual bool Load(Serializer& serializer) = 0;
	virtual bool Save(Serializer& serializer) const = 0;
	// Once both bodies are known and the rows exist: the rows get their bodies and bounds and a zero
	// multiplier. A socket or hinge also takes the present pose as its rest pose. False, changing
	// nothing, while a body is missing.
	virtual bool SetUp();
	// A new default instance of the same kind.
	virtual std::unique_ptr<Connection> Create() const = 0;

	// One inactive row per listed constraint. A row refused by a full list leaves its constraint
	// without a record; such a constraint never acts.
	void CreateConstraints(ResolutionManager& resolution);
	// Wakes both bodies and activates the rows. False, changing nothing, while a body is missing.
	bool Connect(ResolutionManager& resolution);
	// Deactivates the rows, multipliers kept. Not while the level is being torn down.
	void Disconnect(ResolutionManager& resolution);
	// Erases the rows. While the level is being torn down the lists are emptied wholesale: the
	// constraints only forget their records.
	void DestroyConstraints(ResolutionManager& resolution);
	// Once per step before the solve: a connection between two static bodies costs nothing; an
	// unconnected one connects; a connected one rebuilds its rows.
	void Update(ResolutionManager& resolution);
	// The first listed constraint that is a distance constraint; null when none is listed.
	DistanceConstraint* FindDistanceConstraint() const;

	// Links of the contact stage's connection list, which runs Update every step.
	Connection* next = nullptr;
	Connection* prev = nullptr;
	bool connected = false;
	RigidBody* bodyA = nullptr;
	RigidBody* bodyB = nullptr;
	// The constraints that get rows, in the order they are built; members of the concrete class.
	std::vector<BaseConstraint*> constraints;

protected:
	// The constraints belong to this connection and correct with the Baumgarte factor.
	void Adopt(std::initializer_list<BaseConstraint*> adopted);
	// Adopts the constraints and makes them the listed ones.
	void List(std::initializer_list<BaseConstraint*> listed);
	// The set-up of a joint: the anchor's point on B and the twist at connection time become the
	// rest pose.
	bool SetUpAtRest(DistanceConstraint& anchor, AngleAxisConstraint& twist);
};

// A rope (pulls only, slack when shorter) or a rod (holds its length both ways) between an anchor
// on each body.
class DistanceConnection : public Connection
{
public:
	bool Load(Serializer& serializer) override;
	bool Save(Serializer& serializer) const override;
	// The length and the row's bounds; the constraint becomes the listed one. Load ends with it.
	void Configure(float length);

	DistanceConstraint distance;

protected:
	// The name under which the length is written, and the row's upper bound (0 makes a rope).
	DistanceConnection(const char* lengthKey, float upperBound);

private:
	const char* lengthKey;
	float upperBound;
};

// Written as "Length", "Position 1", "Position 2".
class RopeConnection : public DistanceConnection
{
public:
	RopeConnection() : DistanceConnection("Length", 0.0f) {}
	std::unique_ptr<Connection> Create() const override { return std::make_unique<RopeConnection>(); }
};

// Written as "Radius" (its length), "Position 1", "Position 2".
class RodConnection : public DistanceConnection
{
public:
	RodConnection() : DistanceConnection("Radius", kUnboundedMultiplier) {}
	std::unique_ptr<Connection> Create() const override { return std::make_unique<RodConnection>(); }
};

// A ball joint: the anchor holds the bodies together, the cone limits the bend and the axis
// constraint the twist. Written as "Position 1", "Angle" (degrees), "ModelDirection1",
// "ModelDirection2".
class SocketConnection : public Connection
{
public:
	bool Load(Serializer& serializer) override;
	bool Save(Serializer& serializer) const override;
	// The anchor's point on B and the twist at connection time become the rest pose.
	bool SetUp() override;
	std::unique_ptr<Connection> Create() const override { return std::make_unique<SocketConnection>(); }
	// The anchor on A, the cone's half angle in radians and its directions on A and B; the twist
	// turns about A's direction. Load ends with it.
	void Configure(const Tuple3f& anchorA, float radians, const Tuple3f& directionA, const Tuple3f& directionB);

	// The cone's half angle in radians.
	float angle = 0.0f;
	AngleAxisConstraint axis;
	AngleConeConstraint cone;
	DistanceConstraint distance;
};

// Holds its two bodies together at an anchor. Its plane and twist constraints are configured but
// not listed, so a hinge leaves rotation free (levels are tuned to that). Written as
// "model position 1", "angle" (degrees), "model direction 1", "model direction 2", "rotation axis 1".
class HingeConnection : public Connection
{
public:
	bool Load(Serializer& serializer) override;
	bool Save(Serializer& serializer) const override;
	bool SetUp() override;
	std::unique_ptr<Connection> Create() const override { return std::make_unique<HingeConnection>(); }

	Tuple3f modelPosition1;
	Tuple3f modelDirection1;
	Tuple3f modelDirection2;
	Tuple3f rotationAxis1;
	// Degrees, as read and written.
	float angle = 0.0f;
	AnglePlaneConstraint plane;
	AngleAxisConstraint axis;
	DistanceConstraint distance;
};

// The prototype registered under a kind ("Rope", "Rod", "Socket", "Hinge"); null for any other
// name. A new connection of the kind is the prototype's Create.
const Connection* ConnectionPrototypeLookup(const std::string& kind);
