// Reads a sound file (the wave device's output of an end-to-end run) with libsndfile and prints
// the RMS of its first channel over its last seconds and the strongest frequency there:
// "rms <value> frequency <hertz>". With "onset" after the seconds it finds where sound first starts
// instead (the first 10 ms louder than RMS 0.01) and prints "onset <seconds> rms <value> before
// <value>": the RMS of the stretch of the given length from there and of the stretch just before.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace
{
	double Rms(const std::vector<double>& samples, std::size_t first, std::size_t last)
	{
		double sum = 0.0;
		for (std::size_t index = first; index < last; ++index)
			sum += samples[index] * samples[index];
		return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
	}

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
	const bool onset = argumentCount == 4 && std::string(arguments[3]) == "onset";
	if (argumentCount != 3 && !onset)
	{
		std::cerr << "usage: SoundCheck <sound file> <seconds> [onset]\n";
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
	std::vector<double> left;
	for (sf_count_t frame = 0; frame < read; ++frame)
		left.push_back(frames[static_cast<std::size_t>(frame * info.channels)]);
	const std::size_t wanted = static_cast<std::size_t>(std::atof(arguments[2]) * info.samplerate);
	if (onset)
	{
		const std::size_t step = static_cast<std::size_t>(info.samplerate / 100);
		std::size_t start = 0;
		while (start + step <= left.size() && Rms(left, start, start + step) <= 0.01)
			start += step;
		std::cout << "onset " << static_cast<double>(start) / info.samplerate << " rms " << Rms(left, start, std::min(start + wanted, left.size()))
				  << " before " << Rms(left, start > wanted ? start - wanted : 0, start) << "\n";
		return 0;
	}
	const std::vector<double> samples(left.end() - static_cast<std::ptrdiff_t>(std::min(wanted, left.size())), left.end());
	double strongest = 0.0;
	double strongestPower = -1.0;
	for (double frequency = 50.0; frequency <= 2000.0; frequency += 1.0)
		if (const double power = Power(samples, frequency, info.samplerate); power > strongestPower)
		{
			strongestPower = power;
			strongest = frequency;
		}
	std::cout << "rms " << Rms(samples, 0, samples.size()) << " frequency " << strongest << "\n";
	return 0;
}
