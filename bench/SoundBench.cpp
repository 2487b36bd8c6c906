// One frame of sound work as the game does it: 32 positioned channels playing (two of them
// streams), each moved, then the layer's update with 16 ms mixed on the loopback device; beside
// the same work in raw OpenAL calls, and the layer's frame without streams (the difference is the
// cost of refilling two streams).
#include "SoundLibrary/SampleSounds.h"
#include "SoundLibrary/System.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
	constexpr int kChannels = 32;
	constexpr float kFrame = 0.016f;
	constexpr int kFrameSamples = 768;

	// Written once and removed when the program ends.
	struct ScratchTone
	{
		ScratchTone() { test::WriteSound(path, test::Tone(440, 0.2f, 2.0f), 1); }
		~ScratchTone() { std::remove(path.c_str()); }
		std::string path = "/tmp/tw-sound-bench-" + std::to_string(::getpid()) + ".wav";
	};

	const std::string& ToneFile()
	{
		static const ScratchTone tone;
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
}
