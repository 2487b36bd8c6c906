// Where the bones of another object's skeleton stand in the world, and the rigid body of an
// object: what the golem's head link and the golem's leaves read of the golem each frame.
#pragma once

#include "Components/Transform.h"
#include "Utilities/Tuple.h"

#include <optional>
#include <string>

class Composition;
struct RigidBody;

// Null when the object has no Body or its Body no rigid body.
RigidBody* RigidBodyOf(Composition& object);
// Null as well when no object has the id.
RigidBody* RigidBodyOf(unsigned objectId);
// The bone's pose in the object's model frame; none when the object has no BoneTransform or the
// table has no such bone.
std::optional<BoneTransform::BoneInfo> FindBonePose(Composition& object, const std::string& bone);
// A model-frame point in the world: by the rigid body's world transform when the object has one,
// else by its Transform.
Tuple3f ModelToWorld(Composition& object, const Tuple3f& modelPoint);
// The world orientation of the object: its rigid body's, else its Transform's.
Quaternion WorldOrientationOf(Composition& object);
