#include "Components/Logic/PathMovement.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/MotionRules.h"
#include "Components/Logic/SquaredDistance.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Serializer.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/DebugDraw.h"

#include <cmath>

namespace
{
	constexpr float kPi = 3.14159265358979f;
	constexpr float kReachedSquared = PathMovement::kReachedDistance * PathMovement::kReachedDistance;
	// Less horizontal offset than this gives no direction to walk or face.
	constexpr float kNoHorizontalOffset = 1e-4f;
	constexpr float kPathLineHeight = 0.5f;
	constexpr float kPathLineWidth = 3.0f;

	bool DrawingPaths()
	{
		const Engine* engine = Engine::Instance();
		const Logic* logic = engine != nullptr ? engine->GetSystem<Logic>() : nullptr;
		return logic != nullptr && logic->IsDrawingNavMesh();
	}
}

PathMovement::PathMovement() : lastGenerated(Logic::GameMilliseconds())
{
}

bool PathMovement::Load(Serializer& serializer)
{
	float offPath = std::sqrt(maxDistOffPath);
	serializer.Read(speed).Read(regenTime).Read(offPath);
	maxDistOffPath = SquaredDistance(offPath);
	return true;
}

bool PathMovement::Serialize(Serializer& serializer)
{
	serializer.Write("speed", speed).Write("regenTime", regenTime).Write("maxDistOffPath", std::sqrt(maxDistOffPath));
	return true;
}

bool PathMovement::Start()
{
	moving = true;
	owner->RegisterHandler("SetEndPoint", &PathMovement::OnSetEndPoint);
	owner->RegisterHandler("SetSpeed", &PathMovement::OnSetSpeed);
	owner->RegisterHandler("StopPathing", &PathMovement::OnStopPathing);
	owner->RegisterHandler("Ragdoll", &PathMovement::OnStopPathing);
	owner->RegisterHandler("AddWayPoint", &PathMovement::OnAddWayPoint);
	return true;
}

void PathMovement::RequestPath(const Tuple3f& from, bool* reachesEnd)
{
	path.clear();
	pathIndex = 1;
	Message request("GeneratePath");
	request.Push(from).Push(end).Push(&path).Push(reachesEnd);
	Engine::SendMessage(request);
	lastGenerated = Logic::GameMilliseconds();
}

void PathMovement::OnSetEndPoint(Message::Reader reader)
{
	if (!reader.Read(end))
		return;
	bool* reachesEnd = reader.HasMore() ? reader.Read<bool*>() : nullptr;
	const Transform* transform = RequireTransform(*owner, __PathMovementName::name);
	if (transform == nullptr)
		return;
	start = transform->GetWorldPosition();
	wayPoints.clear();
	wayPointsInPath = 0;
	RequestPath(start, reachesEnd);
	moving = true;
}

void PathMovement::OnSetSpeed(Message::Reader reader)
{
	if (reader.Read(speed))
		moving = true;
}

void PathMovement::OnStopPathing(Message::Reader reader)
{
	bool stop = false;
	if (!reader.Read(stop))
		return;
	// A kinematic walker keeps the last velocity it was given: unless stopped here it would stroll
	// on out of the world.
	if (stop && IsWalking())
		StopBody();
	moving = !stop;
}

void PathMovement::OnAddWayPoint(Message::Reader reader)
{
	Tuple3f point;
	if (reader.Read(point))
		wayPoints.push_back(point);
}

bool PathMovement::Update()
{
	if (!moving || pathIndex >= path.size())
		return true;
	const Transform* transform = RequireTransform(*owner, __PathMovementName::name);
	if (transform == nullptr)
		return true;
	const Tuple3f position = transform->GetWorldPosition();
	if (Logic::GameMilliseconds() - lastGenerated > SecondsToMilliseconds(regenTime))
	{
		RequestPath(position, nullptr);
		path.insert(path.end(), wayPoints.begin(), wayPoints.end());
		wayPointsInPath = wayPoints.size();
		// Steered in this update too: with regenTime 0 every update regenerates.
		if (pathIndex >= path.size())
			return true;
	}
	Steer(position);
	return true;
}

void PathMovement::Steer(const Tuple3f& position)
{
	const Tuple3f target = path[pathIndex];
	const float dx = target.x - position.x;
	const float dz = target.z - position.z;
	const float horizontal = std::hypot(dx, dz);
	const bool hasDirection = horizontal >= kNoHorizontalOffset;
	const float directionX = hasDirection ? dx / horizontal : 0.0f;
	const float directionZ = hasDirection ? dz / horizontal : 0.0f;
	owner->HandleMessage(Message("SetVelocity").Push(Tuple3f(speed * directionX, VerticalVelocity(), speed * directionZ)));
	// A point is reached by the horizontal distance alone: measured in 3-D, from a centre half the
	// character's height above the path's points, a character 2 units tall would reach them only
	// while sunk into the floor, and the 3-unit Charger never.
	if (horizontal * horizontal < kReachedSquared && ++pathIndex >= path.size())
	{
		// At the path's end the way points not yet in it are walked too, even before the first
		// regeneration: otherwise a short walk to a point off the navigation mesh (a resting piece
		// is a hole in it) would end at the hole's edge.
		if (wayPointsInPath < wayPoints.size())
		{
			path.insert(path.end(), wayPoints.begin() + static_cast<std::ptrdiff_t>(wayPointsInPath), wayPoints.end());
			wayPointsInPath = wayPoints.size();
		}
		else
		{
			StopBody();
			owner->HandleMessage(Message("PathingComplete"));
		}
	}
	if (hasDirection)
		if (Transform* transform = owner->GetComponent<Transform>())
			transform->SetWorldRotationVector(Tuple3f(0.0f, std::atan2(directionX, directionZ) + kPi, 0.0f));
	if (DrawingPaths())
		DrawPath(position);
}

float PathMovement::VerticalVelocity() const
{
	const Body* body = owner->GetComponent<Body>();
	return body != nullptr && body->GetBody() != nullptr ? body->GetBody()->velocity.y : 0.0f;
}

void PathMovement::StopBody()
{
	owner->HandleMessage(Message("SetVelocity").Push(Tuple3f(0.0f, VerticalVelocity(), 0.0f)));
}

void PathMovement::DrawPath(const Tuple3f& position) const
{
	const Tuple4f red(1.0f, 0.0f, 0.0f, 1.0f);
	Tuple3f from(position.x, kPathLineHeight, position.z);
	for (std::size_t at = pathIndex; at < path.size(); ++at)
	{
		const Tuple3f to(path[at].x, kPathLineHeight, path[at].z);
		DebugDraw::DrawLine(from, to, kPathLineWidth, red);
		from = to;
	}
}
