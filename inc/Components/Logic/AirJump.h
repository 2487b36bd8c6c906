// AirJump: a breath at the ground close below launches the player. On "StartGust" (from the
// Lungs) while the aim points along -jumpDir within angleTolerance at a static or sleeping body no
// farther than maxGroundDist, the player's speed along jumpDir is replaced by a launch speed, the
// stronger the breath and the nearer the ground the faster.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

struct __AirJumpName
{
	static constexpr const char* name = "AirJump";
};

class AirJump : public QuietComponent<AirJump, __AirJumpName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;

private:
	void OnStartGust(Message::Reader reader);

	// Radians in memory, degrees in files.
	float angleTolerance = 0.0f;
	Tuple3f jumpDir{0.0f, 1.0f, 0.0f};
	// Kept for the files; nothing reads it.
	unsigned maxChargeTime = 0;
	float maxGroundDist = 0.0f;
	float minJumpForce = 0.0f;
	float maxJumpForce = 0.0f;
};
