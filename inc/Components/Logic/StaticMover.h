// StaticMover: slides a physics object (a door, a lift) along an axis given in its model space to
// the distance a "Move"(target, speed) asks for, by the body's velocity, and snaps it to the exact
// place on the step it gets there. It runs while physics steps; without a Transform or a Body it
// stays inert.
#pragma once

#include "Components/Logic/AxisDrive.h"
#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

struct __StaticMoverName
{
	static constexpr const char* name = "StaticMover";
};

class StaticMover : public QuietComponent<StaticMover, __StaticMoverName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	float GetDistance() const { return drive.value; }
	bool IsMoving() const { return drive.moving; }

private:
	void OnMove(Message::Reader reader);

	Tuple3f modelAxis{0.0f, 0.0f, 0.0f};
	Tuple3f worldAxis{0.0f, 0.0f, 0.0f};
	Tuple3f startPosition{0.0f, 0.0f, 0.0f};
	AxisDrive drive;
};
