// Grabber: between "Grab" and "Release" it holds the body under the aim (from the object's
// RayCaster, within reach) at its grab distance in front of the camera, with one constraint row
// that only pulls, slack within 0.1 of the target, and damps the held body a little each frame.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Systems/Physics/Constraint.h"
#include "Utilities/Tuple.h"

struct RigidBody;

struct __GrabberName
{
	static constexpr const char* name = "Grabber";
};

class Grabber : public QuietComponent<Grabber, __GrabberName>
{
public:
	// Within this of the target the held point is not pulled.
	static constexpr float kSlack = 0.1f;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Makes the (inactive) row of its own.
	bool Start() override;
	bool Update() override;
	// Erases the row, unless the level is being torn down (the lists go wholesale then).
	void Detach() override;

	unsigned GetGrabbedObject() const { return grabbedObject; }
	const ConstraintRef& GetConstraint() const { return constraint; }

private:
	void OnGrab(Message::Reader reader);
	void OnRelease(Message::Reader reader);

	float reach = 0.0f;
	ConstraintRef constraint;
	RigidBody* grabbedBody = nullptr;
	// 0 while nothing is held.
	unsigned grabbedObject = 0;
	// In the held body's frame.
	Tuple3f localGrabPoint;
	float holdDistance = 0.0f;
};
