#include "Systems/Physics/PhysicsSettings.h"

#include "Platform/SystemMemory.h"
#include "Systems/Physics/CollisionManifold.h"
#include "Systems/Physics/Constraint.h"
#include "Systems/Physics/ContactPoint.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Config.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/MathCommon.h"
#include "Utilities/ValueText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace
{
	// Iteration counts above this would stall every frame without making anything more exact.
	constexpr int kMaxIterations = 1000;
	// A step shorter than this divides the constraint bias into nonsense; one longer than a second
	// is no simulation.
	constexpr float kShortestStep = 0.0001f;
	constexpr float kLongestStep = 1.0f;
	// No one pool may claim more than this share of physical memory.
	constexpr std::uint64_t kPoolMemoryDivisor = 4;
	constexpr float kLargestFloat = std::numeric_limits<float>::max();
	constexpr int kLargestInt = std::numeric_limits<int>::max();

	float ReadSetting(const Config& section, const char* key, float held)
	{
		return section.GetFloat(key, held);
	}

	int ReadSetting(const Config& section, const char* key, int held)
	{
		return section.GetInt(key, held);
	}

	// The key's value when it lies in [low, high] (NaN never does); otherwise one diagnostic and
	// the value held.
	template <class T>
	void ReadSettingInRange(const Config& section, const char* key, T& setting, T low, T high)
	{
		const T value = ReadSetting(section, key, setting);
		if (value >= low && value <= high)
		{
			setting = value;
			return;
		}
		tw::Diagnostics::Report("Physics: setting '" + std::string(key) + "' reads " + ValueText::Format(value) +
			", outside " + ValueText::Format(low) + ".." + ValueText::Format(high) + "; the default " +
			ValueText::Format(setting) + " is kept");
	}

	template <class Record>
	void ReadPool(const Config& section, const char* key, int& setting, int recordsPerEntry = 1)
	{
		ReadSettingInRange(section, key, setting, 1, PhysicsSettings::PoolLimit(sizeof(Record) * recordsPerEntry));
	}
}

void PhysicsSettings::Read(const Config& section)
{
	ReadSettingInRange(section, "Time_Step", timeStep, kShortestStep, kLongestStep);
	ReadSettingInRange(section, "EPA_Iterations", epaIterations, 1, kMaxIterations);
	ReadSettingInRange(section, "GJK_Iterations", gjkIterations, 1, kMaxIterations);
	ReadSettingInRange(section, "Constraint_Iterations", constraintIterations, 1, kMaxIterations);
	ReadSettingInRange(section, "Slop", slop, 0.0f, kLargestFloat);
	ReadSettingInRange(section, "Baumgarte", baumgarte, 0.0f, kLargestFloat);
	float toleranceDegrees = GetEpaToleranceDegrees();
	ReadSettingInRange(section, "EPA_Tolerance", toleranceDegrees, 0.0f, 89.0f);
	SetEpaToleranceDegrees(toleranceDegrees);
	ReadSettingInRange(section, "Constraint_Frame_Limit", constraintFrameLimit, 0, kLargestInt);
	ReadSettingInRange(section, "Sleep_Timeout", sleepTimeout, 0, kLargestInt);
	ReadSettingInRange(section, "Sleep_Epsilon", sleepEpsilon, 0.0f, kLargestFloat);
	ReadSettingInRange(section, "Gravity_Magnitude", gravityMagnitude, -kLargestFloat, kLargestFloat);
	ReadPool<RigidBody>(section, "Max_Bodies", maxBodies);
	ReadSettingInRange(section, "Max_Colliders", maxColliders, 1, kMaxPoolRecords);
	ReadPool<ContactPoint>(section, "Max_Contacts", maxContacts);
	// Every contact row is three constraint records, and the inactive list holds twice the active.
	ReadPool<Constraint>(section, "Max_Constraints", maxConstraints, 3);
	ReadPool<CollisionManifold>(section, "Max_Manifolds", maxManifolds);
}

int PhysicsSettings::PoolLimit(std::size_t recordBytes)
{
	const std::uint64_t affordable = Platform::PhysicalMemoryBytes() / kPoolMemoryDivisor / std::max<std::size_t>(recordBytes, 1);
	return static_cast<int>(std::min<std::uint64_t>(affordable, kMaxPoolRecords));
}

void PhysicsSettings::SetEpaToleranceDegrees(float degrees)
{
	const double radians = degrees * kDegreesToRadians;
	epaTolerance = static_cast<float>(radians);
	epaToleranceSin = static_cast<float>(std::sin(radians));
	epaToleranceCos = static_cast<float>(std::cos(radians));
	epaToleranceTan = static_cast<float>(std::tan(radians));
}

float PhysicsSettings::GetEpaToleranceDegrees() const
{
	return static_cast<float>(epaTolerance / kDegreesToRadians);
}
