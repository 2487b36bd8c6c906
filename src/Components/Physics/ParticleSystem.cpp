#include "Components/Physics/ParticleSystem.h"

#include "Components/Graphics/PointSprite.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Physics/Physics.h"

ParticleSystem::ParticleSystem(const ParticleSystem& other) : ComponentBase(other)
{
	for (const auto& group : other.groups)
	{
		groups.push_back(group->Copy());
		groupsByName[group->name] = groups.back().get();
	}
}

bool ParticleSystem::Load(Serializer& serializer)
{
	owner->RegisterHandler("ParticleClear", &ParticleSystem::OnClear);
	owner->RegisterHandler("ParticleBurst", &ParticleSystem::OnBurst);
	owner->RegisterHandler("ParticleActivate", &ParticleSystem::OnActivate);
	owner->RegisterHandler("SetParticleInterval", &ParticleSystem::OnSetInterval);
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		FindOrAddGroup(serializer.ReadString()).Load(serializer);
		serializer.LeaveNode();
	}
	return true;
}

ParticleGroup& ParticleSystem::FindOrAddGroup(const std::string& groupName)
{
	if (ParticleGroup* found = FindGroup(groupName))
		return *found;
	groups.push_back(std::make_unique<ParticleGroup>(groupName, owner->GetName()));
	groupsByName[groupName] = groups.back().get();
	return *groups.back();
}

bool ParticleSystem::Serialize(Serializer& serializer)
{
	for (const auto& group : groups)
	{
		serializer.EnterNode("", "ParticleGroup");
		group->Save(serializer);
		serializer.LeaveNode();
	}
	return true;
}

bool ParticleSystem::Start()
{
	for (const auto& group : groups)
		group->Start(owner->GetId());
	if (ParticleManager* manager = ParticleManager::Find())
		manager->Register(*this);
	return true;
}

bool ParticleSystem::Update()
{
	PointSprite* sprite = owner->GetComponent<PointSprite>();
	const Physics* physics = Physics::Instance();
	// Without a physics system nothing pauses the particles.
	const bool updating = physics == nullptr || physics->IsUpdating();
	const float dt = Physics::Settings().timeStep;
	for (const auto& group : groups)
	{
		if (sprite != nullptr)
		{
			sprite->currentGroup = sprite->GetGroupId(group->name);
			sprite->ClearGroup(sprite->currentGroup);
		}
		group->sprite = sprite;
		group->Update(dt, updating);
	}
	return true;
}

void ParticleSystem::Release()
{
	for (const auto& group : groups)
		group->ReleaseSetters();
}

void ParticleSystem::Detach()
{
	if (ParticleManager* manager = ParticleManager::Find())
		manager->Unregister(*this);
}

ParticleGroup* ParticleSystem::FindGroup(const std::string& groupName) const
{
	const auto found = groupsByName.find(groupName);
	return found != groupsByName.end() ? found->second : nullptr;
}

void ParticleSystem::OnClear(Message::Reader reader)
{
	if (ParticleGroup* group = FindGroup(reader.Read<std::string>()))
		group->Clear();
}

void ParticleSystem::OnBurst(Message::Reader reader)
{
	ParticleGroup* group = FindGroup(reader.Read<std::string>());
	const int count = reader.Read<int>();
	if (group != nullptr)
		group->Burst(count);
}

void ParticleSystem::OnActivate(Message::Reader reader)
{
	// The built-in left-button binding sends the switch alone, naming no group: it switches none,
	// and a report at every click would only repeat that.
	if (reader.CurrentTypeId() != tw::TypeIdOf<std::string>())
		return;
	ParticleGroup* group = FindGroup(reader.Read<std::string>());
	const bool on = reader.Read<bool>();
	if (group != nullptr)
		group->active_ = on;
}

void ParticleSystem::OnSetInterval(Message::Reader reader)
{
	ParticleGroup* group = FindGroup(reader.Read<std::string>());
	const float seconds = reader.Read<float>();
	if (group != nullptr)
		group->interval_ = seconds;
}
