// ForceField: an object whose body marks a volume that blows. Every body that has begun a contact
// with it is pushed each frame along direction, from tailForce at the field's centre to headForce
// one unit ahead, and turned about the centre, until its contact ends ("CollisionEnd", or
// "CollisionOff"). An object touching the field for the first time is told so with "Blown".
// "SetDirection" and "SetForce" change the field at run time.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <vector>

struct RigidBody;

struct __ForceFieldName
{
	static constexpr const char* name = "ForceField";
};

class ForceField : public QuietComponent<ForceField, __ForceFieldName>
{
public:
	ForceField() = default;
	// The copy takes the settings only, no bodies.
	ForceField(const ForceField& other);
	ForceField& operator=(const ForceField&) = delete;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	float GetHeadForce() const { return headForce; }
	float GetTailForce() const { return tailForce; }
	const Tuple3f& GetDirection() const { return direction; }

private:
	struct Touched
	{
		unsigned objectId;
		std::vector<RigidBody*> bodies;
	};

	void OnSetDirection(Message::Reader reader);
	void OnSetForce(Message::Reader reader);
	void OnCollision(Message::Reader reader);
	void OnCollisionOff(Message::Reader reader);
	void OnCollisionEnd(Message::Reader reader);
	// The body no longer touches: it is no longer pushed. The object's entry stays, so that a
	// new contact sends no second "Blown".
	void Drop(unsigned objectId, const RigidBody* body);
	Touched* Find(unsigned objectId);
	void Push(RigidBody& body, const Tuple3f& centre, float scaleLength) const;

	float tailForce = 0.0f;
	float headForce = 0.0f;
	Tuple3f direction;
	// In the order the objects first touched; walked newest first.
	std::vector<Touched> touched;
};
