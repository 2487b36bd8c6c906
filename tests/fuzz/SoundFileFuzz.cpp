// Fuzzes the sound layer's decoder: the bytes are read through libsndfile's virtual I/O as a sound
// (decoded whole) and as a stream (decoded while it plays), both played positioned and looping for
// 0.1 s on the loopback device, then released. Whatever the bytes hold, nothing may crash, hang or
// leak, and no sample that is not a number may reach the mix.
#include "SoundLibrary/System.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <memory>
#include <vector>

namespace
{
	snd::System& Layer()
	{
		static snd::System system(snd::Output::kLoopback);
		return system;
	}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	// A diagnostic is expected for almost every input; printing them would only slow the run.
	std::cerr.rdbuf(nullptr);
	Layer();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	snd::System& system = Layer();
	const std::vector<unsigned char> bytes(data, data + size);
	const unsigned mode = size > 0 && (data[0] & 1) != 0 ? snd::k3D | snd::kLoop : snd::kLoop;
	snd::Sound* sound = system.createSound(bytes, "fuzz", mode, false);
	snd::Sound* stream = system.createSound(bytes, "fuzz", mode, true);
	system.playSound(sound, false);
	system.playSound(stream, false);
	system.update(0.1f);
	for (const float sample : system.LastMix())
		if (!std::isfinite(sample))
			__builtin_trap();
	if (sound != nullptr)
		sound->release();
	if (stream != nullptr)
		stream->release();
	return 0;
}
