#include "Components/Logic/Spinner.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/MotionRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Utilities/MathCommon.h"

#include <cmath>

namespace
{
	constexpr float kFullTurn = 6.2831854820251465f;
}

bool Spinner::Load(Serializer& serializer)
{
	serializer.Read(axis).Read(speed);
	return true;
}

bool Spinner::Serialize(Serializer& serializer)
{
	serializer.Write("axis", axis).Write("speed", speed);
	return true;
}

bool Spinner::Start()
{
	if (const Transform* transform = owner->GetComponent<Transform>())
		startOrientation = transform->GetWorldOrientation();
	angle = 0.0f;
	return true;
}

bool Spinner::Update()
{
	if (RequireTransform(*owner, ownTransform, __SpinnerName::name) == nullptr || !PhysicsSteps())
		return true;
	angle += static_cast<float>(speed * kDegreesToRadians) * PhysicsTimeStep();
	// fmod rather than a subtracting loop: a huge speed would otherwise loop for ever.
	if (angle > kFullTurn)
		angle = std::fmod(angle, kFullTurn);
	if (IsFinite(axis * angle))
		SendTurn(*owner, startOrientation, axis * angle);
	return true;
}
