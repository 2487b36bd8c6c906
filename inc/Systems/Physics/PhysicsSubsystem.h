// PhysicsSubsystem: one stage of the physics step (detection, transgression, resolution). The
// Physics system owns the three stages and calls each operation on all of them in stage order; a
// stage leaves empty what it does not need.
#pragma once

#include <cstdint>
#include <limits>

// Running totals of recorded durations; Average is total / count in double, not a number (printed
// "nan") before anything was recorded. Nothing is stored per frame: a long session never grows it.
struct PhysicsProfile
{
	std::uint64_t total = 0;
	std::uint64_t count = 0;

	void Record(std::uint32_t milliseconds)
	{
		total += milliseconds;
		++count;
	}
	void Clear() { total = count = 0; }
	double Average() const
	{
		// 0.0 / 0.0 would give the negative NaN, which prints as "-nan".
		return count == 0 ? std::numeric_limits<double>::quiet_NaN() : static_cast<double>(total) / static_cast<double>(count);
	}
};

class PhysicsSubsystem
{
public:
	PhysicsSubsystem() = default;
	virtual ~PhysicsSubsystem() = default;
	PhysicsSubsystem(const PhysicsSubsystem&) = delete;
	PhysicsSubsystem& operator=(const PhysicsSubsystem&) = delete;

	// From Physics::LoadConfig, before the settings are read: registries (collider and connection
	// prototypes, component types) are filled here.
	virtual void Initialize() {}
	// From the Physics destructor, before any stage is destroyed.
	virtual void Release() {}
	// From Physics::Initialize, with the settings read: pools are reserved here.
	virtual void Start() {}
	virtual void OnLevelLoaded() {}
	virtual void Shutdown() {}
	virtual void OnUnloadingLevel() {}
	// Once a frame, all stages' PreUpdate, then all Update, then all PostUpdate.
	virtual void PreUpdate() {}
	virtual void PostUpdate() {}
	virtual void Update() {}

	// Milliseconds since the engine's timer base at which the last Update began, and how long the
	// updates took; the Physics system records both around each stage's Update.
	std::uint32_t updateStart = 0;
	PhysicsProfile durations;
};
