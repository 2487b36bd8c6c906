#include "Systems/Physics/ResolutionManager.h"

#include "Component.h"
#include "Components/Physics/Body.h"
#include "Components/Physics/PhysicsMaterial.h"
#include "Components/Physics/Ragdoll.h"
#include "Components/Physics/ZeroRotation.h"
#include "Components/Transform.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/DetectionManager.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/ShapeCast.h"
#include "Systems/Physics/TransgressionManager.h"
#include "Utilities/Diagnostics.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

namespace
{
	// Share of the velocity kept per step by bodies under gravity.
	constexpr float kDamping = 0.995f;
	// How far short of a static surface a slow body's origin stops.
	constexpr float kOriginClearance = 0.001f;

	// The body's thinnest extent along its own axes: a turned body's world box is thicker than it is.
	float ThinnestExtent(const RigidBody& body)
	{
		const Collider& collider = *body.collider;
		const BodyAxes axes(body.orientation);
		float thinnest = kUnboundedDistance;
		for (const Tuple3f& axis : axes.axis)
		{
			Extent whole = Extent::Of(*collider.GetGeometry(0), axis);
			for (unsigned i = 1; i < collider.GetGeometryCount(); ++i)
			{
				const Extent piece = Extent::Of(*collider.GetGeometry(i), axis);
				whole = {std::min(whole.low, piece.low), std::max(whole.high, piece.high)};
			}
			thinnest = std::min(thinnest, whole.Length());
		}
		return thinnest;
	}

	// A fast body touching a floor, a wall and a second wall at once slides along the line or into
	// the corner they make; more surfaces than that leave it no way to go.
	constexpr int kMostSurfacesSlidAlong = 3;
	// How many times a body's ways out of the surfaces it is in are found, and how many rounds
	// each time bring its move out of them all within kOutWithin.
	constexpr int kLooksOutOfSurfaces = 3;
	constexpr int kRoundsOutOfSurfaces = 32;
	constexpr float kOutWithin = 1e-4f;

	// Whether a step is long enough to carry the body through something thinner than itself: the
	// step and the turn together carry a point of it farther than half its thinnest extent (a flat
	// piece spinning on a floor can turn a corner deep into it while its centre moves little).
	// Ghosts, bodies without a collider and bodies without mass, which gameplay moves, go where
	// they are sent, as on the slow path. Asked in the pose the body starts the step in, whose
	// pieces stand where its orientation says.
	bool IsFastStep(const RigidBody& body, const Tuple3f& step, float turn)
	{
		if (body.collider == nullptr || body.HasFlag(kBodyGhost) || body.inverseMass == 0.0f ||
			body.collider->GetGeometryCount() == 0)
			return false;
		const float* bounds = body.collider->GetBounds();
		const Tuple3f size(bounds[3] - bounds[0], bounds[4] - bounds[1], bounds[5] - bounds[2]);
		// The farthest a point of the body lies from its middle, and so how far the turn carries it.
		const float reach = 0.5f * static_cast<float>(size.Length());
		const float length = static_cast<float>(step.Length()) + turn * reach;
		const float thinnest = std::min({size.x, size.y, size.z});
		if (length > 0.5f * thinnest)
			return true;
		// Only a body that moves at all is worth measuring along its own axes.
		return length > ShapeCast::kSkin && length > 0.5f * ThinnestExtent(body);
	}

	// The speed along the direction of a step the body no longer takes in full: kept, it carries
	// the body into the same stop step after step.
	void DropVelocityAlong(RigidBody& body, const Tuple3f& direction)
	{
		body.velocity -= direction * std::max(body.velocity.DotProduct(direction), 0.0f);
	}

	// The step cut kOriginClearance short of where the body's origin first crosses a static surface
	// that stops it, the speed along it dropped with the part refused; the whole step when it
	// crosses none.
	Tuple3f StopShortOfCrossing(RigidBody& body, const Tuple3f& step, DetectionManager& detection)
	{
		const float length = static_cast<float>(step.Length());
		if (!(length > 0.0f))
			return step;
		const float t = detection.CrossStoppingStatic(body.GetPosition(), step, body);
		if (!(t > 0.0f) || t >= 1.0f)
			return step;
		const Tuple3f direction = step * (1.0f / length);
		DropVelocityAlong(body, direction);
		return direction * std::max(t * length - kOriginClearance, 0.0f);
	}

