// Rules the behaviour leaves that act on a character share: its own and its target's positions,
// the facing toward a point, and messages to itself. A leaf looks its target up again every
// update, since the target may have been destroyed in between.
#pragma once

#include "Message.h"
#include "Utilities/Tuple.h"

#include <optional>
#include <string>

class Composition;
class PathMovement;
class Transform;
struct RigidBody;

namespace LeafRules
{
	// The yaw that turns a character to face along the horizontal offset (dx, dz).
	float FacingYaw(float dx, float dz);
	// The live object of the id, or null (never the "Dummy" object).
	Composition* Find(unsigned objectId);
	// The live object of the name, or null.
	Composition* FindByName(const std::string& name);
	Transform* TransformOf(Composition* object);
	RigidBody* BodyOf(Composition* object);
	// Sets the yaw on the owner's rigid body, which hands it to its Transform; on the Transform
	// alone when there is no body.
	void Face(Composition& owner, float yaw);
	void Send(Composition* owner, const Message& message);
	// "SetAnimation" with the animation's name.
	void Animate(Composition* owner, const char* animation);
	// Where one of the owner's bones stands in the world. Without such a bone: none, and one
	// diagnostic naming the tree's owner, the leaf, the bone and what the leaf does without it.
	std::optional<Tuple3f> BoneInWorld(Composition& owner, const std::string& bone, const char* leaf, const char* without);
	// Milliseconds as the seconds a node writes: the nearest float that reads back as as many.
	float ToSeconds(unsigned milliseconds);
}
