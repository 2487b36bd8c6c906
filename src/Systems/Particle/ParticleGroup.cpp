#include "Systems/Particle/ParticleGroup.h"

#include "Systems/Particle/ParticleSetterRegistry.h"
#include "Utilities/Diagnostics.h"

#include <cmath>

ParticleGroup::ParticleGroup(std::string name, std::string ownerName) : name(std::move(name)), ownerName(std::move(ownerName))
{
}

std::unique_ptr<ParticleGroup> ParticleGroup::Copy() const
{
	auto copy = std::make_unique<ParticleGroup>(name, ownerName);
	copy->steady_ = steady_;
	copy->burstPending = burstPending;
	copy->active_ = active_;
	copy->accumulator = accumulator;
	copy->interval_ = interval_;
	copy->CopyList(initializers_, copy->initializers_);
	copy->CopyList(updaters_, copy->updaters_);
	copy->CopyList(drawers_, copy->drawers_);
	copy->particles = particles;
	return copy;
}

void ParticleGroup::CopyList(const SetterList& from, SetterList& to)
{
	for (const Entry& entry : from.entries)
	{
		Entry& copied = to.entries.emplace_back();
		copied.kept = entry.kept;
		if (entry.setter == nullptr)
			continue;
		copied.setter = entry.setter->Copy();
		copied.setter->group = this;
		to.running.push_back(copied.setter.get());
	}
}

void ParticleGroup::Load(Serializer& serializer)
{
	accumulator = 0.0f;
	burstPending = false;
	serializer.Read(active_).Read(steady_).Read(interval_);
	LoadList(serializer, initializers_, "initializers_");
	LoadList(serializer, updaters_, "updaters_");
	LoadList(serializer, drawers_, "drawers_");
}

void ParticleGroup::LoadList(Serializer& serializer, SetterList& list, const char* key)
{
	serializer.EnterNode("", "");
	while (serializer.NextElement())
	{
		Serializer::Fragment element = serializer.CopyElement();
		serializer.EnterNode("", "");
		const std::string setterName = serializer.ReadString();
		Entry& entry = list.entries.emplace_back();
		if (const ParticleSetter* prototype = ParticleSetterLookup(setterName))
		{
			entry.setter = prototype->Clone();
			entry.setter->group = this;
			entry.setter->Deserialize(serializer);
			list.running.push_back(entry.setter.get());
		}
		else
		{
			// Left out of the running group but kept whole, so that saving writes it back.
			entry.kept = std::move(element);
			tw::Diagnostics::Report("unknown particle setter \"" + setterName + "\" in the " + key + " list of " + Describe() +
				"; it is left out and kept in the data");
		}
		serializer.LeaveNode();
	}
	serializer.LeaveNode();
}

void ParticleGroup::Save(Serializer& serializer) const
{
	serializer.Write("name", name).Write("active_", active_).Write("steady_", steady_).Write("interval_", interval_);
	SaveList(serializer, initializers_, "initializers_[i]->name");
	SaveList(serializer, updaters_, "updaters_[i]->name");
	SaveList(serializer, drawers_, "drawers_[i]->name");
}

void ParticleGroup::SaveList(Serializer& serializer, const SetterList& list, const char* key) const
{
	serializer.EnterNode("", "Setters");
	for (const Entry& entry : list.entries)
	{
		if (entry.setter == nullptr)
		{
			serializer.WriteFragment(entry.kept);
			continue;
		}
		serializer.EnterNode("", "Setter");
		serializer.Write(key, entry.setter->name);
		entry.setter->Serialize(serializer);
		serializer.LeaveNode();
	}
	serializer.LeaveNode();
}

void ParticleGroup::Start(unsigned ownerId)
{
	particles.reserve(kStartCapacity);
	for (SetterList* list : {&initializers_, &updaters_, &drawers_})
		for (ParticleSetter* setter : list->running)
			setter->Attach(ownerId);
}