	// A slow body's origin stops short of any static surface it would cross: pressed deep into a
	// mesh (a cone's apex under a pile), a plane or a thin slab, a body whose origin crossed it would
	// be pushed out on the far side by its contacts, which turn by where the origin lies, and fall
	// through. The speed that carried it there goes with the step it no longer takes: kept, it would
	// grow by gravity every step while the body stood still, and the body would never count as
	// still and would keep its whole pile awake. An origin already inside a static solid may leave
	// it: the solid's contacts see to that. A body without mass, moved by gameplay, goes where it is
	// sent.
	Tuple3f StopOriginShortOfSurface(RigidBody& body, const Tuple3f& step)
	{
		Physics* physics = Physics::Instance();
		if (physics == nullptr || body.collider == nullptr || body.HasFlag(kBodyGhost) || body.inverseMass == 0.0f)
			return step;
		return StopShortOfCrossing(body, step, physics->GetDetection());
	}

	// No body turns more than an eighth of a turn a step, which nothing of the game comes near: a
	// body struck on an edge or a corner at a hundred metres a second or more would otherwise spin
	// so far in one step (a cube at 130 rad/s turns 120 degrees) that its other side came out deep
	// under the surface, and the contacts would throw it tens of metres back up.
	void LimitSpin(RigidBody& body, float dt)
	{
		constexpr float kMostTurnPerStep = 0.25f * 3.14159265f;
		const float spin = static_cast<float>(body.angularVelocity.Length()) * dt;
		if (spin > kMostTurnPerStep)
			body.angularVelocity *= kMostTurnPerStep / spin;
	}

	std::string FullList(const char* which)
	{
		return std::string("the ") + which + " constraint list is full (Max_Constraints " +
			std::to_string(Physics::Settings().maxConstraints) + ")";
	}

	// The move that takes a shape out of every surface it overlaps, given the way out of each (its
	// direction and depth): the way out of a single surface; in a corner or a crease the least move
	// out of all of them. Where the ways out cannot all be taken, as between two walls nearer
	// together than the body is wide, it leaves the body as deep in each, for the contacts to
	// squeeze out. Each round moves the body by the mean of what is left of the ways out; a crease
	// narrower than a right angle takes a few rounds, as each way out leads into the other face.
	Tuple3f CommonWayOut(const std::vector<Tuple3f>& ways)
	{
		Tuple3f move;
		for (int round = 0; round < kRoundsOutOfSurfaces; ++round)
		{
			Tuple3f left;
			int surfaces = 0;
			for (const Tuple3f& way : ways)
			{
				const float depth = static_cast<float>(way.Length());
				const Tuple3f direction = way * (1.0f / depth);
				const float still = depth - move.DotProduct(direction);
				if (still > kOutWithin)
				{
					left += direction * still;
					++surfaces;
				}
			}
			if (surfaces == 0)
				break;
			move += left * (1.0f / static_cast<float>(surfaces));
		}
		return move;
	}

	// A fast body's shape that starts its step in a static surface, put there by its turn or left
	// a little in it by the contacts, is moved out of it, its velocity left to the contacts: a shape
	// cast from inside a surface could be carried only by its centre, and would sink until that met
	// the surface. A surface's way out is taken again from where the body has been moved to, as a
	// solid's deepest way out changes as the body moves.
	void TakeOutOfStaticSurfaces(RigidBody& body, DetectionManager& detection)
	{
		std::vector<Tuple3f> ways;
		for (int look = 0; look < kLooksOutOfSurfaces; ++look)
		{
			detection.WaysOutOfStatic(*body.collider, ways);
			const Tuple3f out = CommonWayOut(ways);
			if (!(out.LengthSquared() > kOutWithin * kOutWithin))
				return;
			body.transform->SetWorldPosition(body.GetPosition() + out);
			body.UpdateDerived();
		}
	}

	// How far the body's own spin turns it in a step: a part of a jointed figure is turned by its
	// joints, which keep it out of the floor.
	float OwnTurn(const RigidBody& body, const Tuple3f& spin, float dt)
	{
		return body.collisionParent == nullptr ? static_cast<float>(spin.Length()) * dt : 0.0f;
	}

	// orientation += ½·dt·(ω ⊗ orientation) for the pure quaternion ω; normalised later.
	Quaternion Integrate(const Quaternion& q, const Tuple3f& omega, float dt)
	{
		const float half = 0.5f * dt;
		const Tuple3f xyz(q.x, q.y, q.z);
		const Tuple3f change = (omega * q.w + Tuple3f().CrossProduct(omega, xyz)) * half;
		return {q.x + change.x, q.y + change.y, q.z + change.z, q.w - half * omega.DotProduct(xyz)};
	}
}

