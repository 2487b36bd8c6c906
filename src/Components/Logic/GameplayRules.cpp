#include "Components/Logic/GameplayRules.h"

#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/ResolutionManager.h"

#include <cmath>
#include <limits>

std::uint32_t SecondsToMilliseconds(float seconds)
{
	const double milliseconds = static_cast<double>(seconds) * 1000.0;
	if (!(milliseconds > 0.0))
		return 0;
	if (milliseconds >= static_cast<double>(std::numeric_limits<std::uint32_t>::max()))
		return std::numeric_limits<std::uint32_t>::max();
	return static_cast<std::uint32_t>(milliseconds);
}

int ClampToInt(double value)
{
	if (std::isnan(value))
		return 0;
	if (value >= static_cast<double>(std::numeric_limits<int>::max()))
		return std::numeric_limits<int>::max();
	if (value <= static_cast<double>(std::numeric_limits<int>::min()))
		return std::numeric_limits<int>::min();
	return static_cast<int>(value);
}

bool PhysicsSteps()
{
	Physics* physics = Physics::Instance();
	if (physics == nullptr)
		return false;
	const ResolutionManager& resolution = physics->GetResolution();
	return resolution.updateEnabled || resolution.stepOnce;
}

float PhysicsTimeStep()
{
	return Physics::Settings().timeStep;
}

bool LogicPaused()
{
	const Engine* engine = Engine::Instance();
	const Logic* logic = engine != nullptr ? engine->GetSystem<Logic>() : nullptr;
	return logic != nullptr && logic->IsPaused();
}

void SendToObject(unsigned objectId, const Message& message)
{
	// A missing object is the "Dummy" object, which ignores every message.
	ObjectFromId(objectId).object->HandleMessage(message);
}

ContactReport ContactReport::Read(Message::Reader reader)
{
	ContactReport report;
	// A report cut short keeps its defaults for what is missing.
	if (reader.HasMore())
		reader.Read(report.otherId);
	report.complete = reader.HasMore() && reader.Read(report.point);
	if (reader.HasMore())
		reader.Read(report.normal);
	if (reader.HasMore())
		reader.Read(report.depth);
	if (reader.HasMore())
		reader.Read(report.otherBody);
	return report;
}
