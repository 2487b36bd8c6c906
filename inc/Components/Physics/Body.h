// Body: puts a game object into the physics world. It owns the object's collider, made from a
// registered collider prototype named in the object's data, and the object's RigidBody, which lives
// in the resolution stage's body pool; it ties the body to the object's Transform and turns the
// placement and velocity messages into changes of the body. Other physics components reach the
// object's body through it. Scripts see it as class "Body".
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Tuple.h"

class Collider;
struct RigidBody;

struct __BodyName
{
	static constexpr const char* name = "Body";
};

class Body : public ComponentBase<Body, __BodyName>
{
public:
	Body() = default;
	// The copy owns neither a body nor a collider: both belong to the original alone.
	Body(const Body& other);
	Body& operator=(const Body&) = delete;
	~Body() override = default;

	// Makes the body at once (simulated, not yet placed), then reads the velocities, the flags and
	// an optional collider element. An unknown collider type is reported and leaves no collider.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Once only: the handlers, the link to the Transform, mass and placement, the collider queued
	// for detection; then "RemoteInit" to its own object.
	bool Start() override;
	bool Update() override { return true; }
	// Wakes the body and takes the collider out of detection.
	void Detach() override;
	// Deletes the collider; the body leaves the simulation and the pool.
	void Release() override;

	// Null while no physics system holds a body for it (or its pool was full).
	RigidBody* GetBody() const { return body; }
	Collider* GetCollider() const { return collider; }
	bool IsStarted() const { return started; }
	bool IsColliderDetached() const { return colliderDetached; }

	// The script properties "Velocity" (writing wakes the body) and "AngularVelocity" (it does not).
	Tuple3f GetVelocity() const;
	void SetVelocity(const Tuple3f& velocity);
	Tuple3f GetAngularVelocity() const;
	void SetAngularVelocity(const Tuple3f& angularVelocity);
	// What a "SetScale" does to the body: the Transform's scale, mass, inertia and placement (put
	// off while Logic updates a component), and a wake of its island.
	void Rescale(const Tuple3f& scale);

private:
	void OnRemoteInit(Message::Reader reader);
	void OnRagdoll(Message::Reader reader);
	void OnSetVelocity(Message::Reader reader);
	void OnSetAngularVelocity(Message::Reader reader);
	void OnSetPos(Message::Reader reader);
	void OnSetRot(Message::Reader reader);
	void OnSetScale(Message::Reader reader);
	void OnTransformUpdated(Message::Reader reader);
	void OnSetStatic(Message::Reader reader);
	void OnWakeUp(Message::Reader reader);

	void LoadCollider(Serializer& serializer);
	// Detection holds the collider at most once: filing and withdrawing are idempotent.
	void FileCollider();
	void WithdrawCollider();
	// After a move: every body of the island wakes, and the body's world shape follows.
	void WakeIslandAndUpdate();

	bool started = false;
	// True while a ragdoll has taken the collider out of detection.
	bool colliderDetached = false;
	// True while detection holds the collider.
	bool colliderFiled = false;
	// Owned.
	Collider* collider = nullptr;
	// Stored in the resolution stage's body pool; made in Load, erased in Release.
	RigidBody* body = nullptr;
};