void PostStepList::Append(PostStepLink& link)
{
	link.next = nullptr;
	link.prev = last;
	(last != nullptr ? last->next : first) = &link;
	last = &link;
	++count;
}

void PostStepList::Remove(PostStepLink& link)
{
	if (link.prev == nullptr && first != &link)
		return;
	(link.prev != nullptr ? link.prev->next : first) = link.next;
	(link.next != nullptr ? link.next->prev : last) = link.prev;
	link.next = link.prev = nullptr;
	--count;
}

void PostStepList::UpdateAll() const
{
	for (PostStepLink* link = first; link != nullptr;)
	{
		PostStepLink* following = link->next;
		link->component->Update();
		link = following;
	}
}

ResolutionManager::ResolutionManager(TransgressionManager& transgression) : transgression(transgression) {}

void ResolutionManager::Initialize()
{
	Body::Register();
	PhysicsMaterial::Register();
	ZeroRotation::Register();
	Ragdoll::Register();
}

void ResolutionManager::Start()
{
	const PhysicsSettings& settings = Physics::Settings();
	// The pools are reserved anew for every level: nothing of an earlier level may stay listed.
	bodies = BodyList();
	transgression.islands.Clear();
	activeConstraints.Reserve(static_cast<unsigned>(std::max(settings.maxConstraints, 0)));
	inactiveConstraints.Reserve(2 * static_cast<unsigned>(std::max(settings.maxConstraints, 0)));
	bodyPool.Reserve(static_cast<unsigned>(std::max(settings.maxBodies, 0)));
	updateEnabled = true;
	stepOnce = false;
}

void ResolutionManager::OnLevelLoaded()
{
	tearingDown = false;
}

void ResolutionManager::OnUnloadingLevel()
{
	tearingDown = true;
	activeConstraints.Clear();
	inactiveConstraints.Clear();
}

void ResolutionManager::PreUpdate()
{
	for (RigidBody* body = bodies.first; body != nullptr; body = body->next)
		if (body->transform != nullptr)
			body->orientation = body->transform->GetWorldOrientation();
}

void ResolutionManager::Update()
{
	if (!updateEnabled && !stepOnce)
		return;
	const PhysicsSettings& settings = Physics::Settings();
	const Tuple3f gravity = settings.Gravity();
	const float dt = settings.timeStep;

	IntegrateVelocities(gravity, dt);
	PrepareSolverInput(gravity, dt);
	solver.Solve(activeConstraints);
	ApplyConstraintForces(dt);
	IntegratePositions(dt);
	UpdateSleep();
}

void ResolutionManager::UpdateSleep()
{
	// Sleep is decided per island: a body asleep on its own inside an awake island would still be
	// solved as movable while its share of each correction was thrown away, so the last awake body
	// of a pile would limit-cycle and the pile never park.
	for (RigidBody* body = bodies.first; body != nullptr; body = body->next)
		body->keepsIslandAwake = body->CountStillSteps();
	for (RigidBody* body = bodies.first; body != nullptr; body = body->next)
	{
		const IslandSet::Set* island = transgression.islands.Find(body);
		if (island == nullptr || island->first == nullptr)
		{
			body->Settle(body->keepsIslandAwake);
			continue;
		}
		// Each island once, from its first member.
		if (island->first->key != body)
			continue;
		bool keptAwake = false;
		for (const IslandSet::Node* node = island->first; node != nullptr; node = node->next)
			keptAwake = keptAwake || node->key->keepsIslandAwake;
		for (const IslandSet::Node* node = island->first; node != nullptr; node = node->next)
			const_cast<RigidBody*>(node->key)->Settle(keptAwake);
	}
}

void ResolutionManager::IntegrateVelocities(const Tuple3f& gravity, float dt)
{
	for (RigidBody* body = bodies.first; body != nullptr; body = body->next)
	{
		if (body->IsStatic())
			continue;
		const bool floating = body->HasFlag(kBodyNoGravity);
		const Tuple3f acceleration = floating ? body->acceleration : body->acceleration + gravity;
		body->velocity += acceleration * dt;
		body->angularVelocity += body->angularAcceleration * dt;
		if (floating)
			continue;
		body->velocity *= kDamping;
		if (!body->HasFlag(kBodyLogic))
			body->angularVelocity *= kDamping;
	}
}