void ParticleGroup::Update(float dt, bool updating)
{
	if (updating)
	{
		for (SetterList* list : {&initializers_, &updaters_, &drawers_})
			for (ParticleSetter* setter : list->running)
				setter->Refresh();
		Age(dt);
		Emit(dt);
		if (!updaters_.running.empty())
			ApplyUpdaters(dt);
	}
	if (!drawers_.running.empty())
		for (Particle& particle : particles)
			for (ParticleSetter* setter : drawers_.running)
				setter->Apply(particle);
}

void ParticleGroup::ApplyUpdaters(float dt)
{
	for (unsigned i = 0; i < particles.size();)
	{
		Particle& particle = particles[i];
		for (ParticleSetter* setter : updaters_.running)
		{
			setter->Apply(particle);
			particle.position += particle.velocity * dt;
		}
		if (particle.IsFinite())
		{
			++i;
			continue;
		}
		// A particle with a value that is not finite is dropped: kept, the value would spread to
		// the sprite buffers and the bounds drawn.
		ReportOnce("an update left a particle with a value that is not finite; it is dropped");
		particle = particles.back();
		particles.pop_back();
	}
}

void ParticleGroup::Age(float dt)
{
	// A dead particle's slot takes the last particle, which is examined next.
	for (unsigned i = 0; i < particles.size();)
	{
		Particle& particle = particles[i];
		particle.life -= dt;
		if (particle.life < 0.0f)
		{
			particle = particles.back();
			particles.pop_back();
		}
		else
			++i;
	}
}

void ParticleGroup::Emit(float dt)
{
	if (!active_ && !burstPending)
		return;
	burstPending = false;
	// An interval of 0 or less would never end the emission loop, and a non-finite interval or
	// accumulator would stall it: nothing is spawned.
	if (!(interval_ > 0.0f) || !std::isfinite(interval_) || !std::isfinite(accumulator))
	{
		ReportOnce("emission interval " + std::to_string(interval_) + " s cannot emit; nothing is spawned");
		if (!std::isfinite(accumulator))
			accumulator = 0.0f;
		return;
	}
	if (steady_)
		accumulator += dt;
	for (unsigned spawned = 0; accumulator >= interval_; ++spawned)
	{
		if (spawned == kMaxSpawnsPerUpdate)
		{
			// A tiny interval would otherwise ask millions of particles in one frame.
			ReportOnce("more than " + std::to_string(kMaxSpawnsPerUpdate) + " particles owed in one update; the rest are dropped");
			accumulator = 0.0f;
			return;
		}
		accumulator -= interval_;
		Spawn();
	}
}

void ParticleGroup::Spawn()
{
	if (particles.size() >= kMaxLiveParticles)
	{
		ReportOnce("the bound of " + std::to_string(kMaxLiveParticles) + " live particles is reached; no more spawn until some die");
		return;
	}
	Particle particle;
	for (ParticleSetter* setter : initializers_.running)
		setter->Apply(particle);
	if (!particle.IsFinite())
	{
		ReportOnce("a spawned particle holds a value that is not finite; it is dropped");
		return;
	}
	particles.push_back(particle);
}

void ParticleGroup::Burst(int count)
{
	accumulator = static_cast<float>(accumulator + static_cast<double>(interval_) * count);
	burstPending = true;
}

void ParticleGroup::Clear()
{
	accumulator = 0.0f;
	particles.clear();
}

void ParticleGroup::ReleaseSetters()
{
	for (SetterList* list : {&initializers_, &updaters_, &drawers_})
	{
		list->running.clear();
		for (Entry& entry : list->entries)
			entry.setter.reset();
	}
}

std::string ParticleGroup::Describe() const
{
	return "particle group \"" + name + "\" of object \"" + ownerName + "\"";
}

void ParticleGroup::ReportOnce(const std::string& problem) const
{
	tw::Diagnostics::Report(Describe() + ": " + problem);
}
