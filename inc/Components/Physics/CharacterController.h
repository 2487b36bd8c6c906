// CharacterController: moves the player's object through its body. The input bindings' "MoveForward",
// "Strafe", "Jump", "Crouch" and "Uncrouch" become changes of the body's velocity relative to the
// object's camera; the controller keeps the object facing the camera, measures from its contacts how
// firmly it stands, slows the body when no movement input came and shrinks the object to crouch.
// The Logic system updates it once per frame, before the physics step.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/HashMap.h"
#include "Utilities/Tuple.h"

struct RigidBody;

struct __CharacterControllerName
{
	static constexpr const char* name = "CharacterController";
};

class CharacterController : public ComponentBase<CharacterController, __CharacterControllerName>
{
public:
	// Index of the speed and acceleration tables.
	enum Direction
	{
		kForward = 0,
		kBackward = 1,
		kSideways = 2,
	};
	enum CrouchState
	{
		kAtRest = 0,
		kRising = 1,
		kLowering = 2,
	};
	// A contact normal must lean at least this much along gravity for a jump.
	static constexpr float kJumpGround = 0.05f;

	// Thirteen values: ground maximum speeds (forward, backward, sideways), ground accelerations,
	// the air speed and air acceleration factors, deceleration, jump speed, crouched scale, crouch
	// time and an angle kept for the data's sake.
	bool Load(Serializer& serializer) override;
	// The controller's values live in its archetype: nothing is written.
	// Writes the 13 values Load reads, in its order, so a controller of a level saves and reloads.
	bool Serialize(Serializer& serializer) override;
	// Unpauses the game and takes the standing scale.
	bool Start() override;
	// Facing, wake, crouching, ground measure, deceleration, airborne.
	bool Update() override;
	void Detach() override {}

	bool IsAirborne() const { return airborne; }
	float GetGroundMeasure() const { return groundMeasure; }
	float GetCrouchTimer() const { return crouchTimer; }
	int GetCrouchState() const { return crouchState; }

	float groundMaxSpeed[3]{};
	float airMaxSpeed[3]{};
	float groundAcceleration[3]{};
	float airAcceleration[3]{};
	float airSpeedFactor = 0.0f;
	float airAccelerationFactor = 0.0f;
	// Horizontal speed lost per second on the ground without movement input.
	float deceleration = 0.0f;
	float jumpSpeed = 0.0f;
	Tuple3f crouchedScale;
	// Seconds from standing to crouched.
	float crouchTime = 0.0f;
	// Degrees; read and kept, nothing depends on it.
	float angle = 0.0f;

private:
	void OnMoveForward(Message::Reader reader);
	void OnStrafe(Message::Reader reader);
	void OnJump(Message::Reader reader);
	void OnCrouch(Message::Reader reader);
	void OnUncrouch(Message::Reader reader);
	void OnCollision(Message::Reader reader);
	void OnCollisionEnd(Message::Reader reader);

	// Moves along the unit direction d with input v (a negative v reverses d).
	void Move(Tuple3f d, float v, Direction positive, Direction negative);
	void ApplyMove(const Tuple3f& move, float maximum);
	void FaceCamera();
	void Crouch(RigidBody& body);
	void MeasureGround(const RigidBody& body);
	void Decelerate(RigidBody& body);
	RigidBody* GetRigidBody() const;

	int crouchState = kAtRest;
	bool airborne = true;
	bool moved = false;
	Tuple3f standingScale;
	float groundMeasure = 0.0f;
	// 0 standing, crouchTime crouched.
	float crouchTimer = 0.0f;
	// How far the scale has gone from standing (0) to crouched (1).
	float crouchFraction = 0.0f;
	// Each body the object touches, with that body's object id.
	tw::hash_map<RigidBody*, unsigned> contacts;
};