void ResolutionManager::PrepareSolverInput(const Tuple3f& gravity, float dt)
{
	const float inverseDt = 1.0f / dt;
	for (RigidBody* body = bodies.first; body != nullptr; body = body->next)
	{
		// An island at rest must not gather speed from gravity that its contacts would cancel.
		if (!body->IsStatic() && !body->HasFlag(kBodyNoGravity) && transgression.IsIslandAsleep(*body))
			body->velocity -= gravity * dt;
		std::fill(std::begin(body->constraintForce), std::end(body->constraintForce), 0.0f);
		std::fill(std::begin(body->solverAccel), std::end(body->solverAccel), 0.0f);
		body->pushVelocity = body->pushSpin = Tuple3f();
		const Tuple3f velocity = body->velocity * inverseDt;
		const Tuple3f spin = body->angularVelocity * inverseDt;
		for (int axis = 0; axis < 3; ++axis)
		{
			body->solverVelocity[axis] = velocity[axis];
			body->solverVelocity[axis + 3] = spin[axis];
		}
	}
}

void ResolutionManager::ApplyConstraintForces(float dt)
{
	for (RigidBody* body = bodies.first; body != nullptr; body = body->next)
	{
		// Sides without mass are inert: a static body's collider may still report an inertia.
		if (body->inverseMass == 0.0f)
			continue;
		const float* force = body->constraintForce;
		body->velocity += Tuple3f(force[0], force[1], force[2]) * (body->inverseMass * dt);
		body->angularVelocity += body->worldInverseInertia * Tuple3f(force[3], force[4], force[5]) * dt;
	}
}

void ResolutionManager::IntegratePositions(float dt)
{
	for (RigidBody* body = bodies.first; body != nullptr; body = body->next)
	{
		if (body->IsStatic() || body->IsAsleep())
			continue;
		LimitSpin(*body, dt);
		const Tuple3f spin = body->angularVelocity + body->pushSpin;
		const Quaternion turned = Integrate(body->orientation, spin, dt);
		if (body->transform != nullptr)
		{
			const Tuple3f step = (body->velocity + body->pushVelocity) * dt;
			const bool fast = IsFastStep(*body, step, OwnTurn(*body, spin, dt));
			body->orientation = turned;
			const Tuple3f taken = fast ? SweptStep(*body, step) : StopOriginShortOfSurface(*body, step);
			body->transform->SetWorldPosition(body->GetPosition() + taken);
			body->transform->SetWorldOrientation(body->orientation);
		}
		else
			body->orientation = turned;
		body->UpdateDerived();
	}
}

Tuple3f ResolutionManager::SweptStep(RigidBody& body, const Tuple3f& step) const
{
	Physics* physics = Physics::Instance();
	if (physics == nullptr)
		return step;
	// The pieces stand in the pose the body ends the step in: cast as they stood before the turn,
	// a spinning body would stop where its old pose touched, a little short of the surface in its
	// new one, and hang there touching nothing.
	body.UpdateDerived();
	DetectionManager& detection = physics->GetDetection();
	// A body made fast only by the contacts' push, out of a pile or a slot it was set in, is left
	// where they push it: only its own speed and spin carry it into a surface.
	const float dt = Physics::Settings().timeStep;
	const bool fastByItself = IsFastStep(body, body.velocity * dt, OwnTurn(body, body.angularVelocity, dt));
	if (fastByItself)
		TakeOutOfStaticSurfaces(body, detection);
	// The shape is cast along the step against the static colliders, so that neither a turn nor a
	// gap narrower than the body lets it through, and the step ends where it first touches. It
	// keeps its velocity: the contact the next detection finds takes the part into the surface, as
	// for a slow body, so a hit does not change at the speed where sweeping starts.
	CastStop stop;
	Tuple3f cast = step;
	Tuple3f taken = cast * detection.CastStatic(*body.collider, body.orientation, cast, &stop);
	// A body touching a surface, its step leading into it, slides along it, as the contacts' own
	// correction would carry it: the part of its step into the surface is theirs to take. Each
	// slide is cast again, as it may meet a second surface and a third (a floor and two walls).
	// The slide keeps the move on to each surface it is stopped by, as a first touch does: a body
	// that ended its step just short of a surface would meet no contact there to take its speed
	// into it, and would be stopped at the surface again step after step. One its own speed took
	// out of a surface is carried back a touch's depth into it.
	Tuple3f ontoSurfaces;
	for (int surface = 0; surface < kMostSurfacesSlidAlong && stop.pressedInto != Tuple3f(); ++surface)
	{
		const float onto = std::max(taken.DotProduct(stop.pressedInto), 0.0f);
		if (!stop.touchedAtStart)
			ontoSurfaces += stop.pressedInto * onto;
		else if (fastByItself)
			ontoSurfaces += stop.pressedInto * std::min(onto, ShapeCast::kPenetration);
		cast -= stop.pressedInto * cast.DotProduct(stop.pressedInto);
		taken = cast * detection.CastStatic(*body.collider, body.orientation, cast, &stop);
	}
	// The contacts push a body out on the side of a surface its centre is on, so a centre that
	// would cross one is kept on its side: the part of the step across it is dropped, and the body
	// slides along it from where the step starts. A shape stopped with its centre near a surface
	// it was already in is carried on to it, and slides from there.
	taken += ontoSurfaces;
	const Tuple3f reached = stop.byCentre ? ontoSurfaces + cast : taken;
	Tuple3f across;
	if (!(detection.CrossStoppingStatic(body.GetPosition(), reached, body, &across) > 0.0f))
		return taken;
	// A centre that would still cross a surface along the slide stops short of it, losing the speed
	// it no longer takes, as a slow body does.
	return StopShortOfCrossing(body, reached - across * reached.DotProduct(across), detection);
}

