// Reflection: on an object with a Camera, "Reflect" sends the bodies that fly at it from inside a
// cone around the view direction back along the view at maximumSpeed_, and switches their
// ExplodeOnHit to its lightest strike test ("SetExplodeType" 0).
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

struct __ReflectionName
{
	static constexpr const char* name = "Reflection";
};

class Reflection : public QuietComponent<Reflection, __ReflectionName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

private:
	void OnReflect(Message::Reader reader);

	float minimumSpeed_ = 0.0f;
	float maximumSpeed_ = 0.0f;
	// Degrees: the half-angle of the reflecting cone.
	float collisionAngle_ = 0.0f;
	float boundingSphere_ = 0.0f;
	float cosAngle = 1.0f;
};
