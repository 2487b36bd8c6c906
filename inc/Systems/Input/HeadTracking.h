// HeadTracking: the component that moves its object with the viewer's head, seen as two
// infrared dots by a tracking camera. The Input system registers the type and, while one such
// component is started, drives it once per active frame through its head-tracker hook.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Tuple.h"
#include "Utilities/UnorderedVector.h"

#include <cstdint>

struct __HeadTrackingName
{
	static constexpr const char* name = "HeadTracking";
};

class HeadTracking : public ComponentBase<HeadTracking, __HeadTrackingName>
{
public:
	HeadTracking();

	// "eyeDist", "screenHeight", "camVertAngle", "camFOV" (degrees in the file), "camHeight",
	// "movementScaling" (1.0 when the file ends before it).
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Listens to "AddIRDot" (weight, y, x) and hooks the component into the Input system,
	// replacing any earlier one.
	bool Start() override;
	// Takes the two heaviest dots received since the last update and moves the object sideways and
	// in depth as the head moved since the previous sample, in the active camera's frame.
	bool Update() override;
	// Clears the Input system's hook.
	void Detach() override;

private:
	void OnAddIRDot(Message::Reader reader);
	// Where the head is, in screen heights, from the two chosen dots.
	Tuple3<float> HeadPosition() const;
	void MoveBy(const Tuple3<float>& head) const;

	// The two dots chosen in the latest update (x, y, weight).
	Tuple3<float> dotA;
	Tuple3<float> dotB;
	// Dots received since the last update.
	tw::unordered_vector<Tuple3<float>> dots;
	float eyeDist = 0.0f;
	float screenHeight = 0.0f;
	// Radians.
	float camVertAngle = 0.0f;
	// Radians per unit of dot coordinate.
	float camFOV = 0.0f;
	unsigned camHeight = 0;
	float movementScaling = 1.0f;
	// The head position of the previous sample.
	Tuple3<float> lastHead;
	// Engine-clock milliseconds of the previous sample.
	uint32_t lastDotTime;
};
