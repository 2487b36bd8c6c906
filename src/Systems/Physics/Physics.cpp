#include "Systems/Physics/Physics.h"

#include "Components/Physics/PhysicsId.h"
#include "Engine.h"
#include "ObjectGroup.h"
#include "Utilities/Config.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Timer.h"

#include <algorithm>
#include <iostream>

namespace
{
	Physics* instance = nullptr;
	Physics::LevelLoadedHook levelLoadedHook = nullptr;

	// The engine's clock, read without starting it: the frame loop starts it, and the profiler must
	// not move its base when physics runs without the loop.
	std::uint32_t Now()
	{
		return GetElapsedMillisecondsNoInit();
	}

	// A member of a group loaded under an origin takes the origin's prefix on its physics id.
	void PrefixPhysicsId(Component& component, unsigned originPhysicsId)
	{
		Physics* physics = Physics::Instance();
		auto& physicsId = static_cast<PhysicsId&>(component);
		if (physics != nullptr)
			physics->UnregisterPhysicsId(physicsId);
		physicsId.id = ObjectGroup::PrefixedPhysicsId(physicsId.id, originPhysicsId);
		if (physics != nullptr)
			physics->RegisterPhysicsId(physicsId);
	}
}

Physics::Physics()
	: detection(&transgression), transgression(detection, resolution), resolution(transgression), stages{&detection, &transgression, &resolution}
{
	resolution.SetSolverIterations(settings.constraintIterations);
	resolution.SetSolverTimeStep(settings.timeStep);
	instance = this;
}

Physics::~Physics()
{
	ForEachStage([](PhysicsSubsystem& stage) { stage.Release(); });
	if (instance == this)
		instance = nullptr;
}

Physics* Physics::Instance()
{
	return instance;
}

const PhysicsSettings& Physics::Settings()
{
	static const PhysicsSettings defaults;
	return instance != nullptr ? instance->settings : defaults;
}

void Physics::ReportBodyPoolFull(const char* component, const std::string& objectName, const std::string& consequence)
{
	std::string line = std::string(component) + " of object \"" + objectName + "\": the body pool is full (Max_Bodies " +
		std::to_string(Settings().maxBodies) + "), " + consequence;
	if (instance != nullptr)
	{
		if (instance->bodyPoolFullLine.empty())
			instance->bodyPoolFullLine = std::move(line);
		line = instance->bodyPoolFullLine;
	}
	tw::Diagnostics::ReportOnce(line);
}

template <class Operation>
void Physics::ForEachStage(Operation operation)
{
	for (PhysicsSubsystem* stage : stages)
		operation(*stage);
}

void Physics::LoadConfig(Config& section)
{
	ForEachStage([](PhysicsSubsystem& stage) { stage.Initialize(); });
	PhysicsId::Register();
	ObjectGroup::RegisterPhysicsIdPrefixer(PhysicsId::TypeId(), PrefixPhysicsId);

	RegisterHandler("DebugSAP", &Physics::OnDebugSAP);
	RegisterHandler("AABBLevel", &Physics::OnAABBLevel);
	RegisterHandler("PhysicsQueryRayCast", &Physics::OnQueryRayCast);
	RegisterHandler("PhysicsQueryPrimitive", &Physics::OnQueryPrimitive);
	RegisterHandler("Pause", &Physics::OnPause);
	RegisterHandler("PausePhysics", &Physics::OnPausePhysics);
	RegisterHandler("ToggleUpdate", &Physics::OnToggleUpdate);
	RegisterHandler("FrameStep", &Physics::OnFrameStep);
	RegisterHandler("ToggleDebug", &Physics::OnToggleDebug);
	RegisterHandler("UnloadingLevel", &Physics::OnUnloadingLevel);
	RegisterHandler("LevelLoaded", &Physics::OnLevelLoaded);
	RegisterHandler("ClearProfiler", &Physics::OnClearProfiler);
	RegisterHandler("PrintProfiler", &Physics::OnPrintProfiler);

	ReadSettings(section);
}

void Physics::ReadSettings(Config& section)
{
	settings.Read(section);
	resolution.SetSolverTimeStep(settings.timeStep);
	resolution.SetSolverIterations(settings.constraintIterations);
}

void Physics::Initialize()
{
	ForEachStage([](PhysicsSubsystem& stage) { stage.Start(); });
	pauses.Clear();
	bodyPoolFullLine.clear();
}

void Physics::Update()
{
	frameStart = Now();
	const unsigned stepsBefore = frameCounter++;
	resolution.SetSolverIterations(stepsBefore < kWarmUpSteps ? kWarmUpIterations : settings.constraintIterations);
	rescales.SettleAll();

	ForEachStage([](PhysicsSubsystem& stage) { stage.PreUpdate(); });
	ForEachStage([](PhysicsSubsystem& stage) {
		stage.updateStart = Now();
		stage.Update();
		stage.durations.Record(Now() - stage.updateStart);
	});
	ForEachStage([](PhysicsSubsystem& stage) { stage.PostUpdate(); });
	frameTimes.Record(Now() - frameStart);
}

