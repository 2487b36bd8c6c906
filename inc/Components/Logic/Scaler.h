// Scaler: grows or shrinks its object from its scale at Start to that scale times endScale,
// linearly over timeout seconds of physics steps, by "SetScale" to its own object each frame; the
// last frame sends the end scale and "ScalerDone". The Blow shrinks held objects with it and grows
// them back when they are shot. "RestartScaler", "ReverseScaler" and "RebaseScaler" steer a run.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

struct __ScalerName
{
	static constexpr const char* name = "Scaler";
};

class Scaler : public QuietComponent<Scaler, __ScalerName>
{
public:
	// No scale component comes closer to zero than this: a zero scale collapses the body's shape.
	static constexpr float kMinScale = 0.00578f;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	// The scale the factors multiply: the object's own, taken at Start or at the last rebase.
	const Tuple3f& GetStartScale() const { return startScale; }

private:
	void OnRestartScaler(Message::Reader reader);
	void OnReverseScaler(Message::Reader reader);
	void OnRebaseScaler(Message::Reader reader);
	void SendScale(const Tuple3f& factor) const;
	Tuple3f PresentScale() const;

	Tuple3f startScale;
	Tuple3f baseScale{1.0f, 1.0f, 1.0f};
	Tuple3f endScale{1.0f, 1.0f, 1.0f};
	float timeout = 0.0f;
	float remaining = 0.0f;
	// A run ends once; kept apart from remaining so that a run of no time still ends in its first
	// update instead of never.
	bool running = false;
};
