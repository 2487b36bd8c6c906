// ExplodeOnHit: a fuse. Its object dies ("Death", then destruction at the end of the frame) when its
// body is struck hard enough, judged by the change of velocity the last physics step's contacts
// gave it, or when its countdown of timeToExplode milliseconds runs out. explodeType picks the
// strike test: 1 (minExplodeVelocity), 0 (also any light strike), 2 (countdown only).
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

struct __ExplodeOnHitName
{
	static constexpr const char* name = "ExplodeOnHit";
};

class ExplodeOnHit : public QuietComponent<ExplodeOnHit, __ExplodeOnHitName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	int GetExplodeType() const { return explodeType; }

private:
	void OnPauseClock(Message::Reader reader);
	void OnRestartClock(Message::Reader reader);
	void OnSetExplodeType(Message::Reader reader);
	bool Struck() const;
	void Explode();

	// The speed as read, written back; the test compares with its square.
	float minExplodeSpeed = 0.0f;
	float minExplodeVelocity = 0.0f;
	int damage = 0;
	int explodeType = 1;
	unsigned timeToExplode = 0;
	// Signed: a positive fuse explodes at the first update that leaves it at or below zero.
	int remaining = 0;
	bool paused = false;
};
