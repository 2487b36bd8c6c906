// Writes the sample sounds shipped in Data/Sounds/ (tones and noise, WAV and Ogg) into the folder
// given as the argument; the menu level plays one of them as its music.
#include "SoundLibrary/SampleSounds.h"

#include <iostream>

int main(int argumentCount, char** arguments)
{
	if (argumentCount != 2)
	{
		std::cerr << "usage: MakeSampleSounds <sounds folder>\n";
		return 1;
	}
	for (const test::SampleSound& sound : test::kSampleSounds)
	{
		const std::string path = std::string(arguments[1]) + "/" + sound.file;
		if (!test::WriteSound(path, test::Tone(sound.frequency, sound.amplitude, sound.seconds), 1, sound.format))
		{
			std::cerr << "cannot write " << path << "\n";
			return 1;
		}
		std::cout << "wrote " << path << "\n";
	}
	return 0;
}
