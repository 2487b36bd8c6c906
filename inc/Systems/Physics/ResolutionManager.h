// ResolutionManager: the third stage of the physics step. It owns the rigid-body pool, the list of
// simulated bodies and the active and inactive constraint rows; each step it applies gravity and the
// frame's forces, solves the rows, integrates velocities and positions and puts still bodies to
// sleep. It holds the pause flags of the whole step: while updateEnabled is false and stepOnce is
// false its Update does nothing, while contacts are still found and reported.
#pragma once

#include "Systems/Physics/Constraint.h"
#include "Systems/Physics/ConstraintSolver.h"
#include "Systems/Physics/PhysicsSubsystem.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/OrderedContiguousList.h"

#include <string>

class Component;
class TransgressionManager;

// A component that runs after every physics step (a rope's visible body follows the rope) holds
// one of these and links it into a post-step list; it unlinks it before it goes.
struct PostStepLink
{
	Component* component = nullptr;
	PostStepLink* next = nullptr;
	PostStepLink* prev = nullptr;
};

// An intrusive list of post-step links, walked from the first.
struct PostStepList
{
	unsigned count = 0;
	PostStepLink* first = nullptr;
	PostStepLink* last = nullptr;

	void Append(PostStepLink& link);
	// A link that is not in the list is left alone.
	void Remove(PostStepLink& link);
	// Update of every listed component; a component may unlink itself while it runs.
	void UpdateAll() const;
};

// The simulated bodies, linked through their own next and prev; new bodies go to the end.
struct BodyList
{
	unsigned count = 0;
	RigidBody* first = nullptr;
	RigidBody* last = nullptr;

	bool Contains(const RigidBody& body) const { return body.prev != nullptr || first == &body; }
};

class ResolutionManager : public PhysicsSubsystem
{
public:
	explicit ResolutionManager(TransgressionManager& transgression);

	// Registers the physics component types this stage serves.
	void Initialize() override;
	// Sizes the pools from the settings and forgets the bodies of any earlier level; the step runs.
	void Start() override;
	void OnLevelLoaded() override;
	// The level's rows go wholesale: connections must leave their records alone until the next
	// level has loaded.
	void OnUnloadingLevel() override;
	// Orientations set on the transforms by other code are taken over.
	void PreUpdate() override;
	// Gravity, damping, solve, integration and sleep checks: one step of Time_Step seconds.
	void Update() override;
	// Every frame, paused or not: orientations to the transforms, the frame's forces cleared, the
	// post-step components run. A "FrameStep" lasts one frame.
	void PostUpdate() override;

	// A body of the pool joins the simulation at the end of the list, as an island of its own.
	// False for a body that is already simulated.
	bool AddBody(RigidBody& body);
	// The body leaves its island and the simulation, and its contacts end ("CollisionEnd" both
	// ways, the other bodies woken) and every connection holding it lets go. False for a body
	// that is not simulated.
	bool RemoveBody(RigidBody& body);

	// A new inactive row with zero Jacobians; its owner fills it before enabling it. A full
	// inactive list refuses it: the reference stays empty.
	ConstraintRef CreateConstraint();
	// Moves the row into the active list, which the solver works on. A row without both bodies,
	// or a full active list, is refused: the row stays where it was and false is returned.
	bool EnableConstraint(ConstraintRef& ref);
	// Moves the row back into the inactive list, multiplier kept. Refused (false) when that list
	// is full.
	bool DisableConstraint(ConstraintRef& ref);
	// Erases the row from the list it is in; the reference becomes empty.
	void DestroyConstraint(ConstraintRef& ref);

	// What the solver runs with: iterations per step and the step's length in seconds.
	void SetSolverIterations(int iterations);
	int GetSolverIterations() const;
	void SetSolverTimeStep(float seconds);
	float GetSolverTimeStep() const;

	const BodyList& GetBodies() const { return bodies; }

	// Components run after each step: postStepComponents2 first, then postStepComponents.
	PostStepList postStepComponents;
	PostStepList postStepComponents2;
	// True between "UnloadingLevel" and the next "LevelLoaded".
	bool tearingDown = false;
	// The bodies' storage; the body-creating components insert into it.
	tw::OrderedContiguousList<RigidBody> bodyPool;
	ConstraintList activeConstraints;
	ConstraintList inactiveConstraints;
	bool updateEnabled = true;
	bool stepOnce = false;

private:
	void IntegrateVelocities(const Tuple3f& gravity, float dt);
	void PrepareSolverInput(const Tuple3f& gravity, float dt);
	void ApplyConstraintForces(float dt);
	void IntegratePositions(float dt);
	// The step of a fast body whose orientation is already the one it ends the step in: its pieces
	// are turned to it where the body stands, then cast along the step, which is shortened where
	// they first touch a static collider; the body keeps its velocity for the contact.
	Tuple3f SweptStep(RigidBody& body, const Tuple3f& step) const;
	// Counts every body's still steps, then puts each island to sleep as a whole once all its
	// members are ready, or wakes all of it while one still moves.
	void UpdateSleep();
	// Moves a row's record from one list into the other.
	bool MoveConstraint(ConstraintRef& ref, ConstraintList& from, ConstraintList& to, bool active);
	void ReportRefusedRow(const std::string& why);

	BodyList bodies;
	TransgressionManager& transgression;
	ConstraintSolver solver;
};
