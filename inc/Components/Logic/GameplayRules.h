// Rules the gameplay components share: how a duration in seconds becomes milliseconds, how a float
// damage becomes hit points, when physics counts as stepping and with what step, and how the
// arguments of a "Collision" message are read.
#pragma once

#include "Message.h"
#include "Utilities/Tuple.h"

#include <cmath>
#include <cstdint>

struct RigidBody;

// Seconds to milliseconds truncated; NaN and negative give 0, values past 2^32 - 1 are clamped.
std::uint32_t SecondsToMilliseconds(float seconds);
// Truncated towards zero and clamped to the 32-bit range; NaN gives 0.
int ClampToInt(double value);
// Inline: the movers ask it of every step they take.
inline bool IsFinite(const Tuple3f& value)
{
	return std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z);
}
// True while the Physics system steps: its update is on or a single step is pending.
bool PhysicsSteps();
// The physics step in seconds ("Time_Step").
float PhysicsTimeStep();
// True while the Logic system is paused (no Logic system counts as not paused).
bool LogicPaused();
// Sends the message to the object of the id; nothing when there is no such object.
void SendToObject(unsigned objectId, const Message& message);

// The arguments of "Collision": other object id, contact point, normal from the other body to the
// receiver, depth and the other body. complete is false when the message stops before the point.
struct ContactReport
{
	unsigned otherId = 0;
	Tuple3f point;
	Tuple3f normal;
	float depth = 0.0f;
	RigidBody* otherBody = nullptr;
	bool complete = false;

	static ContactReport Read(Message::Reader reader);
};
