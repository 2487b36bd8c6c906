#include "Systems/Input/HeadTracking.h"

#include "Engine.h"
#include "Serializer.h"
#include "Systems/Input.h"
#include "Utilities/Timer.h"

namespace
{
	constexpr double kRadiansPerDegree = 0.017453292519943295;
	constexpr double kDegreesPerRadian = 57.29577951308232;
	// Where the head starts: two screen heights in front of the screen.
	constexpr Tuple3<float> kStartHead{0.0f, 0.0f, -2.0f};

	Input* InputSystem()
	{
		Engine* engine = Engine::Instance();
		return engine ? engine->GetSystem<Input>() : nullptr;
	}
}

HeadTracking::HeadTracking() : lastDotTime(GetElapsedMilliseconds())
{
}

bool HeadTracking::Load(Serializer& serializer)
{
	serializer.Read(eyeDist).Read(screenHeight).Read(camVertAngle).Read(camFOV).Read(camHeight);
	camFOV = static_cast<float>(camFOV * kRadiansPerDegree);
	movementScaling = 1.0f;
	if (serializer.HasMore())
		serializer.Read(movementScaling);
	return true;
}

bool HeadTracking::Serialize(Serializer& serializer)
{
	serializer.Write("eyeDist", eyeDist)
		.Write("screenHeight", screenHeight)
		.Write("camVertAngle", camVertAngle)
		.Write("camFOV", static_cast<float>(camFOV * kDegreesPerRadian))
		.Write("camHeight", camHeight)
		.Write("movementScaling", movementScaling);
	return true;
}

bool HeadTracking::Start()
{
	lastHead = kStartHead;
	lastDotTime = 0;
	if (Input* input = InputSystem())
		input->SetHeadTracker(this);
	return true;
}

bool HeadTracking::Update()
{
	return true;
}

void HeadTracking::Detach()
{
	if (Input* input = InputSystem())
		input->SetHeadTracker(nullptr);
}
