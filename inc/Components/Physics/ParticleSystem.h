// ParticleSystem: the component that gives a game object its particle effects, any number of
// named particle groups (ParticleGroup), each an emitter with its own setters and particles.
// Gameplay code switches groups on and off, fires bursts and clears them with messages naming the
// group; the ParticleManager updates every started component once a frame, and the particles are
// drawn through the owner's PointSprite, one sprite group per particle group, named like it.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Systems/Particle/ParticleGroup.h"
#include "Utilities/HashMap.h"
#include "Utilities/IntrusiveList.h"

#include <memory>
#include <string>
#include <vector>

struct __ParticleSystemName
{
	static constexpr const char* name = "ParticleSystem";
};

class ParticleSystem : public ComponentBase<ParticleSystem, __ParticleSystemName>
{
public:
	ParticleSystem() = default;
	// A deep copy: every group with setters of its own, so either copy may go first.
	ParticleSystem(const ParticleSystem& other);
	ParticleSystem& operator=(const ParticleSystem&) = delete;

	// Binds "ParticleClear", "ParticleBurst", "ParticleActivate" and "SetParticleInterval" on the
	// owner, then reads one element per group.
	bool Load(Serializer& serializer) override;
	// One element per group, in the order the groups first appeared.
	bool Serialize(Serializer& serializer) override;
	// Attaches every group's setters and joins the ParticleManager's list.
	bool Start() override;
	// The frame's step, called by the ParticleManager: each group in order, with its sprite
	// group made current, advanced by the physics step while physics updates.
	bool Update() override;
	// Destroys every setter.
	void Release() override;
	// Leaves the ParticleManager's list.
	void Detach() override;

	// The group of the name; null when there is none.
	ParticleGroup* FindGroup(const std::string& groupName) const;
	// In the order they first appeared in the data.
	const std::vector<std::unique_ptr<ParticleGroup>>& Groups() const { return groups; }

	// The ParticleManager's list of started components.
	ListLinks<ParticleSystem> links;

private:
	void OnClear(Message::Reader reader);
	void OnBurst(Message::Reader reader);
	void OnActivate(Message::Reader reader);
	void OnSetInterval(Message::Reader reader);
	ParticleGroup& FindOrAddGroup(const std::string& groupName);

	// Owned here, each at a fixed address: setters point to their groups.
	std::vector<std::unique_ptr<ParticleGroup>> groups;
	tw::hash_map<std::string, ParticleGroup*> groupsByName;
};
