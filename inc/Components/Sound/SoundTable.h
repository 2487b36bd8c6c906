// SoundTable: what every sound component with named sounds shares. The table maps a sound name
// ("Jump", "StartTrack") to the file written in the data and its volume; loading it registers each
// file in the Sound system's cache (created once, counted per entry), and the start sequence plays
// an entry on a channel: started paused, given its volume, position, group and loop, then unpaused.
// The static helpers are how every sound component finds the Sound system and joins or leaves its
// per-frame update; without a Sound system a table loads and saves and plays nothing.
#pragma once

#include "SoundLibrary/Channel.h"
#include "Utilities/Tuple.h"

#include <string>
#include <vector>

class Composition;
class Serializer;
class Sound;
namespace snd
{
	class ChannelGroup;
	class Sound;
}

class SoundTable
{
public:
	struct Entry
	{
		std::string name;
		// As written in the data; the cache's key.
		std::string file;
		float volume = 1.0f;
	};

	// Sounds are decoded whole and positioned; streams (music) loop and are decoded as they play.
	enum class Kind
	{
		kSound,
		kStream,
	};

	// What the start sequence sets besides volume and group.
	struct StartOptions
	{
		// Both given for positioned sounds.
		const Tuple3f* position = nullptr;
		const Tuple3f* velocity = nullptr;
		// Set (maximum above 0) only by the sounds that must carry further than the default.
		float minDistance = 0.0f;
		float maxDistance = 0.0f;
		bool loop = false;
	};

	// Where an object's sounds play: its world position and its body's velocity. An object
	// without a Transform has no place (its sounds play without 3-D attributes); without a Body
	// its velocity is 0.
	struct Place
	{
		Tuple3f position;
		Tuple3f velocity;
		bool known = false;

		// Positioned at this place when it is known.
		StartOptions Options() const;
		// Moves the channel here when the place is known.
		void Move(const snd::Channel& channel) const;
	};
	static Place PlaceOf(Composition& owner);

	// Reads every child element (whatever its name) as name, file, volume by position. A repeated
	// name keeps the last file and volume; the cache counts the file of every element read.
	void Load(Serializer& serializer, Kind kind);
	// Enters the next child element and reads its name, file and volume by position.
	static Entry ReadEntry(Serializer& serializer);
	// One element "effect" with "Name", "Filename", "Volume" per entry, in order.
	static void WriteEntries(Serializer& serializer, const std::vector<Entry>& entries);
	// One element "effect" with "Name", "Filename", "Volume" per entry, in load order.
	void Serialize(Serializer& serializer) const;
	// Lowers the cache count of every entry's file; the sounds stay until the Sound system shuts down.
	void Release() const;

	bool Contains(const std::string& name) const;
	// The entry of that name; an empty file and volume 0 when there is none.
	Entry Lookup(const std::string& name) const;
	const std::vector<Entry>& Entries() const { return entries; }
	// The cached sound of the entry's file (null when the entry or the sound is missing).
	snd::Sound* CachedSound(const std::string& name) const;

	// The start sequence: plays the named entry on the channel (overwriting the handle), in group.
	void Start(snd::Channel& channel, const std::string& name, snd::ChannelGroup* group, const StartOptions& options) const;
	// The same, not positioned and played once.
	void Start(snd::Channel& channel, const std::string& name, snd::ChannelGroup* group) const;
	// The skip rule: true (start) only when the channel is not playing.
	static bool SkipWhilePlaying(const snd::Channel& channel);
	// The restart rule: stops the channel when it plays; always true.
	static bool RestartWhilePlaying(const snd::Channel& channel);

	// The engine's Sound system once its sound layer is open; else null.
	static Sound* FindSound();
	// Enters or removes the object in the Sound system's per-frame update.
	static void JoinUpdates(unsigned objectId);
	static void LeaveUpdates(unsigned objectId);

	// The cache's key of a file loaded as that kind: a file used both ways has an entry of each.
	static std::string CacheKey(const std::string& file, Kind kind);

private:
	std::vector<Entry> entries;
	Kind kind = Kind::kSound;
};
