// One frame of sound work as the game does it: 32 positioned channels playing (two of them
// streams), each moved, then the layer's update with 16 ms mixed on the loopback device; beside
// the same work in raw OpenAL calls, and the layer's frame without streams (the difference is the
// cost of refilling two streams). Then the Sound system's frame over 500 sound objects (voices,
// footsteps, player sounds and event sounds, 64 of the voices playing a positioned loop) and an Ear,
// beside the same component updates from a flat array of their pointers.
#include "Components/Sound/AudioEvent.h"
#include "Components/Sound/Ear.h"
#include "Components/Sound/FootStep.h"
#include "Components/Sound/HPSound.h"
#include "Components/Sound/Voice.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Serializer.h"
#include "Sound.h"
#include "SoundLibrary/SampleSounds.h"
#include "SoundLibrary/System.h"
#include "Utilities/SearchPaths.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
	constexpr int kChannels = 32;
	constexpr float kFrame = 0.016f;
	constexpr int kFrameSamples = 768;

	// Written once in a folder of its own and removed when the program ends.
	struct ScratchTone
	{
		ScratchTone()
		{
			std::filesystem::create_directories(folder);
			test::WriteSound(path, test::Tone(440, 0.2f, 2.0f), 1);
		}
		~ScratchTone() { std::filesystem::remove_all(folder); }
		std::string folder = "/tmp/tw-sound-bench-" + std::to_string(::getpid()) + "/";
		std::string path = folder + "tone.wav";
	};

	// Sounds are read only from the game's folders: the tone's folder is made one again, since
	// an engine that went took every search path with it.
	const std::string& ToneFile()
	{
		static const ScratchTone tone;
		AddSearchPath(tone.folder);
		return tone.path;
	}

	snd::Vector Where(int channel, int frame)
	{
		return snd::Vector{static_cast<float>(channel % 8) - 4.0f + 0.01f * static_cast<float>(frame % 100), 0.0f, -static_cast<float>(channel / 8) - 2.0f};
	}

	void LayerFrame(benchmark::State& state, int streams)
	{
		snd::System system(snd::Output::kLoopback);
		snd::Sound* sound = system.createSound(ToneFile(), snd::k3D | snd::kLoop);
		snd::Sound* stream = system.createStream(ToneFile(), snd::k3D | snd::kLoop);
		std::vector<snd::Channel> channels;
		for (int index = 0; index < kChannels; ++index)
			channels.push_back(system.playSound(index < streams ? stream : sound, false));
		int frame = 0;
		for (auto _ : state)
		{
			++frame;
			for (int index = 0; index < kChannels; ++index)
			{
				const snd::Vector position = Where(index, frame);
				const snd::Vector velocity{1.0f, 0.0f, 0.0f};
				channels[static_cast<std::size_t>(index)].set3DAttributes(&position, &velocity);
			}
			system.update(kFrame);
			benchmark::DoNotOptimize(system.LastMix().data());
		}
	}

	void BM_LayerFrame(benchmark::State& state)
	{
		LayerFrame(state, 2);
	}
	BENCHMARK(BM_LayerFrame);

	void BM_LayerFrameWithoutStreams(benchmark::State& state)
	{
		LayerFrame(state, 0);
	}
	BENCHMARK(BM_LayerFrameWithoutStreams);

	// The same frame in OpenAL calls: buffers decoded with libsndfile, two sources fed from a queue
	// of four 0.4 s buffers refilled when played, the loopback device rendered directly.
	void BM_RawOpenALFrame(benchmark::State& state)
	{
		const auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
		const auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
		ALCdevice* device = openLoopback(nullptr);
		const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT, ALC_FREQUENCY, test::kSampleRate, ALC_HRTF_SOFT, ALC_FALSE, 0};
		ALCcontext* context = alcCreateContext(device, attributes);
		alcMakeContextCurrent(context);
		alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);

		SF_INFO info{};
		SNDFILE* file = sf_open(ToneFile().c_str(), SFM_READ, &info);
		std::vector<float> samples(static_cast<std::size_t>(info.frames));
		sf_readf_float(file, samples.data(), info.frames);
		sf_close(file);
		ALuint buffer = 0;
		alGenBuffers(1, &buffer);
		alBufferData(buffer, AL_FORMAT_MONO_FLOAT32, samples.data(), static_cast<ALsizei>(samples.size() * sizeof(float)), info.samplerate);

		std::array<ALuint, kChannels> sources{};
		alGenSources(kChannels, sources.data());
		struct Feed { SNDFILE* file; std::array<ALuint, 4> buffers; };
		std::array<Feed, 2> feeds{};
		std::vector<float> chunk(static_cast<std::size_t>(0.4f * static_cast<float>(info.samplerate)));
		auto fill = [&](Feed& feed, ALuint source, ALuint target) {
			sf_count_t read = sf_readf_float(feed.file, chunk.data(), static_cast<sf_count_t>(chunk.size()));
			if (read < static_cast<sf_count_t>(chunk.size()))
			{
				sf_seek(feed.file, 0, SEEK_SET);
				read += sf_readf_float(feed.file, chunk.data() + read, static_cast<sf_count_t>(chunk.size()) - read);
			}
			alBufferData(target, AL_FORMAT_MONO_FLOAT32, chunk.data(), static_cast<ALsizei>(read * static_cast<sf_count_t>(sizeof(float))), info.samplerate);
			alSourceQueueBuffers(source, 1, &target);
		};
		for (std::size_t index = 0; index < feeds.size(); ++index)
		{
			SF_INFO streamInfo{};
			feeds[index].file = sf_open(ToneFile().c_str(), SFM_READ, &streamInfo);
			alGenBuffers(4, feeds[index].buffers.data());
			for (const ALuint target : feeds[index].buffers)
				fill(feeds[index], sources[index], target);
		}
		for (std::size_t index = feeds.size(); index < sources.size(); ++index)
		{
			alSourcei(sources[index], AL_BUFFER, static_cast<ALint>(buffer));
			alSourcei(sources[index], AL_LOOPING, AL_TRUE);
		}
		alSourcePlayv(kChannels, sources.data());

		std::vector<float> mix(2 * kFrameSamples);
		int frame = 0;
		for (auto _ : state)
		{
			++frame;
			for (int index = 0; index < kChannels; ++index)
			{
				const snd::Vector position = Where(index, frame);
				alSource3f(sources[static_cast<std::size_t>(index)], AL_POSITION, position.x, position.y, position.z);
				alSource3f(sources[static_cast<std::size_t>(index)], AL_VELOCITY, 1.0f, 0.0f, 0.0f);
			}
			for (std::size_t index = 0; index < feeds.size(); ++index)
			{
				ALint processed = 0;
				alGetSourcei(sources[index], AL_BUFFERS_PROCESSED, &processed);
				for (; processed > 0; --processed)
				{
					ALuint target = 0;
					alSourceUnqueueBuffers(sources[index], 1, &target);
					fill(feeds[index], sources[index], target);
				}
			}
			render(device, mix.data(), kFrameSamples);
			benchmark::DoNotOptimize(mix.data());
		}

		alDeleteSources(kChannels, sources.data());
		for (Feed& feed : feeds)
		{
			alDeleteBuffers(4, feed.buffers.data());
			sf_close(feed.file);
		}
		alDeleteBuffers(1, &buffer);
		alcMakeContextCurrent(nullptr);
		alcDestroyContext(context);
		alcCloseDevice(device);
	}
	BENCHMARK(BM_RawOpenALFrame);

	constexpr int kSoundObjects = 500;
	constexpr int kPlayingVoices = 64;

	// An engine whose Sound system mixes on the loopback device, unmuted, with the sound objects.
	class SoundWorld
	{
	public:
		SoundWorld()
		{
			const std::filesystem::path user = std::filesystem::temp_directory_path() / ("SoundBenchUser" + std::to_string(::getpid()));
			std::filesystem::create_directories(user);
			std::ofstream(user / "Tumblewreck.cfg") << "<Config><Sound><Mute>false</Mute></Sound></Config>";
			engine = std::make_unique<Engine>("", user.string() + "/", "Tumblewreck.cfg");
			sound = new Sound(snd::Output::kLoopback);
			engine->AddSystem(sound);
			const std::string loop = "<effect><string name=\"Name\">ContinuousSound</string><string name=\"Filename\">" + ToneFile() +
				"</string><float name=\"Volume\">1</float></effect>";
			components.push_back(Add(Ear::TypeId(), "", 0));
			const unsigned types[] = {Voice::TypeId(), FootStep::TypeId(), HPSound::TypeId(), AudioEvent::TypeId()};
			int voices = 0;
			for (int index = 0; index < kSoundObjects; ++index)
			{
				const unsigned type = types[index % 4];
				const bool playing = type == Voice::TypeId() && voices++ < kPlayingVoices;
				components.push_back(Add(type, playing ? loop : "", index));
			}
		}
		~SoundWorld()
		{
			DestroyAllObjects();
			engine->Shutdown();
		}

		// A started object with a Transform on a grid about the listener, carrying the component.
		Component* Add(unsigned typeId, const std::string& values, int index)
		{
			static int documents = 0;
			const Object object = CreateObject("Speaker");
			object.object->AddComponent(Transform::TypeId());
			const snd::Vector where = Where(index, 0);
			object.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(where.x, where.y, where.z));
			std::istringstream text("<Component>" + values + "</Component>");
			Serializer serializer;
			serializer.LoadFromStream(text, "SoundBenchComponent" + std::to_string(++documents));
			object.object->AddComponent(typeId, serializer);
			object.object->Start();
			return object.object->GetComponent(typeId);
		}

		// How many voices play their loop.
		double Playing() const
		{
			int playing = 0;
			for (Component* component : components)
				if (component->GetTypeId() == Voice::TypeId() && static_cast<Voice*>(component)->continuousChannel.isPlaying())
					++playing;
			return playing;
		}

		std::unique_ptr<Engine> engine;
		// Owned by the engine.
		Sound* sound = nullptr;
		// The Ear first, then the sound objects' components in the order they were made.
		std::vector<Component*> components;
	};

	void BM_SoundSystemUpdate(benchmark::State& state)
	{
		SoundWorld world;
		world.sound->Update();
		for (auto _ : state)
			world.sound->Update();
		state.counters["playing"] = world.Playing();
	}
	BENCHMARK(BM_SoundSystemUpdate)->Unit(benchmark::kMicrosecond);

	// The same components updated from a flat array, then the same layer update.
	void BM_FlatComponentArray(benchmark::State& state)
	{
		SoundWorld world;
		world.sound->Update();
		for (auto _ : state)
		{
			for (Component* component : world.components)
				component->Update();
			world.sound->system->update(kFrame);
		}
		state.counters["playing"] = world.Playing();
	}
	BENCHMARK(BM_FlatComponentArray)->Unit(benchmark::kMicrosecond);
}
