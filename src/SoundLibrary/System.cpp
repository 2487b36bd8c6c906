#include "SoundLibrary/System.h"

#include "Platform/OpenedFile.h"
#include "Platform/QuietErrorStream.h"
#include "Utilities/BinaryFile.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/SearchPaths.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace snd
{
	namespace
	{
		// A longer sound is cut there: a damaged or hostile file cannot make the decoder fill memory.
		constexpr int kMaxSoundSeconds = 300;
		constexpr std::size_t kDecodeChunkFrames = 4096;
		// Longer updates are rendered in slices, refilling the streams between them.
		constexpr float kRenderSliceSeconds = 0.1f;
		// A stall longer than this is not made up for: the loopback mix is heard by nobody.
		constexpr float kMaxUpdateSeconds = 1.0f;

		// The file opened once, when it lies inside the game's folders and is a regular file; the
		// check is of what was opened, so a link swapped afterwards leads nowhere.
		std::shared_ptr<const OpenedFile> OpenSoundFile(const std::string& path, std::string& problem)
		{
			auto file = std::make_shared<const OpenedFile>(path);
			if (!GetSearchPaths().Holds(file->IsOpen() ? file->RealPath() : path))
				problem = "it lies outside the game's folders";
			else if (CheckOpenedFile(*file, problem))
				return file;
			return nullptr;
		}

		bool IsFiniteVector(const Vector& vector)
		{
			return std::isfinite(vector.x) && std::isfinite(vector.y) && std::isfinite(vector.z);
		}
	}

	System::System(Output output) : master(*this, "master", nullptr)
	{
		OpenDevice(output);
		if (context == nullptr)
			return;
		alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
		for (Slot& slot : slots)
		{
			alGenSources(1, &slot.source);
			if (alGetError() != AL_NO_ERROR)
			{
				slot.source = 0;
				break;
			}
		}
	}

	System::~System()
	{
		if (context == nullptr)
			return;
		MakeCurrent();
		for (Slot& slot : slots)
		{
			Free(slot);
			if (slot.source != 0)
				alDeleteSources(1, &slot.source);
		}
		for (const std::unique_ptr<Sound>& sound : sounds)
			if (sound->buffer != 0)
				alDeleteBuffers(1, &sound->buffer);
		alcMakeContextCurrent(nullptr);
		alcDestroyContext(context);
		alcCloseDevice(device);
	}

	void System::OpenDevice(Output output)
	{
		if (output == Output::kDefaultDevice)
		{
			{
				// Without a sound card ALSA and OpenAL print a dozen lines of their own; the line
				// below says it once.
				const Platform::QuietErrorStream quiet;
				device = alcOpenDevice(nullptr);
			}
			if (device != nullptr)
			{
				context = alcCreateContext(device, nullptr);
				alcMakeContextCurrent(context);
				alcGetIntegerv(device, ALC_FREQUENCY, 1, &sampleRate);
				return;
			}
			std::cerr << "Sound: no audio device opens; sounds are mixed on OpenAL Soft's loopback device and not heard\n";
		}
		OpenLoopback();
	}

	void System::OpenLoopback()
	{
		if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE)
		{
			std::cerr << "Sound: OpenAL has no loopback device; nothing will be played\n";
			return;
		}
		const auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
		device = openLoopback(nullptr);
		if (device == nullptr)
			return;
		// No head-related filtering: the mix is read as plain stereo.
		const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT, ALC_FREQUENCY, kLoopbackRate, ALC_HRTF_SOFT, ALC_FALSE, 0};
		context = alcCreateContext(device, attributes);
		if (context == nullptr)
		{
			alcCloseDevice(device);
			device = nullptr;
			return;
		}
		alcMakeContextCurrent(context);
		renderSamples = reinterpret_cast<RenderSamples>(alcGetProcAddress(device, "alcRenderSamplesSOFT"));
		sampleRate = kLoopbackRate;
	}

	void System::MakeCurrent() const
	{
		if (context != nullptr && alcGetCurrentContext() != context)
			alcMakeContextCurrent(context);
	}

	ChannelGroup* System::createChannelGroup(const std::string& name)
	{
		groups.push_back(std::make_unique<ChannelGroup>(*this, name, &master));
		return groups.back().get();
	}

	Sound* System::createSound(const std::string& path, unsigned mode)
	{
		return Load(Source{path, nullptr}, path, mode, false);
	}

	Sound* System::createStream(const std::string& path, unsigned mode)
	{
		return Load(Source{path, nullptr}, path, mode, true);
	}

	Sound* System::createSound(std::vector<unsigned char> bytes, const std::string& name, unsigned mode, bool streamed)
	{
		return Load(Source{std::string(), std::make_shared<const std::vector<unsigned char>>(std::move(bytes))}, name, mode, streamed);
	}

	Sound* System::Load(Source source, const std::string& name, unsigned mode, bool streamed)
	{
		if (context == nullptr)
			return nullptr;
		// A named file is opened only inside the game's folders (a level made by someone else names
		// its own sounds) and only when it is a regular file: a FIFO would hang the game, and a
		// device never ends.
		if (std::string problem; !source.path.empty() && !(source.file = OpenSoundFile(source.path, problem)))
		{
			tw::Diagnostics::Report("Sound file \"" + name + "\" cannot be played: " + problem);
			return nullptr;
		}
		MakeCurrent();
		auto sound = std::make_unique<Sound>(*this, std::move(source), mode, streamed);
		SoundFile file(sound->GetSource(), sound->OutputChannels());
		if (!file.IsOpen())
		{
			tw::Diagnostics::ReportOnce("Sound file \"" + name + "\" cannot be played: " + file.Error());
			return nullptr;
		}
		if (!streamed)
		{
			const std::size_t channels = static_cast<std::size_t>(file.OutputChannels());
			const std::size_t maxFrames = static_cast<std::size_t>(file.SampleRate()) * kMaxSoundSeconds;
			std::vector<float> samples;
			std::size_t frames = 0;
			for (std::size_t read = 1; read > 0 && frames < maxFrames; frames += read)
			{
				samples.resize((frames + kDecodeChunkFrames) * channels);
				read = file.Read(samples.data() + frames * channels, std::min(kDecodeChunkFrames, maxFrames - frames));
			}
			if (frames == 0)
			{
				tw::Diagnostics::ReportOnce("Sound file \"" + name + "\" cannot be played: it holds no sound");
				return nullptr;
			}
			if (frames >= maxFrames)
				tw::Diagnostics::Report("Sound file \"" + name + "\" is longer than " + std::to_string(kMaxSoundSeconds) + " s: the rest is not played");
			alGenBuffers(1, &sound->buffer);
			alBufferData(sound->buffer, channels == 2 ? AL_FORMAT_STEREO_FLOAT32 : AL_FORMAT_MONO_FLOAT32, samples.data(),
						 static_cast<ALsizei>(frames * channels * sizeof(float)), file.SampleRate());
			sound->ForgetSource();
		}
		sounds.push_back(std::move(sound));
		return sounds.back().get();
	}

	void System::release(Sound* sound)
	{
		const auto found = std::find_if(sounds.begin(), sounds.end(), [sound](const std::unique_ptr<Sound>& held) { return held.get() == sound; });
		if (found == sounds.end())
			return;
		MakeCurrent();
		for (Slot& slot : slots)
			if (slot.active && slot.sound == sound)
				Free(slot);
		if (sound->buffer != 0)
			alDeleteBuffers(1, &sound->buffer);
		sounds.erase(found);
	}

	Channel System::playSound(Sound* sound, bool paused)
	{
		if (sound == nullptr)
			return Channel();
		MakeCurrent();
		auto isFree = [](const Slot& slot) { return !slot.active && slot.source != 0; };
		auto found = std::find_if(slots.begin(), slots.end(), isFree);
		if (found == slots.end())
		{
			for (Slot& slot : slots)
				StillPlaying(slot);
			found = std::find_if(slots.begin(), slots.end(), isFree);
		}
		if (found == slots.end())
			return Channel();
		Slot& slot = *found;
		const ALuint source = slot.source;
		alSourcei(source, AL_BUFFER, 0);
		alSourcei(source, AL_LOOPING, sound->Loops() && !sound->IsStream() ? AL_TRUE : AL_FALSE);
		// Two-dimensional sounds are stereo at the listener, their channels sent straight out.
		alSourcei(source, AL_SOURCE_RELATIVE, sound->Is3D() ? AL_FALSE : AL_TRUE);
		alSourcei(source, AL_DIRECT_CHANNELS_SOFT, sound->Is3D() ? AL_FALSE : AL_TRUE);
		alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
		alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
		alSourcef(source, AL_REFERENCE_DISTANCE, kDefaultMinDistance);
		alSourcef(source, AL_MAX_DISTANCE, kDefaultMaxDistance);
		if (sound->IsStream())
		{
			slot.stream = std::make_unique<Stream>(*sound, source, sound->Loops());
			if (slot.stream->Failed())
			{
				slot.stream.reset();
				return Channel();
			}
		}
		else
			alSourcei(source, AL_BUFFER, static_cast<ALint>(sound->buffer));
		slot.active = true;
		slot.paused = paused;
		slot.volume = 1.0f;
		slot.group = nullptr;
		slot.sound = sound;
		Apply(slot);
		return Channel(this, static_cast<int>(found - slots.begin()), slot.generation);
	}

	void System::set3DListenerAttributes(const Vector* position, const Vector* velocity, const Vector* forward, const Vector* up)
	{
		if (context == nullptr)
			return;
		MakeCurrent();
		if (position != nullptr && IsFiniteVector(*position))
			alListener3f(AL_POSITION, position->x, position->y, position->z);
		if (velocity != nullptr && IsFiniteVector(*velocity))
			alListener3f(AL_VELOCITY, velocity->x, velocity->y, velocity->z);
		if (forward == nullptr && up == nullptr)
			return;
		ALfloat orientation[6] = {};
		alGetListenerfv(AL_ORIENTATION, orientation);
		if (forward != nullptr && IsFiniteVector(*forward))
			std::copy_n(&forward->x, 3, orientation);
		if (up != nullptr && IsFiniteVector(*up))
			std::copy_n(&up->x, 3, orientation + 3);
		alListenerfv(AL_ORIENTATION, orientation);
	}

	void System::update(float seconds)
	{
		if (context == nullptr)
			return;
		MakeCurrent();
		lastMix.clear();
		float left = std::isfinite(seconds) ? std::clamp(seconds, 0.0f, kMaxUpdateSeconds) : 0.0f;
		do
		{
			for (Slot& slot : slots)
				if (slot.active && slot.stream)
					slot.stream->Refill();
			const float slice = std::min(left, kRenderSliceSeconds);
			if (IsLoopback())
				Render(slice);
			left -= slice;
		} while (left > 0.0f);
		for (Slot& slot : slots)
			StillPlaying(slot);
	}

	void System::Render(float seconds)
	{
		const std::size_t frames = static_cast<std::size_t>(std::lround(seconds * static_cast<float>(sampleRate)));
		if (frames == 0)
			return;
		const std::size_t start = lastMix.size();
		lastMix.resize(start + 2 * frames);
		renderSamples(device, lastMix.data() + start, static_cast<int>(frames));
	}

	int System::ChannelsPlaying(const Sound* sound)
	{
		MakeCurrent();
		return static_cast<int>(std::count_if(slots.begin(), slots.end(), [&](Slot& slot) { return slot.sound == sound && StillPlaying(slot); }));
	}

	System::Slot* System::Target(const Channel& channel)
	{
		if (channel.system == nullptr || channel.slot < 0 || channel.slot >= kMaxChannels)
			return nullptr;
		Slot& found = channel.system->slots[static_cast<std::size_t>(channel.slot)];
		if (!found.active || found.generation != channel.generation)
			return nullptr;
		channel.system->MakeCurrent();
		return &found;
	}

	bool System::StillPlaying(Slot& slot)
	{
		if (!slot.active)
			return false;
		ALint state = AL_STOPPED;
		alGetSourcei(slot.source, AL_SOURCE_STATE, &state);
		// A stream that ran dry is not over: its next refill starts it again.
		if (state != AL_STOPPED || (slot.stream && !slot.stream->Finished()))
			return true;
		Free(slot);
		return false;
	}

	void System::Free(Slot& slot)
	{
		if (!slot.active)
			return;
		alSourceStop(slot.source);
		slot.stream.reset();
		// Back to the initial state: a stopped source would not start again when played next.
		alSourceRewind(slot.source);
		alSourcei(slot.source, AL_BUFFER, 0);
		slot.active = false;
		slot.sound = nullptr;
		slot.group = nullptr;
		++slot.generation;
	}

	void System::Apply(Slot& slot)
	{
		const ChannelGroup& group = slot.group != nullptr ? *slot.group : master;
		alSourcef(slot.source, AL_GAIN, slot.volume * group.EffectiveVolume());
		ALint state = AL_STOPPED;
		alGetSourcei(slot.source, AL_SOURCE_STATE, &state);
		if (slot.paused || group.EffectivelyPaused())
		{
			if (state == AL_PLAYING)
				alSourcePause(slot.source);
		}
		else if (state == AL_INITIAL || state == AL_PAUSED)
			alSourcePlay(slot.source);
	}

	void System::ApplyGroupSettings()
	{
		MakeCurrent();
		for (Slot& slot : slots)
			if (slot.active)
				Apply(slot);
	}

	void Sound::release()
	{
		owner.release(this);
	}
}
