#include "Systems/Physics/PhysicsSettings.h"

#include <cmath>
#include <numbers>

namespace
{
	constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
}

void PhysicsSettings::SetEpaToleranceDegrees(float degrees)
{
	const double radians = degrees * kRadiansPerDegree;
	epaTolerance = static_cast<float>(radians);
	epaToleranceSin = static_cast<float>(std::sin(radians));
	epaToleranceCos = static_cast<float>(std::cos(radians));
	epaToleranceTan = static_cast<float>(std::tan(radians));
}

float PhysicsSettings::GetEpaToleranceDegrees() const
{
	return static_cast<float>(epaTolerance / kRadiansPerDegree);
}
