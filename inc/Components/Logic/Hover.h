// Hover: keeps its object floating at hoverHeight above the static surface found straight above
// or below it (the upward ray first, so a hover under a ceiling keeps its distance to the ceiling),
// settling there at 2 / period units per second, then bobbing up and down by dmax once per period.
// A "SetPos" that lands it over a different surface starts a new settling. It runs while physics
// steps; a period that is not positive leaves it inert.
#pragma once

#include "CachedComponent.h"
#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

class Body;
class Transform;

struct __HoverName
{
	static constexpr const char* name = "Hover";
};

class Hover : public QuietComponent<Hover, __HoverName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	bool IsSettling() const { return settling; }
	float GetBaseHeight() const { return baseHeight; }

private:
	void OnSetPos(Message::Reader reader);
	// The height of the static surface above p, else below it; false when there is none.
	static bool FindGround(const Tuple3f& p, float& height);

	// Seconds.
	float period = 0.0f;
	float dmax = 0.0f;
	float hoverHeight = 0.0f;
	float baseHeight = 0.0f;
	float groundHeight = 0.0f;
	// Radians.
	float phase = 0.0f;
	float phaseRate = 1.0f;
	bool settling = true;
	bool initialised = false;
	CachedComponent<Transform> ownTransform;
	CachedComponent<Body> ownBody;
};
