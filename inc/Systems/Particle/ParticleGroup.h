// ParticleGroup: one named emitter of a ParticleSystem: its spawn, update and draw setter lists,
// its emission state and its live particles. The component keeps each group at a fixed address
// for the group's whole life, since every setter keeps a pointer to its group.
//
// Each list keeps the setters of the data in their places: a setter whose name is registered runs
// and saves itself; an element whose setter name is unknown is kept as read and written back
// unchanged, so that saving a level never loses what it could not interpret.
#pragma once

#include "Serializer.h"
#include "Systems/Particle/Particle.h"
#include "Systems/Particle/ParticleSetter.h"
#include "Utilities/UnorderedVector.h"

#include <memory>
#include <string>
#include <vector>

class PointSprite;

class ParticleGroup
{
public:
	// At most this many particles spawn in one group in one update; owed emission beyond is dropped.
	static constexpr unsigned kMaxSpawnsPerUpdate = 10000;
	// A group never holds more live particles than this: a long life and a short interval would
	// otherwise grow it without end.
	static constexpr unsigned kMaxLiveParticles = 20000;
	// Room reserved for particles when the group starts.
	static constexpr unsigned kStartCapacity = 300;

	struct Entry
	{
		// Null for an element kept as read.
		std::unique_ptr<ParticleSetter> setter;
		Serializer::Fragment kept;
	};
	struct SetterList
	{
		// The entries in data order; running holds the setters of those that run, in the same order.
		std::vector<Entry> entries;
		std::vector<ParticleSetter*> running;
	};

	ParticleGroup(std::string name, std::string ownerName);
	ParticleGroup(const ParticleGroup&) = delete;
	ParticleGroup& operator=(const ParticleGroup&) = delete;

	// A copy with its own setters (pointing back to the copy), flags, accumulator and particles.
	std::unique_ptr<ParticleGroup> Copy() const;
	// Reads the flags, the interval and the three lists after the name; a group read again keeps
	// its setters and appends the new ones.
	void Load(Serializer& serializer);
	// Writes the name, the flags, the interval and the three lists.
	void Save(Serializer& serializer) const;
	// Reserves room and attaches every setter, spawn list first.
	void Start(unsigned ownerId);
	// One frame: refresh, age, emit and update only while physics is updating; draw always.
	void Update(float dt, bool updating);
	// Adds a burst of count particles' worth of emission.
	void Burst(int count);
	// Every live particle goes and owed emission is forgotten.
	void Clear();
	// Destroys every setter (kept elements stay, so the data still saves whole).
	void ReleaseSetters();
	// "particle group 'name' of object 'owner'", for diagnostics.
	std::string Describe() const;

	std::string name;
	bool steady_ = false;
	bool burstPending = false;
	bool active_ = false;
	// Seconds of emission owed.
	float accumulator = 0.0f;
	// Seconds per particle.
	float interval_ = 0.0f;
	SetterList initializers_;
	SetterList updaters_;
	SetterList drawers_;
	tw::unordered_vector<Particle> particles;
	// The owner's point sprite for this frame's drawing, with this group's sprite group current;
	// null when the owner has none. Set by the component before each Update.
	PointSprite* sprite = nullptr;

private:
	void LoadList(Serializer& serializer, SetterList& list, const char* key);
	void SaveList(Serializer& serializer, const SetterList& list, const char* key) const;
	void CopyList(const SetterList& from, SetterList& to);
	// Every update setter on every particle, each followed by the advance; a particle left with a
	// value that is not finite is dropped.
	void ApplyUpdaters(float dt);
	void Age(float dt);
	void Emit(float dt);
	void Spawn();
	void ReportOnce(const std::string& problem) const;

	std::string ownerName;
};
