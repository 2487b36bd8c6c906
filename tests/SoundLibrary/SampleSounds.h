// Sounds for the sound tests and the shipped sample sounds: tones and noise bursts written with
// libsndfile, and the measures the tests take of a mix (RMS per channel, a frequency's share).
#pragma once

#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace test
{
	constexpr int kSampleRate = 48000;

	// Interleaved frames of a sine (noise when frequency is 0) of that peak amplitude.
	inline std::vector<float> Tone(float frequency, float amplitude, float seconds, int channels = 1, int rate = kSampleRate)
	{
		const std::size_t frames = static_cast<std::size_t>(seconds * static_cast<float>(rate));
		std::vector<float> samples(frames * static_cast<std::size_t>(channels));
		std::minstd_rand random(7);
		std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
		for (std::size_t frame = 0; frame < frames; ++frame)
		{
			const double phase = 2.0 * std::numbers::pi * frequency * static_cast<double>(frame) / rate;
			const float value = frequency > 0.0f ? amplitude * static_cast<float>(std::sin(phase))
												 : amplitude * noise(random);
			for (int channel = 0; channel < channels; ++channel)
				samples[frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)] = value;
		}
		return samples;
	}

	// format: SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_OGG | SF_FORMAT_VORBIS, ...
	inline bool WriteSound(const std::string& path, const std::vector<float>& samples, int channels, int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT, int rate = kSampleRate)
	{
		SF_INFO info{};
		info.samplerate = rate;
		info.channels = channels;
		info.format = format;
		SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
		if (file == nullptr)
			return false;
		const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
		const bool written = sf_writef_float(file, samples.data(), frames) == frames;
		return sf_close(file) == 0 && written;
	}

	// The sounds shipped in Data/Sounds/, written by MakeSampleSounds.
	struct SampleSound
	{
		const char* file;
		// 0: noise.
		float frequency;
		float amplitude;
		float seconds;
		int format;
	};
	// The menu track's tone: RMS 0.2, a whole number of periods in its length so that it loops
	// seamlessly. The pause sound's tone differs from it.
	constexpr float kMenuTrackFrequency = 330.0f;
	constexpr float kPauseSoundFrequency = 1000.0f;
	constexpr float kHomesteadTrackFrequency = 220.0f;
	constexpr float kHillsideTrackFrequency = 260.0f;
	constexpr float kStepFrequency = 440.0f;
	constexpr float kSuckFrequency = 880.0f;
	constexpr float kBlowFrequency = 740.0f;
	constexpr float kHouseFallFrequency = 150.0f;
	inline constexpr SampleSound kSampleSounds[] = {
		{"MenuTheme.ogg", kMenuTrackFrequency, 0.2f * std::numbers::sqrt2_v<float>, 4.0f, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
		{"Pause.wav", kPauseSoundFrequency, 0.5f, 0.5f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Click.wav", 0.0f, 0.5f, 0.08f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Wind.ogg", 0.0f, 0.2f, 2.0f, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
		// Footstep (RMS 0.2), voice, gulp and pant: whole numbers of periods in 0.1 s.
		{"Step.wav", kStepFrequency, 0.2f * std::numbers::sqrt2_v<float>, 0.3f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Voice.wav", 660.0f, 0.5f, 0.5f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Gulp.wav", 0.0f, 0.4f, 0.2f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Pant.wav", 0.0f, 0.2f, 0.6f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		// The levels' music (RMS 0.2, seamless loops) and the player's and the houses' sounds, each
		// at a frequency of its own so that a check can tell them apart in a mix.
		{"Homestead.ogg", kHomesteadTrackFrequency, 0.2f * std::numbers::sqrt2_v<float>, 4.0f, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
		{"Hillside.ogg", kHillsideTrackFrequency, 0.2f * std::numbers::sqrt2_v<float>, 4.0f, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
		{"StepWood.wav", 520.0f, 0.2f * std::numbers::sqrt2_v<float>, 0.3f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Suck.wav", kSuckFrequency, 0.4f, 0.25f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Blow.wav", kBlowFrequency, 0.5f, 0.25f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Shoot.wav", 1200.0f, 0.4f, 0.3f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"HouseFall.wav", kHouseFallFrequency, 0.9f, 1.5f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Explosion.wav", 0.0f, 0.8f, 0.8f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
		{"Thud.wav", 100.0f, 0.6f, 0.2f, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
	};

	// Interleaved stereo frames [first, last) of a mix.
	struct MixRange
	{
		const std::vector<float>& mix;
		std::size_t first = 0;
		std::size_t last = 0;
	};

	inline MixRange WholeMix(const std::vector<float>& mix)
	{
		return MixRange{mix, 0, mix.size() / 2};
	}

	// RMS of one channel (0 left, 1 right) over the range.
	inline double Rms(const MixRange& range, int channel)
	{
		double sum = 0.0;
		for (std::size_t frame = range.first; frame < range.last; ++frame)
			sum += static_cast<double>(range.mix[2 * frame + static_cast<std::size_t>(channel)]) * range.mix[2 * frame + static_cast<std::size_t>(channel)];
		return range.last > range.first ? std::sqrt(sum / static_cast<double>(range.last - range.first)) : 0.0;
	}

	// RMS of the part of the left channel at that frequency (a single-bin Fourier transform).
	inline double FrequencyRms(const MixRange& range, double frequency, int rate = kSampleRate)
	{
		double real = 0.0;
		double imaginary = 0.0;
		for (std::size_t frame = range.first; frame < range.last; ++frame)
		{
			const double phase = 2.0 * std::numbers::pi * frequency * static_cast<double>(frame) / rate;
			real += range.mix[2 * frame] * std::cos(phase);
			imaginary += range.mix[2 * frame] * std::sin(phase);
		}
		const double count = static_cast<double>(range.last - range.first);
		return count > 0 ? std::sqrt(real * real + imaginary * imaginary) * std::sqrt(2.0) / count : 0.0;
	}
}
