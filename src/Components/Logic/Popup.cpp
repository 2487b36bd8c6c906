#include "Components/Logic/Popup.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/RelayMsg.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/v8/JSObject.h"

#include <cmath>
#include <limits>

namespace
{
	[[maybe_unused]] const bool popupScriptClassRegistered = [] {
		JSObject<Popup>::Bind("Popup", 0)
			.AddMember("watchedObj", &Popup::watchedObjName)
			.AddMember("objPopupDist", &Popup::objPopupDist)
			.AddMember("jitterTime", &Popup::jitterTime);
		return true;
	}();

	// Degrees and degrees per second of the swing.
	constexpr float kRaised = 90.0f;
	constexpr float kSwingSpeed = 300.0f;
	constexpr float kShakeAngle = 85.0f;
	constexpr float kShakeSpeed = 100.0f;
	constexpr float kShakeAmplitude = 5.0f;
	// Seconds.
	constexpr float kSwingTime = 0.3f;
	constexpr float kShakeInterval = 0.2f;
}

bool Popup::Load(Serializer& serializer)
{
	float distance = 0.0f;
	serializer.Read(watchedObjName).Read(distance).Read(jitterTime);
	objPopupDist = distance * distance;
	// A square past the float range would be saved as "inf", which no reader takes back.
	if (std::isinf(objPopupDist))
	{
		tw::Diagnostics::Report(DescribeComponent(*owner, __PopupName::name) + ": \"objPopupDist\" " + std::to_string(distance) +
			" is too large; the largest distance a float can square is taken");
		objPopupDist = std::numeric_limits<float>::max();
	}
	return true;
}

bool Popup::Serialize(Serializer& serializer)
{
	serializer.Write("watchedObjName", watchedObjName).Write("objPopupDist", std::sqrt(objPopupDist)).Write("jitterTime", jitterTime);
	return true;
}

bool Popup::Start()
{
	state = kDown;
	watchedId = ObjectFromName(watchedObjName).id;
	return true;
}

void Popup::Turn(float degrees, float degreesPerSecond)
{
	owner->HandleMessage(Message("Rotate").PushFloat(degrees).PushFloat(degreesPerSecond));
}

bool Popup::Update()
{
	if (!PhysicsSteps())
		return true;
	const Object watched = ObjectFromId(watchedId);
	const Transform* own = owner->GetComponent<Transform>();
	const Transform* other = watched.IsDummy() ? nullptr : watched.object->GetComponent<Transform>();
	if (own == nullptr || other == nullptr)
		return true;
	const float distanceSquared = own->GetWorldPosition().DistanceSquared(other->GetWorldPosition());
	const float dt = PhysicsTimeStep();
	stateTimer += dt;
	jitterTimer += dt;
	switch (state)
	{
	case kDown:
		if (objPopupDist > distanceSquared)
		{
			stateTimer = 0.0f;
			state = kSwinging;
			Turn(kRaised, kSwingSpeed);
		}
		break;
	case kSwinging:
		if (stateTimer > kSwingTime)
		{
			jitterTimer = 0.0f;
			stateTimer = 0.0f;
			jitterSide = 0;
			state = kShaking;
			Turn(kShakeAngle, kShakeSpeed);
		}
		break;
	case kShaking:
		// Written as "not within" so that a NaN jitterTime ends the shaking instead of sending NaN angles.
		if (!(stateTimer <= jitterTime))
		{
			state = kUp;
			Turn(kRaised, kSwingSpeed);
			stateTimer = 0.0f;
		}
		else if (jitterTimer > kShakeInterval)
		{
			const float k = 1.0f + stateTimer / jitterTime;
			jitterTimer = 0.0f;
			Turn(jitterSide == 0 ? kRaised + kShakeAmplitude / k : kRaised - kShakeAmplitude / k, kShakeSpeed);
			jitterSide = 1 - jitterSide;
		}
		break;
	case kUp:
		if (distanceSquared > objPopupDist)
		{
			state = kDown;
			Turn(0.0f, kSwingSpeed);
		}
		break;
	}
	return true;
}
