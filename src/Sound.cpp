#include "Sound.h"

#include "Component.h"
#include "Components/Sound/Ambience.h"
#include "Components/Sound/AudioEvent.h"
#include "Components/Sound/BossSFX.h"
#include "Components/Sound/Ear.h"
#include "Components/Sound/FootStep.h"
#include "Components/Sound/HPSound.h"
#include "Components/Sound/MusicTrack.h"
#include "Components/Sound/SoundEffect.h"
#include "Components/Sound/Voice.h"
#include "Composition.h"
#include "FrameTimer.h"
#include "Engine.h"
#include "Object.h"
#include "SoundLibrary/ChannelGroup.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/JavaScript.h"
#include "Utilities/SearchPaths.h"

#include <algorithm>

namespace
{
	constexpr const char* kInterfaceKeys[] = {"StartLevel", "RestartLevel", "Quit", "ButtonClick"};
	constexpr int kPauseSounds = 5;

	snd::Vector ToVector(const Tuple3f& tuple)
	{
		return snd::Vector{tuple.x, tuple.y, tuple.z};
	}

	// The entry of that file name, added as {0, null} when there is none.
	Sound::S_Struct& FindOrInsert(Sound::NamedSounds& sounds, const std::string& file)
	{
		const auto found = std::find_if(sounds.begin(), sounds.end(), [&](const auto& entry) { return entry.first == file; });
		if (found != sounds.end())
			return found->second;
		sounds.emplace_back(file, Sound::S_Struct{});
		return sounds.back().second;
	}

	// A configured volume brought into 0..1; one out of range is reported and written back clamped,
	// so that the saved configuration holds what is played.
	float ConfiguredVolume(Config& section, const std::string& key)
	{
		const float read = section.GetFloat(key, 1.0f);
		const float volume = snd::ClampVolume(read);
		if (volume != read)
		{
			tw::Diagnostics::Report("Sound configuration: \"" + key + "\" " + std::to_string(read) + " is outside 0 to 1; " +
				std::to_string(volume) + " is used");
			section.SetFloat(key, volume);
		}
		return volume;
	}

	template <class T>
	void UpdateIfPresent(Composition& object)
	{
		if (Component* component = object.GetComponent<T>())
			component->Update();
	}

	// The global script function "PlaySound": pages play the interface sounds by name.
	void PlaySoundFromScript(const std::string& name)
	{
		Engine* engine = Engine::Instance();
		if (Sound* sound = engine != nullptr ? engine->GetSystem<Sound>() : nullptr)
			sound->PlaySound(name);
	}

	[[maybe_unused]] const bool playSoundRegistered = RegisterJSGlobalFunction(&PlaySoundFromScript, "PlaySound");
}

Sound::Sound(snd::Output output) : output(output)
{
}

Sound::~Sound()
{
	Shutdown();
}

void Sound::LoadConfig(Config& section)
{
	settings = section;
	configured = true;
	effectVolume = ConfiguredVolume(section, "EffectVolume");
	musicVolume = ConfiguredVolume(section, "MusicVolume");
	muted = section.GetBool("Mute", true);
	// Entries are keyed by file name: two keys naming one file share an entry, the later volume wins.
	for (const char* key : kInterfaceKeys)
	{
		const std::string file = section.GetString(key, "");
		FindOrInsert(interfaceSounds, file).volume = ConfiguredVolume(section, std::string(key) + "Volume");
	}
	for (int index = 1; index <= kPauseSounds; ++index)
	{
		const std::string file = section.GetString("Pause" + std::to_string(index), "");
		FindOrInsert(pauseSounds, file).volume = ConfiguredVolume(section, "PauseVolume" + std::to_string(index));
	}
}

void Sound::RegisterComponents()
{
	// In this order.
	SoundEffect::Register();
	MusicTrack::Register();
	Ear::Register();
	SoundMaterial::Register();
	FootStep::Register();
	Voice::Register();
	HPSound::Register();
	AudioEvent::Register();
	BossSFX::Register();
	Ambience::Register();
}

