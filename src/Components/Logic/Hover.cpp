#include "Components/Logic/Hover.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/MotionRules.h"
#include "Components/Logic/RelayMsg.h"
#include "Components/Transform.h"
#include "Components/Physics/Body.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"

#include <cmath>

namespace
{
	// Closer than this to its target height the hover stops settling and starts to bob.
	constexpr float kSettled = 0.01f;
	// A surface found within this of the one already taken is the same ground.
	constexpr float kSameGround = 0.0001f;
	constexpr float kTwoPi = 6.2831854820251465f;
	constexpr float kBottomPhase = -1.5707964f;
}

bool Hover::Load(Serializer& serializer)
{
	serializer.Read(period).Read(dmax).Read(hoverHeight);
	// The settling speed and the bob rate divide by the period.
	if (!(period > 0.0f))
		tw::Diagnostics::Report(DescribeComponent(*owner, __HoverName::name) + ": \"period\" " + std::to_string(period) +
			" is not positive; the object does not hover");
	owner->RegisterHandler("SetPos", &Hover::OnSetPos);
	return true;
}

bool Hover::Serialize(Serializer& serializer)
{
	serializer.Write("period", period).Write("dmax", dmax).Write("hoverHeight", hoverHeight);
	return true;
}

bool Hover::Start()
{
	phase = kBottomPhase;
	phaseRate = 1.0f;
	initialised = false;
	settling = true;
	return true;
}

bool Hover::FindGround(const Tuple3f& p, float& height)
{
	const Physics* physics = Physics::Instance();
	Tuple3f hit;
	if (physics == nullptr ||
		!(physics->RayCastStatic(p, Tuple3f(0, 1, 0), nullptr, &hit) || physics->RayCastStatic(p, Tuple3f(0, -1, 0), nullptr, &hit)))
		return false;
	height = hit.y;
	return true;
}

void Hover::OnSetPos(Message::Reader reader)
{
	Tuple3f p;
	if (!reader.Read(p))
		return;
	float hitHeight = 0.0f;
	if (FindGround(p, hitHeight))
	{
		if (std::fabs(groundHeight - hitHeight) < kSameGround)
			return;
		groundHeight = hitHeight;
	}
	else
		groundHeight = 0.0f;
	baseHeight = p.y;
	settling = true;
}

bool Hover::Update()
{
	Transform* transform = RequireTransform(*owner, ownTransform, __HoverName::name);
	if (transform == nullptr || !(period > 0.0f))
		return true;
	if (!initialised)
	{
		const Tuple3f p = transform->GetWorldPosition();
		baseHeight = p.y;
		if (!FindGround(p, groundHeight))
			groundHeight = 0.0f;
		initialised = true;
	}
	if (!PhysicsSteps())
		return true;
	const float dt = PhysicsTimeStep();
	Tuple3f p = transform->GetWorldPosition();
	if (settling)
	{
		const float d = hoverHeight + groundHeight - baseHeight;
		if (std::fabs(d) < kSettled)
			settling = false;
		else
		{
			// A step longer than the distance left (a short period) would jump to and fro across
			// the target for ever; it ends on the target instead.
			const float step = std::fmin(dt * 2.0f / period, std::fabs(d));
			baseHeight += d > 0.0f ? step : -step;
			p.y = baseHeight;
		}
	}
	else
	{
		phase += phaseRate * kTwoPi * dt / period;
		p.y = (std::sin(phase) + 1.0f) * 0.5f * dmax + baseHeight;
	}
	if (!IsFinite(p))
		return true;
	transform->SetWorldPosition(p);
	if (const Body* body = ownBody.Get(*owner); body != nullptr && body->GetBody() != nullptr)
		body->GetBody()->Wake();
	return true;
}
