// Windmill: a body the player's breath spins about an axis in its model space. "Blown" pushes it
// forwards at four times its acceleration for blownTime, "Sucked" backwards for suckedTime; without
// a push the speed decays each physics step. Reaching full speed forwards or backwards fires the
// on or off list to its group, coming back to rest after the push fires the reset list. It runs
// only while physics steps; without a Transform or a Body it stays inert, and so does a windmill
// whose settings are out of range (a decay outside 0..1 would drive its spin to infinity).
#pragma once

#include "Components/QuietComponent.h"
#include "Components/Logic/RelayMsg.h"
#include "Message.h"
#include "Utilities/Quaternion.h"

#include <string>
#include <vector>

struct __WindmillName
{
	static constexpr const char* name = "Windmill";
};

class Windmill : public QuietComponent<Windmill, __WindmillName>
{
public:
	enum SpinState
	{
		kForward = 1,
		kBackward = 2,
		kFullSpeed = 4,
	};

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	float GetAngularSpeed() const { return angularSpeed; }

private:
	void OnBlown(Message::Reader reader);
	void OnSucked(Message::Reader reader);
	void Fire(const std::vector<RelayMsg>& list);
	// The first setting out of its range, described for a diagnostic; empty when all are in range.
	std::string SettingOutOfRange() const;

	Tuple3f rotAxisMS{0.0f, 0.0f, 0.0f};
	float maxAVel = 0.0f;
	float aAccel = 0.0f;
	float decay = 0.0f;
	float blownTime = 0.0f;
	float suckedTime = 0.0f;
	std::vector<RelayMsg> onRelays;
	std::vector<RelayMsg> offRelays;
	std::vector<RelayMsg> resetRelays;
	Tuple3f worldAxis{0.0f, 0.0f, 0.0f};
	Quaternion startOrientation;
	float angularSpeed = 0.0f;
	int spinState = 0;
	float pushTimer = 0.0f;
	float pushScale = 0.0f;
	// Refused at load: the settings stay as read, so a save keeps them, but nothing spins.
	bool refused = false;
};
