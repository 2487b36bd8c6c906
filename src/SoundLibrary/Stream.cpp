#include "SoundLibrary/Stream.h"

#include "SoundLibrary/Sound.h"

#include <AL/al.h>
#include <AL/alext.h>

namespace snd
{
	Stream::Stream(const Sound& sound, unsigned source, bool loops)
		: file(sound.GetSource(), sound.OutputChannels()), source(source), looping(loops)
	{
		if (!file.IsOpen())
			return;
		alGenBuffers(kBuffers, buffers.data());
		for (const unsigned buffer : buffers)
			if (!Fill(buffer))
				break;
	}

	Stream::~Stream()
	{
		if (!file.IsOpen())
			return;
		alSourceStop(source);
		alSourcei(source, AL_BUFFER, 0);
		alDeleteBuffers(kBuffers, buffers.data());
	}

	void Stream::Refill()
	{
		ALint processed = 0;
		alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
		for (; processed > 0; --processed)
		{
			ALuint buffer = 0;
			alSourceUnqueueBuffers(source, 1, &buffer);
			if (!finished)
				Fill(buffer);
		}
		// A source that ran dry (no update for longer than the queue lasts) stops; it goes on with
		// what was just queued, as a card's stream would after a stall.
		ALint state = 0;
		ALint queued = 0;
		alGetSourcei(source, AL_SOURCE_STATE, &state);
		alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
		if (state == AL_STOPPED && queued > 0)
			alSourcePlay(source);
	}

	bool Stream::Fill(unsigned buffer)
	{
		const int channels = file.OutputChannels();
		const std::size_t wanted = static_cast<std::size_t>(static_cast<float>(file.SampleRate()) * kBufferSeconds) + 1;
		frames.resize(wanted * static_cast<std::size_t>(channels));
		std::size_t filled = 0;
		bool justRewound = false;
		while (filled < wanted)
		{
			const std::size_t read = file.Read(frames.data() + filled * static_cast<std::size_t>(channels), wanted - filled);
			filled += read;
			if (read > 0)
			{
				justRewound = false;
				continue;
			}
			// A file with no frames at all would loop forever without this.
			if (!looping || justRewound || !file.Rewind())
			{
				finished = true;
				break;
			}
			justRewound = true;
		}
		if (filled == 0)
			return false;
		const ALenum format = channels == 2 ? AL_FORMAT_STEREO_FLOAT32 : AL_FORMAT_MONO_FLOAT32;
		alBufferData(buffer, format, frames.data(), static_cast<ALsizei>(filled * static_cast<std::size_t>(channels) * sizeof(float)), file.SampleRate());
		alSourceQueueBuffers(source, 1, &buffer);
		return true;
	}
}
