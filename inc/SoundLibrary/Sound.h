// snd::Sound: a sound the layer can play. A sound is decoded whole into one OpenAL buffer; a
// stream keeps only where its bytes are and is decoded by each channel that plays it. The System
// owns every sound; release() hands one back, stopping the channels that play it.
#pragma once

#include "SoundLibrary/SoundFile.h"

namespace snd
{
	class System;

	// Bits of a sound's mode.
	enum Mode : unsigned
	{
		// Two-dimensional (heard at the listener, unpanned), played once.
		kDefault = 0,
		// Positioned in the 3-D world, so decoded to mono.
		k3D = 1,
		// Repeats until stopped.
		kLoop = 2,
	};

	class Sound
	{
	public:
		Sound(System& owner, Source source, unsigned mode, bool streamed) : owner(owner), source(std::move(source)), mode(mode), streamed(streamed)
		{
		}
		Sound(const Sound&) = delete;
		Sound& operator=(const Sound&) = delete;

		// Stops every channel that plays it and frees it; the pointer is dangling afterwards.
		void release();

		bool Is3D() const { return (mode & k3D) != 0; }
		bool Loops() const { return (mode & kLoop) != 0; }
		bool IsStream() const { return streamed; }
		int OutputChannels() const { return Is3D() ? 1 : 2; }
		const Source& GetSource() const { return source; }
		// Once decoded into its buffer a sound needs its bytes no more: letting them go closes its file.
		void ForgetSource() { source = Source{source.path, nullptr, nullptr}; }

		// The decoded buffer of a sound (0 for a stream).
		unsigned buffer = 0;

	private:
		System& owner;
		Source source;
		unsigned mode;
		bool streamed;
	};
}