void Physics::Shutdown()
{
	ForEachStage([](PhysicsSubsystem& stage) { stage.Shutdown(); });
	levelLoaded = false;
	// Every object went with the last level; a pending component would be a dangling pointer.
	pendingIds.clear();
	physicsIds.clear();
	rescales = PendingRescales();
}

bool Physics::RayCast(const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody, Tuple3f* hitPoint)
{
	bool hit = false;
	Message message("PhysicsQueryRayCast");
	message.Push(&hit).Push(origin).Push(direction).Push(hitBody).Push(hitPoint);
	Engine::SendMessage(message);
	return hit;
}

bool Physics::RayCastStatic(const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody, Tuple3f* hitPoint) const
{
	RigidBody* body = nullptr;
	const float t = detection.RayCastStatic(origin, direction, &body);
	if (t <= 0.0f)
		return false;
	if (hitBody != nullptr)
		*hitBody = body;
	if (hitPoint != nullptr)
		*hitPoint = origin + direction * t;
	return true;
}

void Physics::RegisterPhysicsId(PhysicsId& component)
{
	if (component.id != 0)
	{
		physicsIds[component.id] = component.objectId;
		return;
	}
	if (!levelLoaded)
	{
		if (std::find(pendingIds.begin(), pendingIds.end(), &component) == pendingIds.end())
			pendingIds.push_back(&component);
		return;
	}
	AssignFreshId(component);
}

void Physics::UnregisterPhysicsId(PhysicsId& component)
{
	// A component that goes while waiting for an id must not be given one later.
	std::erase(pendingIds, &component);
	const auto found = physicsIds.find(component.id);
	if (found != physicsIds.end() && found->second == component.objectId)
		physicsIds.erase(found);
}

void Physics::AssignFreshId(PhysicsId& component)
{
	physicsIds.erase(component.id);
	component.id = SmallestFreeId();
	physicsIds[component.id] = component.objectId;
}

unsigned Physics::SmallestFreeId() const
{
	unsigned id = 1;
	while (physicsIds.find(id) != physicsIds.end())
		++id;
	return id;
}

unsigned Physics::ObjectIdFromPhysicsId(unsigned physicsId) const
{
	const auto found = physicsIds.find(physicsId);
	return found != physicsIds.end() ? found->second : 0;
}

void Physics::OnDebugSAP(Message::Reader)
{
	detection.GetSweepPrune().Dump();
}

void Physics::OnAABBLevel(Message::Reader reader)
{
	detection.aabbDrawLevel += reader.Read<int>();
}

void Physics::OnQueryRayCast(Message::Reader reader)
{
	rescales.SettleAll();
	detection.QueryRayCast(reader);
}

void Physics::OnQueryPrimitive(Message::Reader reader)
{
	rescales.SettleAll();
	detection.QueryPrimitive(reader);
}

void Physics::OnPause(Message::Reader reader)
{
	pauses.Set(PauseHolds::Holder::Game, reader.Read<bool>());
	ApplyPauses();
}

void Physics::OnPausePhysics(Message::Reader reader)
{
	pauses.Set(PauseHolds::Holder::Editor, reader.Read<bool>());
	ApplyPauses();
}

void Physics::ApplyPauses()
{
	resolution.updateEnabled = !pauses.Any();
}

void Physics::OnToggleUpdate(Message::Reader)
{
	resolution.updateEnabled = !resolution.updateEnabled;
}

void Physics::OnFrameStep(Message::Reader)
{
	resolution.stepOnce = true;
}

void Physics::OnToggleDebug(Message::Reader)
{
	debugDraw = !debugDraw;
}

void Physics::OnUnloadingLevel(Message::Reader)
{
	ForEachStage([](PhysicsSubsystem& stage) { stage.OnUnloadingLevel(); });
}

void Physics::OnLevelLoaded(Message::Reader)
{
	frameCounter = 0;
	levelLoaded = true;
	const std::vector<PhysicsId*> waiting = std::move(pendingIds);
	pendingIds.clear();
	for (PhysicsId* component : waiting)
		AssignFreshId(*component);
	ForEachStage([](PhysicsSubsystem& stage) { stage.OnLevelLoaded(); });
	if (levelLoadedHook != nullptr)
		levelLoadedHook();
}

void Physics::SetLevelLoadedHook(LevelLoadedHook hook)
{
	levelLoadedHook = hook;
}

void Physics::OnClearProfiler(Message::Reader)
{
	frameTimes.Clear();
	ForEachStage([](PhysicsSubsystem& stage) { stage.durations.Clear(); });
}

void Physics::OnPrintProfiler(Message::Reader)
{
	std::cout << "Average physics frame time: " << frameTimes.Average() << '\n'
			  << "Transgression: " << transgression.durations.Average() << '\n'
			  << "Resolution: " << resolution.durations.Average() << '\n'
			  << "Detection: " << detection.durations.Average() << "\n\n";
}
