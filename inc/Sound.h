// Sound: the audio system. It owns the sound layer (snd::System) and everything the sound
// components share: the three channel groups with the volumes and mute the configuration keeps,
// the listener, the cache of component sounds, the interface sounds that pages play through the
// script function "PlaySound", the pause sounds, the shared channels, and the set of objects whose
// sound components it updates every frame. Components reach it with Engine::GetSystem<Sound>() and
// use its public fields directly; without a Sound system they load, save and play nothing.
#pragma once

#include "SoundLibrary/System.h"
#include "System.h"
#include "Utilities/Config.h"
#include "Utilities/HashMap.h"
#include "Utilities/HashSet.h"
#include "Utilities/Tuple.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class Component;

struct __SoundName
{
	static constexpr const char* name = "Sound";
};

class Sound : public SystemBase<Sound, __SoundName>
{
public:
	// An interface or pause sound: its configured volume and, once created, the sound.
	struct S_Struct
	{
		float volume = 0.0f;
		snd::Sound* sound = nullptr;
	};
	// Keyed by configured file name, in the order first configured.
	using NamedSounds = std::vector<std::pair<std::string, S_Struct>>;

	// A sound effect by name, counted by the SoundEffect components that use it; an entry whose
	// count has dropped to 0 is deleted by the next Update.
	struct EffectEntry
	{
		int uses = 1;
		std::string name;
		std::string file;
	};

	// File name as written in the component data -> (sound, number of table entries using it).
	using SoundCache = tw::hash_map<std::string, std::pair<snd::Sound*, int>>;

	// The device the layer opens: tests and headless runs ask for the loopback device.
	explicit Sound(snd::Output output = snd::Output::kDefaultDevice);
	~Sound() override;

	// The ten sound component types, with the component factory; Initialize calls it.
	static void RegisterComponents();

	void LoadConfig(Config& section) override;
	// Registers the sound component types, opens the layer, makes the groups and the interface
	// and pause sounds, applies the volumes and mute and writes them back into the configuration.
	void Initialize() override;
	// Listener, the sound objects' components, the layer's update, the effect-entry purge.
	void Update() override;
	// Stops and releases everything and closes the device.
	void Shutdown() override;
	// Only CreationSoundCount restarts at a level change: sounds, groups and channels live on.
	void Reload() override;

	EffectEntry* AddEffectEntry(const std::string& name, const std::string& file);
	// Plays the interface sound configured under that file name, cutting off the one playing.
	void PlaySound(const std::string& name);
	// Sets the effect (music false) or music volume and keeps it in the configuration.
	void SetVolume(float volume, bool music);
	// Places the listener (the Ear calls this from its Update) and moves the listener channels to it.
	void MoveListener(Tuple3f position, Tuple3f velocity, Tuple3f forward, Tuple3f up);
	// Stores a stream in the ambience table; a stream it replaces is released once nothing plays it.
	void SetAmbienceStream(const std::string& name, snd::Sound* stream);
	snd::Sound* GetAmbienceStream(const std::string& name);

	// The Ear component while one is the listener; it sets and clears this itself.
	Component* listener = nullptr;
	std::unique_ptr<snd::System> system;
	std::vector<std::unique_ptr<EffectEntry>> effects;
	// Effect name -> the sound of the first SoundEffect that named it; emptied at Shutdown with
	// the device whose sounds it holds.
	tw::hash_map<std::string, snd::Sound*> effectSounds;
	SoundCache cache;
	snd::ChannelGroup* sfxGroup = nullptr;
	snd::ChannelGroup* trackGroup = nullptr;
	snd::ChannelGroup* masterGroup = nullptr;
	tw::hash_set<unsigned> soundObjects;
	bool muted = true;
	float savedMasterVolume = 1.0f;
	float effectVolume = 1.0f;
	float musicVolume = 1.0f;
	Tuple3f listenerPos;
	Tuple3f listenerVel;
	Tuple3f listenerForward;
	Tuple3f listenerUp;
	NamedSounds interfaceSounds;
	NamedSounds pauseSounds;
	// Index into pauseSounds of the sound the next resume plays.
	std::size_t nextPauseSound = 0;

	// The shared channels, each written only by the components that own it.
	snd::Channel InterfaceChannel;
	snd::Channel ProgressChannel;
	snd::Channel BossChannel;
	snd::Channel FootStepChannel1;
	snd::Channel FootStepChannel2;
	snd::Channel HPSoundChannel1;
	snd::Channel HPSoundChannel2;
	snd::Channel HPSoundChannel3;
	snd::Channel HPSoundChannel4;
	snd::Channel VoiceChannel1;
	snd::Channel VoiceChannel2;
	// AudioEvent swallows the first "OnCreation" events after a level change with this.
	int CreationSoundCount = 0;

private:
	void OnPause(Message::Reader reader);
	void OnMuteAllSounds(Message::Reader reader);
	void OnLevelLoaded(Message::Reader reader);
	void PlayInterfaceSound(const S_Struct& entry);
	void UpdateSoundObjects();
	void ReleaseRetiredStreams();
	void KeepSettings() const;
	void ReleaseSounds();

	snd::Output output;
	// The "Sound" section the settings came from; the volumes and mute are written back into it.
	Config settings;
	bool configured = false;
	// Entry name -> the stream the Ambience components of that name play.
	tw::hash_map<std::string, snd::Sound*> ambienceStreams;
	// Streams replaced in ambienceStreams while a channel still played them.
	std::vector<snd::Sound*> retiredStreams;
};
