// Popup: makes its object spring up when a watched object (normally the player) comes within a
// distance: it swings up, shakes a few times around the raised angle, holds while the watched
// object stays near and lies down again once it has left. The swing is carried out by the
// object's StaticRotater, to which it sends "Rotate". Scripts see it as the class "Popup".
#pragma once

#include "Components/QuietComponent.h"

#include <string>

struct __PopupName
{
	static constexpr const char* name = "Popup";
};

class Popup : public QuietComponent<Popup, __PopupName>
{
public:
	enum State
	{
		kDown = 0,
		kUp = 1,
		kSwinging = 2,
		kShaking = 3,
	};

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	int GetState() const { return state; }

	// The fields scripts read and write: "watchedObj", "objPopupDist" (the squared distance, as
	// held) and "jitterTime". A new watched name takes effect at the next Start.
	std::string watchedObjName;
	float objPopupDist = 0.0f;
	// Seconds.
	float jitterTime = 0.0f;

private:
	void Turn(float degrees, float degreesPerSecond);

	unsigned watchedId = 0;
	int state = kDown;
	int jitterSide = 0;
	// Seconds.
	float stateTimer = 0.0f;
	float jitterTimer = 0.0f;
};
