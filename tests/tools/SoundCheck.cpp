// Reads a sound file (the wave device's output of an end-to-end run) with libsndfile and prints
// the RMS of its first channel over its last seconds and the strongest frequency there:
// "rms <value> frequency <hertz>".
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <numbers>
#include <vector>

namespace
{
	// Strength of one frequency in the samples (Goertzel).
	double Power(const std::vector<double>& samples, double frequency, int rate)
	{
		const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / rate);
		double previous = 0.0;
		double beforePrevious = 0.0;
		for (const double sample : samples)
		{
			const double current = sample + coefficient * previous - beforePrevious;
			beforePrevious = previous;
			previous = current;
		}
		return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
	}
}

int main(int argumentCount, char** arguments)
{
	if (argumentCount != 3)
	{
		std::cerr << "usage: SoundCheck <sound file> <seconds>\n";
		return 1;
	}
	SF_INFO info{};
	SNDFILE* file = sf_open(arguments[1], SFM_READ, &info);
	if (file == nullptr)
	{
		std::cerr << arguments[1] << ": " << sf_strerror(nullptr) << "\n";
		return 1;
	}
	std::vector<float> frames(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
	const sf_count_t read = sf_readf_float(file, frames.data(), info.frames);
	sf_close(file);
	const sf_count_t wanted = static_cast<sf_count_t>(std::atof(arguments[2]) * info.samplerate);
	const sf_count_t first = read > wanted ? read - wanted : 0;
	std::vector<double> samples;
	double sum = 0.0;
	for (sf_count_t frame = first; frame < read; ++frame)
	{
		samples.push_back(frames[static_cast<std::size_t>(frame * info.channels)]);
		sum += samples.back() * samples.back();
	}
	double strongest = 0.0;
	double strongestPower = -1.0;
	for (double frequency = 50.0; frequency <= 2000.0; frequency += 1.0)
		if (const double power = Power(samples, frequency, info.samplerate); power > strongestPower)
		{
			strongestPower = power;
			strongest = frequency;
		}
	std::cout << "rms " << (samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()))) << " frequency " << strongest << "\n";
	return 0;
}
