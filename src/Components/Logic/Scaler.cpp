#include "Components/Logic/Scaler.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"

#include <cmath>
#include <utility>

namespace
{
	// Keeps the sign, that of a zero included: a start scale of -1 shrunk to 0 gives -0, and so
	// -0.00578; a plain 0 gives +0.00578.
	float ClampAwayFromZero(float component)
	{
		if (std::fabs(component) >= Scaler::kMinScale)
			return component;
		return std::copysign(Scaler::kMinScale, component);
	}
}

bool Scaler::Load(Serializer& serializer)
{
	serializer.Read(endScale).Read(timeout);
	return true;
}

bool Scaler::Serialize(Serializer& serializer)
{
	serializer.Write("endScale", endScale).Write("timeout", timeout);
	return true;
}

bool Scaler::Start()
{
	owner->RegisterHandler("RestartScaler", &Scaler::OnRestartScaler);
	owner->RegisterHandler("ReverseScaler", &Scaler::OnReverseScaler);
	owner->RegisterHandler("RebaseScaler", &Scaler::OnRebaseScaler);
	baseScale = Tuple3f(1.0f, 1.0f, 1.0f);
	startScale = PresentScale();
	remaining = timeout;
	running = true;
	return true;
}

bool Scaler::Update()
{
	if (!running)
		return true;
	remaining -= PhysicsTimeStep();
	// A NaN timeout ends the run too rather than sending NaN scales for ever.
	if (!(remaining > 0.0f))
	{
		running = false;
		SendScale(endScale);
		owner->HandleMessage(Message("ScalerDone"));
		return true;
	}
	const float progress = 1.0f - remaining / timeout;
	SendScale(baseScale + (endScale - baseScale) * progress);
	return true;
}

void Scaler::OnRestartScaler(Message::Reader)
{
	remaining = timeout;
	running = true;
	SendScale(baseScale);
}

void Scaler::OnReverseScaler(Message::Reader)
{
	std::swap(baseScale, endScale);
}

void Scaler::OnRebaseScaler(Message::Reader)
{
	startScale = PresentScale();
	baseScale = Tuple3f(1.0f, 1.0f, 1.0f);
}

void Scaler::SendScale(const Tuple3f& factor) const
{
	const Tuple3f scale(ClampAwayFromZero(startScale.x * factor.x), ClampAwayFromZero(startScale.y * factor.y),
		ClampAwayFromZero(startScale.z * factor.z));
	owner->HandleMessage(Message("SetScale").Push(scale));
}

Tuple3f Scaler::PresentScale() const
{
	const Transform* transform = owner->GetComponent<Transform>();
	return transform != nullptr ? transform->GetScale() : Tuple3f(1.0f, 1.0f, 1.0f);
}
