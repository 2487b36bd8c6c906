// StaticRotater: turns a physics object about an axis given in its model space to the angle a
// "Rotate"(target degrees, speed degrees/s) asks for, by the body's angular velocity, and snaps it
// to the exact orientation on the step it gets there. It runs while physics steps; without a
// Transform or a Body it stays inert.
#pragma once

#include "Components/Logic/AxisDrive.h"
#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Quaternion.h"

struct __StaticRotaterName
{
	static constexpr const char* name = "StaticRotater";
};

class StaticRotater : public QuietComponent<StaticRotater, __StaticRotaterName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	// Radians.
	float GetAngle() const { return drive.value; }
	bool IsMoving() const { return drive.moving; }

private:
	void OnRotate(Message::Reader reader);

	Tuple3f modelAxis{0.0f, 0.0f, 0.0f};
	Tuple3f worldAxis{0.0f, 0.0f, 0.0f};
	Quaternion startOrientation;
	// Radians.
	AxisDrive drive;
};
