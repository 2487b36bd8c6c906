// CursorController: lets the player pick a body by looking at it and drag it about. Every frame it
// casts a ray along the active camera's view and remembers the body hit; while a body is grabbed,
// its object's own body serves as a kinematic cursor at the grab distance in front of the eye, tied
// to the grab point by one constraint row that only pulls, with a little slack. The Logic system
// updates it; it reads and writes nothing in data files.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Systems/Physics/Constraint.h"
#include "Utilities/Tuple.h"

struct RigidBody;

struct __CursorControllerName
{
	static constexpr const char* name = "CursorController";
};

class CursorController : public ComponentBase<CursorController, __CursorControllerName>
{
public:
	// The distance within which a grabbed body is not pulled at all.
	static constexpr float kSlack = 0.1f;

	// Binds "GrabSelectedBody" and "ReleaseConstrainedBody".
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer&) override { return true; }
	// Takes the object's body as the cursor and makes the (inactive) row.
	bool Start() override;
	// The ray, then the drag of a grabbed body.
	bool Update() override;
	// Erases the row, unless the level is being torn down (the lists go wholesale then).
	void Detach() override;

	RigidBody* GetSelectedBody() const { return selectedBody; }
	RigidBody* GetGrabbedBody() const { return grabbedBody; }
	const ConstraintRef& GetConstraint() const { return constraint; }

private:
	void OnGrabSelectedBody(Message::Reader reader);
	void OnReleaseConstrainedBody(Message::Reader reader);

	// The eye and unit view direction of the active camera; false when no camera is active.
	bool GetView(Tuple3f& eye, Tuple3f& direction) const;
	// Lets go of the grabbed body when its object has gone, so that its freed record is never read.
	bool GrabbedBodyIsAlive() const;
	void Drag(const Tuple3f& target);
	void Release();

	RigidBody* cursorBody = nullptr;
	RigidBody* grabbedBody = nullptr;
	// The grabbed body's owner, by id: the body's record dies with that object.
	unsigned grabbedOwnerId = 0;
	RigidBody* selectedBody = nullptr;
	Tuple3f previousTarget;
	Tuple3f hitPoint;
	// In the grabbed body's frame.
	Tuple3f grabPoint;
	float grabDistance = 0.0f;
	ConstraintRef constraint;
};
