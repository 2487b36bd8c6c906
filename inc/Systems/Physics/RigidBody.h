// RigidBody: the physics engine's record of one simulated body, kept by value in the resolution
// stage's body pool. Detection, contacts, constraints, the solver, integration and sleeping read and
// write its fields directly; gameplay code changes velocities and calls ApplyForce, Wake and
// SetOrientation. The position lives in the owner's Transform, not in the body.
#pragma once

#include "Object.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>

class Collider;
class Transform;

// One bit per flag of a body's mask; the names are the flags' text form in level files.
enum BodyFlag : unsigned
{
	// Carried and written back; the engine does not read it.
	kBodyStatic = 1u << 0,
	// Carried and written back; the engine does not read it.
	kBodyRotation = 1u << 1,
	// Contacts are found and reported but get no response.
	kBodyGhost = 1u << 2,
	// No gravity and no damping.
	kBodyNoGravity = 1u << 3,
	// A body without mass that is still integrated (moved by its velocity) and is not static.
	kBodyLogic = 1u << 4,
	// Ray queries pass through it.
	kBodyController = 1u << 5,
	// Carried and written back; the engine does not read it.
	kBodyNoIntegrate = 1u << 6,
};

// "GHOST NOGRAVITY" gives 12. Words that name no flag are skipped with a diagnostic naming them.
unsigned ParseBodyFlags(const std::string& text);
// Each set bit as a blank and its name, lowest bit first: 12 gives " GHOST NOGRAVITY".
std::string FormatBodyFlags(unsigned mask);
// The name of flag bit 0..31; empty for a bit that has no name.
const char* BodyFlagName(unsigned bit);

// The three matrices of a placement T·R·S: local-to-world, world-to-local, and the transpose of
// the linear part (R·S)ᵀ, which takes a world direction into the local frame for support mappings.
struct ShapeTransforms
{
	Matrix4 world = Matrix4::Identity();
	Matrix4 inverse = Matrix4::Identity();
	Matrix4 direction = Matrix4::Identity();

	// A zero scale component has no inverse: that axis of the inverse becomes the largest float.
	static ShapeTransforms From(const Tuple3f& position, const Tuple3f& scale, const Quaternion& orientation);
	// This placement inside a parent: world = parent.world·world, inverse = inverse·parent.inverse,
	// direction = direction·parent.direction.
	ShapeTransforms Within(const ShapeTransforms& parent) const;
};

struct RigidBody
{
	// Links of the resolution stage's body list.
	RigidBody* next = nullptr;
	RigidBody* prev = nullptr;
	// Linear then angular; the sum of Jacobian row × multiplier over the body's active rows.
	float constraintForce[6]{};
	// The solver's running inverse mass × constraint force (linear 3, angular 3).
	float solverAccel[6]{};
	// Velocity and angular velocity each divided by Time_Step: the solver's input.
	float solverVelocity[6]{};
	// The solver's separation of overlapping contacts for this step: added to the velocities
	// when the positions are integrated, then dropped, so the correction never stays as speed.
	Tuple3f pushVelocity;
	Tuple3f pushSpin;
	// The body's index in the solver's compact array during a solve; -1 outside one.
	int solverSlot = -1;
	unsigned ownerId = 0;
	// A body this one never collides with (a ragdoll part's parent part); null for none.
	RigidBody* collisionParent = nullptr;
	unsigned flags = 0;
	// Units per second.
	Tuple3f velocity;
	// Gathered during the frame's step by ApplyForce; cleared after every step.
	Tuple3f acceleration;
	Quaternion orientation;
	// Radians per second, world frame.
	Tuple3f angularVelocity;
	Tuple3f angularAcceleration;
	// Body-to-world T·R·S with the Transform's scale, and its companions; rebuilt by UpdateDerived.
	ShapeTransforms transforms;
	// What UpdateDerived last built transforms from: a body placed where it already stands is
	// recognised without building the matrices again.
	Tuple3f placedPosition;
	Tuple3f placedScale;
	Quaternion placedOrientation;
	bool placed = false;
	float mass = 0.0f;
	// Exactly 0 when mass is 0: infinite mass.
	float inverseMass = 0.0f;
	Matrix4 localInverseInertia;
	// R · localInverseInertia · Rᵀ for the rotation R of orientation.
	Matrix4 worldInverseInertia;
	// In the body frame.
	Tuple3f centreOfMass;
	// The Transform scale that mass, inertia and centre were last computed for.
	Tuple3f massScale{1.0f, 1.0f, 1.0f};
	// The owner's Transform; not owned.
	Transform* transform = nullptr;
	// Not owned by the body (the Body component owns it); null for none.
	Collider* collider = nullptr;
	// Counts every UpdateDerived of any body: a box tree over moving colliders built at one count
	// is out of date at another.
	static inline std::uint64_t placementGeneration = 0;
	// >= 0: awake, still steps left before sleeping; -1: asleep.
	int sleepCounter = 0;
	// This step's answer of CountStillSteps.
	bool keepsIslandAwake = false;
	// Set when ComputeMass finds no mass; the contact stage later uses it for its island's asleep flag.
	bool staticMarker = false;

	// Mass, centre and inverse inertia from the collider; a body whose owner has a ZeroRotation
	// never turns unless keepRotation is set. A body without mass is put to sleep.
	void ComputeMass(bool keepRotation);
	// After a change of position or orientation: matrices, the collider's world shape and bounds,
	// the world inverse inertia.
	void UpdateDerived();
	// Adds inverseMass × force to the acceleration and the torque about the world centre of mass
	// to the angular acceleration. Does not wake the body.
	void ApplyForce(const Tuple3f& force, const Tuple3f& point);
	// The Transform's world position; the origin when the body has no Transform.
	Tuple3f GetPosition() const;
	Tuple3f GetWorldCentreOfMass() const;
	// Stores q and hands it to the Transform as its world orientation.
	void SetOrientation(const Quaternion& q);
	Object GetOwner() const;
	// No mass and not a LOGIC body.
	bool IsStatic() const { return inverseMass == 0.0f && (flags & kBodyLogic) == 0; }
	bool IsAsleep() const { return sleepCounter < 0; }
	bool HasFlag(BodyFlag flag) const { return (flags & flag) != 0; }

	// Awake or not, the counter restarts at Sleep_Timeout; an asleep body sends "RemoveObstacle".
	void Wake();
	// Sends "AddObstacle" with the owner id.
	void Sleep();
	// Once per step after integration, the body's own part of its island's decision: an awake
	// body counts its still steps down and restarts the count when it moves. True for a body that
	// keeps its island awake: awake and not yet still for Sleep_Timeout steps, or asleep and
	// clearly moving again.
	bool CountStillSteps();
	// The island's decision carried out on the body: woken while its island is kept awake, put to
	// sleep once it is not; an asleep body ends the step without velocity.
	void Settle(bool islandAwake);
	// Both steps for a body that is an island of its own.
	void UpdateSleep() { Settle(CountStillSteps()); }
};
