#include "Components/Logic/CameraShake.h"

#include "Components/Graphics/Camera.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/RelayMsg.h"
#include "Composition.h"
#include "FrameTimer.h"
#include "Serializer.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/MathCommon.h"
#include "Utilities/Random.h"

#include <cmath>

bool CameraShake::Load(Serializer& serializer)
{
	serializer.Read(maxDistance).Read(duration);
	triggers.clear();
	while (serializer.HasValue())
		triggers.push_back(serializer.ReadString());
	elapsed = 0.0f;
	baseOffset = offset = Tuple3f(0, 0, 0);
	shaking = false;
	// The radius divides by the duration.
	if (!(duration > 0.0f))
		tw::Diagnostics::Report(DescribeComponent(*owner, __CameraShakeName::name) + ": \"shake duration\" " + std::to_string(duration) +
			" is not positive; the camera does not shake");
	for (const std::string& trigger : triggers)
		owner->RegisterHandler(trigger, &CameraShake::OnTrigger);
	return true;
}

bool CameraShake::Serialize(Serializer& serializer)
{
	serializer.Write("maximum shake distance", maxDistance).Write("shake duration", duration);
	for (const std::string& trigger : triggers)
		serializer.Write("trigger", trigger);
	return true;
}

void CameraShake::OnTrigger(Message::Reader)
{
	if (!(duration > 0.0f))
		return;
	Camera* camera = owner->GetComponent<Camera>();
	if (camera == nullptr)
	{
		tw::Diagnostics::Report(DescribeComponent(*owner, __CameraShakeName::name) + ": the object has no Camera; the component does nothing");
		return;
	}
	if (!shaking)
	{
		shaking = true;
		baseOffset = camera->GetOffset();
	}
	elapsed = 0.0f;
}

void CameraShake::SendOffset(const Tuple3f& sent)
{
	owner->HandleMessage(Message("SetCameraOffset").PushFloat(sent.x).PushFloat(sent.y).PushFloat(sent.z));
}

bool CameraShake::Update()
{
	Camera* camera = owner->GetComponent<Camera>();
	if (!shaking || camera == nullptr)
		return true;
	if (elapsed > duration)
	{
		shaking = false;
		SendOffset(baseOffset);
		return true;
	}
	const double angle = (tw::Rand() % 360) * kDegreesToRadians;
	const float radius = (duration - elapsed) * maxDistance / duration;
	offset = baseOffset + (camera->GetUp() * static_cast<float>(std::sin(angle)) + camera->GetRight() * static_cast<float>(std::cos(angle))) * radius;
	// A distance beyond the float range would make the offset infinite or NaN.
	if (IsFinite(offset))
		SendOffset(offset);
	elapsed += static_cast<float>(FrameTimer::Instance().GetFrameTime());
	return true;
}
