// Trampoline: bounces bodies that land on its face. A "Collision" on the face (normalMS, turned into
// the world at the start) reverses the other body's speed into the face, scaled by 1 + amplifier;
// the speed along the face is kept.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

struct __TrampolineName
{
	static constexpr const char* name = "Trampoline";
};

class Trampoline : public QuietComponent<Trampoline, __TrampolineName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;

private:
	void OnCollision(Message::Reader reader);

	float minVel = 0.0f;
	float amplifier = 0.0f;
	Tuple3f normalMS;
	Tuple3f normal;
};