void Sound::Initialize()
{
	RegisterComponents();

	// Initialising twice must not orphan the sounds of the first layer.
	Shutdown();
	listener = nullptr;
	system = std::make_unique<snd::System>(output);
	sfxGroup = system->createChannelGroup("SFXGroup");
	trackGroup = system->createChannelGroup("TrackGroup");
	masterGroup = system->createChannelGroup("MasterGroup");
	masterGroup->addGroup(sfxGroup);
	masterGroup->addGroup(trackGroup);

	RegisterHandler("Pause", &Sound::OnPause);
	RegisterHandler("MuteAllSounds", &Sound::OnMuteAllSounds);
	RegisterHandler("LevelLoaded", &Sound::OnLevelLoaded);

	sfxGroup->setVolume(effectVolume);
	trackGroup->setVolume(musicVolume);
	savedMasterVolume = masterGroup->getVolume();
	if (muted)
		masterGroup->setVolume(0.0f);
	KeepSettings();

	for (NamedSounds* sounds : {&interfaceSounds, &pauseSounds})
		for (auto& [file, entry] : *sounds)
			// Unset keys share the entry "": silence, not a missing file.
			entry.sound = file.empty() ? nullptr : system->createSound(FindFile(file), snd::kDefault);
	nextPauseSound = 0;

	for (snd::Channel* channel : {&InterfaceChannel, &ProgressChannel, &BossChannel, &FootStepChannel1, &FootStepChannel2, &HPSoundChannel1,
								  &HPSoundChannel2, &HPSoundChannel3, &HPSoundChannel4, &VoiceChannel1, &VoiceChannel2})
		*channel = snd::Channel();
	CreationSoundCount = 0;
}

void Sound::Update()
{
	if (!system)
		return;
	// The Ear's Update hands its vectors to MoveListener.
	if (listener != nullptr)
		listener->Update();
	UpdateSoundObjects();
	// The real time, not the frame time capped for animation: below 15 frames a second the
	// loopback mix would otherwise fall behind, and sounds outlast their length.
	const double elapsed = FrameTimer::Instance().GetElapsedTime();
	system->update(elapsed > 0.0 ? static_cast<float>(elapsed) : FrameTimer::kFrameMilliseconds / 1000.0f);
	std::erase_if(effects, [](const std::unique_ptr<EffectEntry>& entry) { return entry->uses == 0; });
	ReleaseRetiredStreams();
}

void Sound::UpdateSoundObjects()
{
	std::vector<unsigned> gone;
	for (const unsigned id : soundObjects)
	{
		const Object object = ObjectFromId(id);
		if (object.IsDummy())
		{
			gone.push_back(id);
			continue;
		}
		// In this order; SoundEffect has nothing to update.
		UpdateIfPresent<MusicTrack>(*object.object);
		UpdateIfPresent<Ear>(*object.object);
		UpdateIfPresent<SoundMaterial>(*object.object);
		UpdateIfPresent<FootStep>(*object.object);
		UpdateIfPresent<Voice>(*object.object);
		UpdateIfPresent<HPSound>(*object.object);
		UpdateIfPresent<AudioEvent>(*object.object);
		UpdateIfPresent<BossSFX>(*object.object);
		UpdateIfPresent<Ambience>(*object.object);
	}
	for (const unsigned id : gone)
		soundObjects.erase(id);
}

void Sound::ReleaseRetiredStreams()
{
	std::erase_if(retiredStreams, [this](snd::Sound* stream) {
		if (system->ChannelsPlaying(stream) > 0)
			return false;
		stream->release();
		return true;
	});
}

void Sound::Shutdown()
{
	if (!system)
		return;
	ReleaseSounds();
	system.reset();
	sfxGroup = trackGroup = masterGroup = nullptr;
	listener = nullptr;
	effects.clear();
	soundObjects.clear();
	for (NamedSounds* sounds : {&interfaceSounds, &pauseSounds})
		for (auto& [file, entry] : *sounds)
			entry.sound = nullptr;
}

void Sound::ReleaseSounds()
{
	for (auto& [file, entry] : cache)
		if (entry.first != nullptr)
			entry.first->release();
	cache.clear();
	for (auto& [name, effect] : effectSounds)
		if (effect != nullptr)
			effect->release();
	effectSounds.clear();
	for (NamedSounds* sounds : {&interfaceSounds, &pauseSounds})
		for (auto& [file, entry] : *sounds)
			if (entry.sound != nullptr)
				entry.sound->release();
	for (auto& [name, stream] : ambienceStreams)
		if (stream != nullptr)
			stream->release();
	ambienceStreams.clear();
	for (snd::Sound* stream : retiredStreams)
		stream->release();
	retiredStreams.clear();
}

