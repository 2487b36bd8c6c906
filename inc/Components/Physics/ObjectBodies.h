// The bodies an object owns right now: its Body's main body and its ragdoll parts. Components that
// keep RigidBody pointers across frames check them here before use, because the body pool reuses
// records (a ragdoll switch or a removed Body frees them while the object lives on).
#pragma once

struct RigidBody;

// The main body of the object of the id; null for no object, no Body or no body in the pool.
RigidBody* MainBodyOf(unsigned objectId);
// True when the body is the object's main body or one of its ragdoll parts.
bool IsBodyOfObject(unsigned objectId, const RigidBody* body);
