// Physics: the engine system that owns the physics world. It reads the physics settings from the
// "Physics" element of the configuration, runs one fixed step of Time_Step seconds per frame through
// its three stages (detection, transgression, resolution), answers the pause, step, debug and
// profiler messages, and maps the persistent physics ids of level files to object ids.
#pragma once

#include "Message.h"
#include "System.h"
#include "Systems/Physics/DetectionManager.h"
#include "Systems/Physics/PendingRescales.h"
#include "Systems/Physics/PhysicsSettings.h"
#include "Systems/Physics/PhysicsSubsystem.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Systems/Physics/TransgressionManager.h"
#include "Utilities/HashMap.h"
#include "Utilities/PauseHolds.h"
#include "Utilities/Tuple.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class PhysicsId;
struct RigidBody;

struct __PhysicsName
{
	static constexpr const char* name = "Physics";
};

class Physics : public SystemBase<Physics, __PhysicsName>
{
public:
	// The first steps of a level solve with more iterations, while stacks settle.
	static constexpr unsigned kWarmUpSteps = 20;
	static constexpr int kWarmUpIterations = 50;

	// The newest Physics becomes Instance().
	Physics();
	~Physics() override;

	// The one Physics system; null when none exists.
	static Physics* Instance();
	// The settings of Instance(), or the defaults when there is none.
	static const PhysicsSettings& Settings();
	// "<component> of object "<name>": the body pool is full (Max_Bodies n), <consequence>",
	// printed for the first object of the level that finds the pool full; every later one, whatever
	// its name, is only counted under that line: a crowded level or a spawner finds it full hundreds
	// of times.
	static void ReportBodyPoolFull(const char* component, const std::string& objectName, const std::string& consequence);

	// Every stage's Initialize, the message handlers, then the settings: each key present replaces
	// the value held, a missing one keeps it.
	void LoadConfig(Config& section) override;
	// Every stage's Start.
	void Initialize() override;
	// One step.
	void Update() override;
	// Every stage's Shutdown; the level is no longer loaded and the physics ids are forgotten, so
	// that the next level starts from a clean world.
	void Shutdown() override;

	// Level-loaded work of another system that needs the level's colliders filed: run by
	// "LevelLoaded" after the stages. Null for none.
	using LevelLoadedHook = void (*)();
	static void SetLevelLoadedHook(LevelLoadedHook hook);

	// Sends "PhysicsQueryRayCast" engine-wide; true when a body was hit, whose body and hit point
	// are stored where asked.
	static bool RayCast(const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody = nullptr,
		Tuple3f* hitPoint = nullptr);
	// The nearest hit among the static colliders only, asked of the detection stage directly.
	bool RayCastStatic(const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody = nullptr,
		Tuple3f* hitPoint = nullptr) const;

	// Maps the component's id to its object. An id of 0 waits for the level to load, or, once it
	// has, takes the smallest free id at once.
	void RegisterPhysicsId(PhysicsId& component);
	void UnregisterPhysicsId(PhysicsId& component);
	// The object of the physics id; 0 for an id that names none (the id stays free).
	unsigned ObjectIdFromPhysicsId(unsigned physicsId) const;

	const PhysicsSettings& GetSettings() const { return settings; }
	PhysicsSettings& GetSettings() { return settings; }
	bool IsDebugDrawing() const { return debugDraw; }
	// True while steps run: not paused, or a single step ("FrameStep") is pending this frame.
	bool IsUpdating() const { return resolution.updateEnabled || resolution.stepOnce; }
	bool IsLevelLoaded() const { return levelLoaded; }
	// Physics steps since the last "LevelLoaded".
	unsigned GetFrameCounter() const { return frameCounter; }
	DetectionManager& GetDetection() { return detection; }
	TransgressionManager& GetTransgression() { return transgression; }
	ResolutionManager& GetResolution() { return resolution; }
	// Rescaled bodies not yet recomputed; whoever reads bodies outside the step settles them first.
	PendingRescales& GetRescales() { return rescales; }
	// Milliseconds since the engine's timer base at which the last step began.
	std::uint32_t GetFrameStart() const { return frameStart; }

private:
	void OnDebugSAP(Message::Reader reader);
	void OnAABBLevel(Message::Reader reader);
	void OnQueryRayCast(Message::Reader reader);
	void OnQueryPrimitive(Message::Reader reader);
	void OnPause(Message::Reader reader);
	void OnPausePhysics(Message::Reader reader);
	// Steps run only while nobody holds the physics paused.
	void ApplyPauses();
	void OnToggleUpdate(Message::Reader reader);
	void OnFrameStep(Message::Reader reader);
	void OnToggleDebug(Message::Reader reader);
	void OnUnloadingLevel(Message::Reader reader);
	void OnLevelLoaded(Message::Reader reader);
	void OnClearProfiler(Message::Reader reader);
	void OnPrintProfiler(Message::Reader reader);

	void ReadSettings(Config& section);
	// Gives a component waiting for an id the smallest free id and maps it.
	void AssignFreshId(PhysicsId& component);
	unsigned SmallestFreeId() const;
	template <class Operation>
	void ForEachStage(Operation operation);

	DetectionManager detection;
	TransgressionManager transgression;
	ResolutionManager resolution;
	PauseHolds pauses;
	PendingRescales rescales;
	PhysicsSettings settings;
	// The line the first object that found the body pool full printed; empty until one did.
	std::string bodyPoolFullLine;
	bool debugDraw = false;
	unsigned frameCounter = 0;
	// Detection, transgression, resolution: the order of every stage-wide call. Fixed, so a walk
	// needs no copy and a step allocates nothing.
	std::array<PhysicsSubsystem*, 3> stages;
	bool levelLoaded = false;
	tw::hash_map<unsigned, unsigned> physicsIds;
	// Components with id 0 registered before the level finished loading, in order of arrival.
	std::vector<PhysicsId*> pendingIds;
	std::uint32_t frameStart = 0;
	PhysicsProfile frameTimes;
};
