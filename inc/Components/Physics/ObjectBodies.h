// The bodies an object owns right now: its Body's main body and its ragdoll parts. Components that
// keep RigidBody pointers across frames check them here before use, because the body pool reuses
// records (a removed Body frees them while the object lives on), and a switch back from ragdoll
// takes the parts out of the simulation.
#pragma once

struct RigidBody;

// The main body of the object of the id; null for no object, no Body or no body in the pool.
RigidBody* MainBodyOf(unsigned objectId);
// True when the body is the object's main body, or one of its ragdoll parts while the parts are
// simulated (the object lies as a ragdoll).
bool IsBodyOfObject(unsigned objectId, const RigidBody* body);
// True when the body is one of the object's ragdoll parts while the parts are simulated.
bool IsSimulatedPartOfObject(unsigned objectId, const RigidBody* body);
