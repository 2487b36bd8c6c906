// ParticleManager: the engine system that owns particle simulation. At every Initialize (so at
// every level change) it registers the ParticleSystem component type and fills the setter
// registry (ParticleSetterRegistry); each frame it updates every started ParticleSystem in the
// order they started; "PauseParticles" stops and resumes all of them.
#pragma once

#include "Components/Physics/ParticleSystem.h"
#include "System.h"
#include "Utilities/IntrusiveList.h"

struct __ParticleManagerName
{
	static constexpr const char* name = "ParticleManager";
};

class ParticleManager : public SystemBase<ParticleManager, __ParticleManagerName>
{
public:
	using SystemList = IntrusiveList<ParticleSystem, &ParticleSystem::links>;

	// The engine's ParticleManager; null when there is none.
	static ParticleManager* Find();
	// Registers the ParticleSystem component type (once) and creates every setter prototype anew:
	// what a level's particle data needs, with or without the system.
	static void RegisterParticleTypes();

	// Binds "PauseParticles"; there are no settings.
	void LoadConfig(Config& section) override;
	// Registers the component type (once) and every setter prototype, and resumes simulation.
	void Initialize() override;
	// Updates every registered component, head to tail, unless paused.
	void Update() override;

	// A started component joins at the tail; Detach takes it out.
	void Register(ParticleSystem& system);
	void Unregister(ParticleSystem& system);
	const SystemList& Systems() const { return systems; }
	bool IsRunning() const { return running; }

private:
	void OnPauseParticles(Message::Reader reader);

	SystemList systems;
	bool running = true;
};
