#include "Systems/Particle/ParticleManager.h"

#include "Engine.h"
#include "Systems/Particle/ParticleSetterRegistry.h"

ParticleManager* ParticleManager::Find()
{
	const Engine* engine = Engine::Instance();
	return engine != nullptr ? engine->GetSystem<ParticleManager>() : nullptr;
}

void ParticleManager::LoadConfig(Config&)
{
	RegisterHandler("PauseParticles", &ParticleManager::OnPauseParticles);
}

void ParticleManager::RegisterParticleTypes()
{
	ParticleSystem::Register();
	ParticleSetterRegistry::Instance().RegisterAll();
}

void ParticleManager::Initialize()
{
	RegisterParticleTypes();
	running = true;
}

void ParticleManager::Update()
{
	if (running)
		systems.ForEach([](ParticleSystem* system) { system->Update(); });
}

void ParticleManager::Register(ParticleSystem& system)
{
	if (!systems.IsLinked(&system))
		systems.PushBack(&system);
}

void ParticleManager::Unregister(ParticleSystem& system)
{
	systems.Remove(&system);
}

void ParticleManager::OnPauseParticles(Message::Reader reader)
{
	running = !reader.Read<bool>();
}
