#include "Components/Sound/SoundTable.h"

#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Serializer.h"
#include "Sound.h"
#include "Utilities/SearchPaths.h"

#include <algorithm>

std::string SoundTable::CacheKey(const std::string& file, Kind kind)
{
	// Music and effects are cached apart: sharing one entry, a file used both ways would play as
	// whichever loaded first. A stream's key ends in a character no file name written in XML holds.
	return kind == Kind::kStream ? file + std::string(1, '\0') + "stream" : file;
}

void SoundTable::Load(Serializer& serializer, Kind kind)
{
	this->kind = kind;
	Sound* sound = FindSound();
	while (serializer.NextElement())
	{
		const Entry entry = ReadEntry(serializer);
		const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& held) { return held.name == entry.name; });
		if (found != entries.end())
			*found = entry;
		else
			entries.push_back(entry);
		if (sound == nullptr)
			continue;
		const std::string key = CacheKey(entry.file, kind);
		if (const auto cached = sound->cache.find(key); cached != sound->cache.end())
		{
			++cached->second.second;
			continue;
		}
		const std::string path = FindFile(entry.file);
		snd::Sound* created = kind == Kind::kStream ? sound->system->createStream(path, snd::kLoop) : sound->system->createSound(path, snd::k3D);
		sound->cache[key] = {created, 1};
	}
}

SoundTable::Entry SoundTable::ReadEntry(Serializer& serializer)
{
	serializer.EnterNode("", "");
	Entry entry;
	serializer.Read(entry.name).Read(entry.file).Read(entry.volume);
	serializer.LeaveNode();
	return entry;
}

void SoundTable::WriteEntries(Serializer& serializer, const std::vector<Entry>& entries)
{
	for (const Entry& entry : entries)
	{
		serializer.EnterNode("", "effect");
		serializer.Write("Name", entry.name).Write("Filename", entry.file).Write("Volume", entry.volume);
		serializer.LeaveNode();
	}
}

void SoundTable::Serialize(Serializer& serializer) const
{
	WriteEntries(serializer, entries);
}

void SoundTable::Release() const
{
	Sound* sound = FindSound();
	if (sound == nullptr)
		return;
	for (const Entry& entry : entries)
		if (const auto cached = sound->cache.find(CacheKey(entry.file, kind)); cached != sound->cache.end())
			--cached->second.second;
}

bool SoundTable::Contains(const std::string& name) const
{
	return std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) { return entry.name == name; });
}

SoundTable::Entry SoundTable::Lookup(const std::string& name) const
{
	const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) { return entry.name == name; });
	return found != entries.end() ? *found : Entry{name, std::string(), 0.0f};
}

snd::Sound* SoundTable::CachedSound(const std::string& name) const
{
	Sound* sound = FindSound();
	if (sound == nullptr)
		return nullptr;
	const auto cached = sound->cache.find(CacheKey(Lookup(name).file, kind));
	return cached != sound->cache.end() ? cached->second.first : nullptr;
}

void SoundTable::Start(snd::Channel& channel, const std::string& name, snd::ChannelGroup* group, const StartOptions& options) const
{
	Sound* sound = FindSound();
	if (sound == nullptr)
		return;
	// Paused first, so that nothing is heard before the settings are in place.
	channel = sound->system->playSound(CachedSound(name), true);
	channel.setVolume(Lookup(name).volume);
	if (options.position != nullptr && options.velocity != nullptr)
	{
		const snd::Vector position{options.position->x, options.position->y, options.position->z};
		const snd::Vector velocity{options.velocity->x, options.velocity->y, options.velocity->z};
		channel.set3DAttributes(&position, &velocity);
	}
	if (options.maxDistance > 0.0f)
		channel.set3DMinMaxDistance(options.minDistance, options.maxDistance);
	channel.setChannelGroup(group);
	if (options.loop)
		channel.setMode(snd::kLoop);
	channel.setPaused(false);
}

void SoundTable::Start(snd::Channel& channel, const std::string& name, snd::ChannelGroup* group) const
{
	Start(channel, name, group, StartOptions());
}

bool SoundTable::SkipWhilePlaying(const snd::Channel& channel)
{
	return !channel.isPlaying();
}

bool SoundTable::RestartWhilePlaying(const snd::Channel& channel)
{
	if (channel.isPlaying())
		channel.stop();
	return true;
}

Sound* SoundTable::FindSound()
{
	const Engine* engine = Engine::Instance();
	Sound* sound = engine != nullptr ? engine->GetSystem<Sound>() : nullptr;
	return sound != nullptr && sound->system ? sound : nullptr;
}

void SoundTable::JoinUpdates(unsigned objectId)
{
	if (Sound* sound = FindSound())
		sound->soundObjects.insert(objectId);
}

void SoundTable::LeaveUpdates(unsigned objectId)
{
	if (Sound* sound = FindSound())
		sound->soundObjects.erase(objectId);
}

SoundTable::Place SoundTable::PlaceOf(Composition& owner)
{
	Place place;
	if (const Transform* transform = owner.GetComponent<Transform>())
	{
		place.position = transform->GetWorldPosition();
		place.known = true;
	}
	if (const Body* body = owner.GetComponent<Body>())
		place.velocity = body->GetVelocity();
	return place;
}

SoundTable::StartOptions SoundTable::Place::Options() const
{
	StartOptions options;
	if (known)
	{
		options.position = &position;
		options.velocity = &velocity;
	}
	return options;
}

void SoundTable::Place::Move(const snd::Channel& channel) const
{
	if (!known)
		return;
	const snd::Vector where{position.x, position.y, position.z};
	const snd::Vector speed{velocity.x, velocity.y, velocity.z};
	channel.set3DAttributes(&where, &speed);
}
