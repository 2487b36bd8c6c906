// ShootAtObject: makes a level object (a turret) fire at a named object while it is in range:
// every frame it turns to face the target and, at most once per shootTime, sends its shot message
// to its own object with a strength, the launch point, the ballistic aim and its facing, in the
// layout of "StartGust", so that a Blow on the same object carries the shot out.
#pragma once

#include "Components/QuietComponent.h"

#include <cstdint>
#include <string>

struct __ShootAtObjectName
{
	static constexpr const char* name = "ShootAtObject";
};

class ShootAtObject : public QuietComponent<ShootAtObject, __ShootAtObjectName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Update() override;

private:
	std::string objName;
	std::string message;
	// Milliseconds.
	std::uint32_t shootTime = 0;
	float shootSpeed = 0.0f;
	// Compared with the squared distance as it stands.
	float minimumRange = 0.0f;
	// Game time of the last shot; none before the first, which comes as soon as the target is in range.
	std::uint32_t lastShot = 0;
	bool hasShot = false;
};
