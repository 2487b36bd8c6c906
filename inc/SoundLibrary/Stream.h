// snd::Stream: one channel's decoding of a streamed sound. It keeps a queue of OpenAL buffers on
// the channel's source filled with at least a second of sound ahead, refilled by the System's
// update, and loops by seeking its decoder back to the start.
#pragma once

#include "SoundLibrary/SoundFile.h"

#include <array>
#include <vector>

namespace snd
{
	class Sound;

	class Stream
	{
	public:
		static constexpr int kBuffers = 4;
		// Four buffers of 0.4 s: after a refill at least 1.2 s stays queued.
		static constexpr float kBufferSeconds = 0.4f;

		// Queues the first buffers on the source; Failed() when the sound cannot be decoded.
		Stream(const Sound& sound, unsigned source, bool loops);
		~Stream();
		Stream(const Stream&) = delete;
		Stream& operator=(const Stream&) = delete;

		bool Failed() const { return !file.IsOpen(); }
		void SetLooping(bool newLooping) { looping = newLooping; }
		// Replaces the played buffers with the next decoded ones.
		void Refill();
		// Every frame decoded and queued (never for a looping stream).
		bool Finished() const { return finished; }

	private:
		// Decodes into the buffer and queues it; false when nothing was left to decode.
		bool Fill(unsigned buffer);

		SoundFile file;
		unsigned source;
		bool looping;
		bool finished = false;
		std::array<unsigned, kBuffers> buffers{};
		std::vector<float> frames;
	};
}