void ResolutionManager::PostUpdate()
{
	for (RigidBody* body = bodies.first; body != nullptr; body = body->next)
	{
		if (body->transform != nullptr)
			body->transform->SetWorldOrientation(body->orientation);
		body->acceleration = body->angularAcceleration = Tuple3f();
		if (body->collider != nullptr)
			body->collider->DebugDraw();
	}
	postStepComponents2.UpdateAll();
	postStepComponents.UpdateAll();
	stepOnce = false;
}

bool ResolutionManager::AddBody(RigidBody& body)
{
	if (bodies.Contains(body))
		return false;
	body.next = nullptr;
	body.prev = bodies.last;
	(bodies.last != nullptr ? bodies.last->next : bodies.first) = &body;
	bodies.last = &body;
	++bodies.count;
	transgression.islands.MakeSet(&body)->info.asleep = body.IsAsleep();
	return true;
}

bool ResolutionManager::RemoveBody(RigidBody& body)
{
	if (!bodies.Contains(body))
		return false;
	transgression.islands.Remove(&body);
	(body.prev != nullptr ? body.prev->next : bodies.first) = body.next;
	(body.next != nullptr ? body.next->prev : bodies.last) = body.prev;
	body.next = body.prev = nullptr;
	--bodies.count;
	transgression.EndContactsOf(body);
	// Ropes, sockets and hinges let go of the body: the next body made in its slot of the pool must
	// not inherit them.
	transgression.DetachConnectionsOf(body);
	return true;
}

ConstraintRef ResolutionManager::CreateConstraint()
{
	ConstraintRef ref;
	ref.record = inactiveConstraints.Insert(Constraint());
	if (ref.record == nullptr)
		ReportRefusedRow(FullList("inactive"));
	return ref;
}

bool ResolutionManager::EnableConstraint(ConstraintRef& ref)
{
	if (ref.record == nullptr || ref.active)
		return ref.active;
	// The solver reads both bodies of every active row.
	if (ref.record->bodyA == nullptr || ref.record->bodyB == nullptr)
	{
		ReportRefusedRow("a row lacks a body");
		return false;
	}
	return MoveConstraint(ref, inactiveConstraints, activeConstraints, true);
}

bool ResolutionManager::DisableConstraint(ConstraintRef& ref)
{
	if (ref.record == nullptr || !ref.active)
		return true;
	return MoveConstraint(ref, activeConstraints, inactiveConstraints, false);
}

bool ResolutionManager::MoveConstraint(ConstraintRef& ref, ConstraintList& from, ConstraintList& to, bool active)
{
	Constraint* moved = to.Insert(*ref.record);
	if (moved == nullptr)
	{
		ReportRefusedRow(FullList(active ? "active" : "inactive"));
		return false;
	}
	from.Erase(ref.record);
	ref.record = moved;
	ref.active = active;
	return true;
}

void ResolutionManager::DestroyConstraint(ConstraintRef& ref)
{
	if (ref.record != nullptr)
		(ref.active ? activeConstraints : inactiveConstraints).Erase(ref.record);
	ref = ConstraintRef();
}

void ResolutionManager::ReportRefusedRow(const std::string& why)
{
	// A full list stays full from frame to frame: the line is printed once, then counted.
	tw::Diagnostics::Report("Physics: a constraint row was refused: " + why);
}

void ResolutionManager::SetSolverIterations(int iterations)
{
	solver.iterations = iterations;
}

int ResolutionManager::GetSolverIterations() const
{
	return solver.iterations;
}

void ResolutionManager::SetSolverTimeStep(float seconds)
{
	solver.timeStep = seconds;
}

float ResolutionManager::GetSolverTimeStep() const
{
	return solver.timeStep;
}
