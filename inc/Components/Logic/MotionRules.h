// Rules the motion components (movers, rotators, hover, spinner, popup, shooter) share: finding the
// parts of their object they drive, and turning an object from a start orientation about a world
// axis. A component whose object lacks a part it needs stays inert and says so once.
#pragma once

#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

class Composition;
template <class T>
class CachedComponent;
class Transform;
struct RigidBody;

// The owner's Transform, or null after a diagnostic naming the object and the component.
Transform* RequireTransform(Composition& owner, const char* type);
// The same, found through the component's cache of it: for a component that drives it every frame.
Transform* RequireTransform(Composition& owner, CachedComponent<Transform>& cached, const char* type);
// The rigid body of the owner's Body, or null after a diagnostic naming the object and the component.
RigidBody* RequireBody(Composition& owner, const char* type);
// Sends "SetRot" to the owner: the start orientation turned afterwards by the rotation vector,
// whose axis lies in world space.
void SendTurn(Composition& owner, const Quaternion& startOrientation, const Tuple3f& rotation);
