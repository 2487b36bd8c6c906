// CameraShake: shakes the camera of its object when any of its trigger messages arrives. For the
// shake's duration the camera's offset jumps every frame to a random point in the plane of the
// camera's up and right vectors around its resting offset, the radius falling linearly from the
// maximum distance to zero; then the resting offset comes back. A trigger during a shake starts
// the duration again around the same resting offset.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <string>
#include <vector>

struct __CameraShakeName
{
	static constexpr const char* name = "CameraShake";
};

class CameraShake : public QuietComponent<CameraShake, __CameraShakeName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Update() override;

	bool IsShaking() const { return shaking; }

private:
	void OnTrigger(Message::Reader reader);
	void SendOffset(const Tuple3f& sent);

	float maxDistance = 0.0f;
	// Seconds.
	float duration = 0.0f;
	std::vector<std::string> triggers;
	// Seconds since the shake (re)started.
	float elapsed = 0.0f;
	Tuple3f baseOffset{0.0f, 0.0f, 0.0f};
	Tuple3f offset{0.0f, 0.0f, 0.0f};
	bool shaking = false;
};
