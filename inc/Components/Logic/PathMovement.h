// PathMovement: walks a character along a navigation path. Given an end point ("SetEndPoint") it
// asks the Logic system for a path, then each frame sets the body's horizontal velocity towards
// the next point, faces the direction of travel and announces "PathingComplete" at the end. The
// path is asked for again from where the character stands every regenTime, so the walk follows
// obstacles that come and go. Way points ("AddWayPoint") are walked after the path: they join it
// at each regeneration, or when it is done. Behaviour leaves drive it with "SetEndPoint",
// "SetSpeed", "AddWayPoint" and "StopPathing"; a ragdolled character stops steering until it
// stands up. A walk that ends or pauses stops the body across the ground.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <vector>

struct __PathMovementName
{
	static constexpr const char* name = "PathMovement";
};

class PathMovement : public QuietComponent<PathMovement, __PathMovementName>
{
public:
	// Within this distance across the ground a path point counts as reached.
	static constexpr float kReachedDistance = 1.0f;

	PathMovement();

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	bool IsMoving() const { return moving; }
	const std::vector<Tuple3f>& GetPath() const { return path; }
	// The index of the path point being walked to; the first point (where the walk began) is
	// never walked to.
	unsigned GetPathIndex() const { return pathIndex; }
	// The walk has points ahead and is not paused.
	bool IsWalking() const { return moving && pathIndex < path.size(); }
	float GetSpeed() const { return speed; }

private:
	void OnSetEndPoint(Message::Reader reader);
	void OnSetSpeed(Message::Reader reader);
	void OnStopPathing(Message::Reader reader);
	void OnAddWayPoint(Message::Reader reader);
	// Asks the Logic system for a path from the position to the end, into an emptied path.
	void RequestPath(const Tuple3f& from, bool* reachesEnd);
	void Steer(const Tuple3f& position);
	// The body's own rise or fall, which steering and stopping leave as it is.
	float VerticalVelocity() const;
	// Takes back the ground velocity the walk set.
	void StopBody();
	void DrawPath(const Tuple3f& position) const;

	float speed = 0.0f;
	// Seconds.
	float regenTime = 1.0f;
	// Kept squared; nothing reads it yet.
	float maxDistOffPath = 0.0f;
	Tuple3f start;
	Tuple3f end;
	std::vector<Tuple3f> path;
	std::vector<Tuple3f> wayPoints;
	// How many of the way points the path already ends with; those not yet in it are walked
	// once the path is done.
	std::size_t wayPointsInPath = 0;
	unsigned pathIndex = 1;
	std::uint32_t lastGenerated = 0;
	bool moving = false;
};