void Sound::Reload()
{
	CreationSoundCount = 0;
}

Sound::EffectEntry* Sound::AddEffectEntry(const std::string& name, const std::string& file)
{
	effects.push_back(std::make_unique<EffectEntry>(EffectEntry{1, name, file}));
	return effects.back().get();
}

void Sound::PlaySound(const std::string& name)
{
	const auto found = std::find_if(interfaceSounds.begin(), interfaceSounds.end(), [&](const auto& entry) { return entry.first == name; });
	if (found == interfaceSounds.end() || !system)
		return;
	if (InterfaceChannel.isPlaying())
		InterfaceChannel.stop();
	PlayInterfaceSound(found->second);
}

void Sound::PlayInterfaceSound(const S_Struct& entry)
{
	InterfaceChannel = system->playSound(entry.sound, true);
	InterfaceChannel.setVolume(entry.volume);
	InterfaceChannel.setChannelGroup(sfxGroup);
	InterfaceChannel.setPaused(false);
}

void Sound::SetVolume(float volume, bool music)
{
	(music ? musicVolume : effectVolume) = snd::ClampVolume(volume);
	if (snd::ChannelGroup* group = music ? trackGroup : sfxGroup)
		group->setVolume(volume);
	KeepSettings();
}

void Sound::MoveListener(Tuple3f position, Tuple3f velocity, Tuple3f forward, Tuple3f up)
{
	listenerPos = position;
	listenerVel = velocity;
	listenerForward = forward.NormalizeThis();
	listenerUp = up.NormalizeThis();
	if (!system)
		return;
	const snd::Vector where = ToVector(listenerPos);
	const snd::Vector speed = ToVector(listenerVel);
	const snd::Vector ahead = ToVector(listenerForward);
	const snd::Vector above = ToVector(listenerUp);
	system->set3DListenerAttributes(&where, &speed, &ahead, &above);
	// Sounds on these channels are heard at the listener, wherever their objects are.
	for (const snd::Channel* channel : {&ProgressChannel, &FootStepChannel1, &FootStepChannel2, &HPSoundChannel1, &HPSoundChannel3,
										&HPSoundChannel2, &HPSoundChannel4, &VoiceChannel1, &VoiceChannel2})
		channel->set3DAttributes(&where, &speed);
}

void Sound::SetAmbienceStream(const std::string& name, snd::Sound* stream)
{
	snd::Sound*& stored = ambienceStreams[name];
	if (stored != nullptr && stored != stream)
	{
		if (system && system->ChannelsPlaying(stored) > 0)
			retiredStreams.push_back(stored);
		else
			stored->release();
	}
	stored = stream;
}

snd::Sound* Sound::GetAmbienceStream(const std::string& name)
{
	const auto found = ambienceStreams.find(name);
	return found != ambienceStreams.end() ? found->second : nullptr;
}

void Sound::OnPause(Message::Reader reader)
{
	const bool paused = reader.Read<bool>();
	// The handlers outlive a shut-down layer in the system's table.
	if (!system)
		return;
	// Every level start sends "Pause"(false) though nothing was paused: only a change of state
	// may cut off the interface sound or play a pause sound.
	if (paused == masterGroup->getPaused())
		return;
	if (InterfaceChannel.isPlaying())
		InterfaceChannel.stop();
	masterGroup->setPaused(paused);
	if (paused || pauseSounds.empty())
		return;
	PlayInterfaceSound(pauseSounds[nextPauseSound].second);
	nextPauseSound = (nextPauseSound + 1) % pauseSounds.size();
}

void Sound::OnMuteAllSounds(Message::Reader)
{
	if (!system)
		return;
	if (!muted)
	{
		savedMasterVolume = masterGroup->getVolume();
		masterGroup->setVolume(0.0f);
	}
	else
		masterGroup->setVolume(savedMasterVolume);
	muted = !muted;
	KeepSettings();
}

void Sound::OnLevelLoaded(Message::Reader)
{
}

void Sound::KeepSettings() const
{
	if (!configured)
		return;
	settings.SetFloat("EffectVolume", effectVolume);
	settings.SetFloat("MusicVolume", musicVolume);
	settings.SetBool("Mute", muted);
}
