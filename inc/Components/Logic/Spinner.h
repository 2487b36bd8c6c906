// Spinner: turns its object without end about a world axis at a set speed in degrees per second,
// from the orientation it had at Start. The angle wraps after a full forward turn; a backward spin
// lets it grow negative. It runs while physics steps.
#pragma once

#include "CachedComponent.h"
#include "Components/QuietComponent.h"
#include "Utilities/Quaternion.h"

class Transform;

struct __SpinnerName
{
	static constexpr const char* name = "Spinner";
};

class Spinner : public QuietComponent<Spinner, __SpinnerName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	float GetAngle() const { return angle; }

private:
	// World space, not normalised: its length scales the turn.
	Tuple3f axis{0.0f, 0.0f, 0.0f};
	// Degrees per second.
	float speed = 0.0f;
	Quaternion startOrientation;
	// Radians.
	float angle = 0.0f;
	CachedComponent<Transform> ownTransform;
};
