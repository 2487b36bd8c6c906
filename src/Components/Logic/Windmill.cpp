#include "Components/Logic/Windmill.h"

#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/MathCommon.h"

#include <cmath>
#include <limits>
#include <sstream>

namespace
{
	// The speed below which the mill counts as at rest, in rad/s.
	constexpr float kRestSpeed = 0.1f;

	bool WindmillPhysicsSteps()
	{
		Physics* physics = Physics::Instance();
		return physics != nullptr && (physics->GetResolution().updateEnabled || physics->GetResolution().stepOnce);
	}
}

bool Windmill::Load(Serializer& serializer)
{
	serializer.Read(rotAxisMS).Read(maxAVel).Read(aAccel).Read(blownTime).Read(suckedTime).Read(decay);
	// Checked as the file gives them, the angles in degrees.
	const std::string outOfRange = SettingOutOfRange();
	maxAVel = static_cast<float>(maxAVel * kDegreesToRadians);
	aAccel = static_cast<float>(aAccel * kDegreesToRadians);
	const std::string where = DescribeComponent(*owner, __WindmillName::name);
	ReadRelayList(serializer, onRelays, where, 1);
	ReadRelayList(serializer, offRelays, where, 1);
	ReadRelayList(serializer, resetRelays, where, 1);
	owner->RegisterHandler("Sucked", &Windmill::OnSucked);
	owner->RegisterHandler("Blown", &Windmill::OnBlown);
	refused = !outOfRange.empty();
	if (refused)
		tw::Diagnostics::Report(where + ": " + outOfRange + "; the windmill is refused and will not turn");
	return true;
}

std::string Windmill::SettingOutOfRange() const
{
	constexpr float kUnbounded = std::numeric_limits<float>::infinity();
	// The times and the full speed cannot be negative.
	const struct
	{
		const char* name;
		float value, low, high;
	} ranges[] = {
		{"decay", decay, 0.0f, 1.0f},
		{"maxAVel", maxAVel, 0.0f, kUnbounded},
		{"blownTime", blownTime, 0.0f, kUnbounded},
		{"suckedTime", suckedTime, 0.0f, kUnbounded},
	};
	for (const auto& range : ranges)
		if (!(range.value >= range.low && range.value <= range.high))
		{
			std::ostringstream text;
			text << range.name << " " << range.value << " must be ";
			if (range.high < kUnbounded)
				text << "within " << range.low << ".." << range.high;
			else
				text << "at least " << range.low;
			return text.str();
		}
	return {};
}

bool Windmill::Serialize(Serializer& serializer)
{
	serializer.Write("rotAxisMS", rotAxisMS);
	serializer.Write("RAD2DEG(maxAVel)", static_cast<float>(maxAVel * kRadiansToDegrees));
	serializer.Write("RAD2DEG(aAccel)", static_cast<float>(aAccel * kRadiansToDegrees));
	serializer.Write("blownTime", blownTime).Write("suckedTime", suckedTime).Write("decay", decay);
	WriteRelayList(serializer, onRelays, "onRelays[i].rawData", true);
	WriteRelayList(serializer, offRelays, "offRelays[i].rawData", true);
	WriteRelayList(serializer, resetRelays, "resetRelays[i].rawData", true);
	return true;
}

bool Windmill::Start()
{
	if (const Transform* transform = owner->GetComponent<Transform>())
		startOrientation = transform->GetWorldOrientation();
	worldAxis = Quaternion::Rotate(startOrientation, rotAxisMS);
	spinState = 0;
	pushTimer = 0.0f;
	pushScale = 0.0f;
	return true;
}

void Windmill::OnBlown(Message::Reader)
{
	pushTimer = blownTime;
	pushScale = 4.0f;
}

void Windmill::OnSucked(Message::Reader)
{
	pushTimer = suckedTime;
	pushScale = -1.0f;
}

bool Windmill::Update()
{
	const Body* body = owner->GetComponent<Body>();
	if (refused || !WindmillPhysicsSteps() || body == nullptr || body->GetBody() == nullptr || owner->GetComponent<Transform>() == nullptr)
		return true;
	const float dt = Physics::Settings().timeStep;
	if (pushTimer > 0.0f)
	{
		angularSpeed += pushScale * aAccel * dt;
		pushTimer -= dt;
	}
	else
		angularSpeed *= decay;
	int state = angularSpeed > kRestSpeed ? kForward : angularSpeed < -kRestSpeed ? kBackward : 0;
	if (std::fabs(angularSpeed) >= maxAVel)
		state |= kFullSpeed;
	if (state != spinState)
	{
		if (pushTimer <= 0.0f && state == 0)
		{
			angularSpeed = 0.0f;
			Fire(resetRelays);
		}
		else if (state == (kForward | kFullSpeed))
		{
			angularSpeed = maxAVel;
			Fire(onRelays);
		}
		else if (state == (kBackward | kFullSpeed))
		{
			angularSpeed = -maxAVel;
			Fire(offRelays);
		}
	}
	body->GetBody()->angularVelocity = worldAxis * angularSpeed;
	spinState = state;
	return true;
}

void Windmill::Fire(const std::vector<RelayMsg>& list)
{
	for (const RelayMsg& message : list)
		message.SendToGroup(*owner);
}
