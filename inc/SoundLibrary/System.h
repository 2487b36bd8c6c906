// snd::System: the sound layer over OpenAL Soft and libsndfile that the Sound system and the sound
// components play through. It opens the default audio device or, when none opens (a machine
// without a sound card), OpenAL Soft's loopback device, which it renders itself at every update
// so that sounds end and streams advance as they would on a card. It owns the channel groups,
// every sound, and at most kMaxChannels sources, named by Channel handles.
//
// Conventions: right-handed coordinates as OpenAL's; distance attenuation is inverse distance,
// clamped, reference (minimum) distance 1 and maximum distance 10000 unless a channel sets others;
// a failed load gives a null sound (and one diagnostic naming the file); playing a null sound, or
// with no free source, gives an invalid handle on which every call does nothing.
#pragma once

#include "SoundLibrary/Channel.h"
#include "SoundLibrary/ChannelGroup.h"
#include "SoundLibrary/Sound.h"
#include "SoundLibrary/Stream.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

typedef struct ALCdevice_struct ALCdevice;
typedef struct ALCcontext_struct ALCcontext;

namespace snd
{
	struct Vector
	{
		float x = 0.0f;
		float y = 0.0f;
		float z = 0.0f;
	};

	enum class Output
	{
		// The default device, else the loopback device.
		kDefaultDevice,
		// The loopback device: rendered by update; its mix can be read (tests, headless runs).
		kLoopback,
	};

	class System
	{
	public:
		static constexpr int kMaxChannels = 128;
		static constexpr int kLoopbackRate = 48000;
		static constexpr float kDefaultMinDistance = 1.0f;
		static constexpr float kDefaultMaxDistance = 10000.0f;

		explicit System(Output output = Output::kDefaultDevice);
		// Stops every source, frees every sound and closes the device.
		~System();
		System(const System&) = delete;
		System& operator=(const System&) = delete;

		// A new group mixed into the master group; the system owns it.
		ChannelGroup* createChannelGroup(const std::string& name);
		ChannelGroup* getMasterChannelGroup() { return &master; }

		// Decoded whole now; null (and one diagnostic) when the file cannot be read or lies outside
		// the game's folders (the search paths: the data folder and the user folder).
		Sound* createSound(const std::string& path, unsigned mode);
		// Decoded while it plays; refused as createSound refuses.
		Sound* createStream(const std::string& path, unsigned mode);
		// The same from bytes in memory; name is only used in diagnostics.
		Sound* createSound(std::vector<unsigned char> bytes, const std::string& name, unsigned mode, bool streamed);
		// Frees the sound, stopping what plays it; the System's destructor frees the rest.
		void release(Sound* sound);

		// A free source playing the sound in the master group at volume 1, paused or not.
		Channel playSound(Sound* sound, bool paused);
		// Null leaves a value as it was.
		void set3DListenerAttributes(const Vector* position, const Vector* velocity, const Vector* forward, const Vector* up);
		// Refills the streams, renders `seconds` of the loopback device, and frees the sources whose
		// sounds have ended.
		void update(float seconds);

		bool IsLoopback() const { return renderSamples != nullptr; }
		int SampleRate() const { return sampleRate; }
		// The loopback device's interleaved stereo mix of the last update.
		const std::vector<float>& LastMix() const { return lastMix; }
		// Sounds and streams made and not yet released.
		std::size_t SoundCount() const { return sounds.size(); }
		// Playing or paused channels that play the sound.
		int ChannelsPlaying(const Sound* sound);

	private:
		friend class Channel;
		friend class ChannelGroup;

		struct Slot
		{
			unsigned source = 0;
			unsigned generation = 0;
			bool active = false;
			bool paused = false;
			float volume = 1.0f;
			ChannelGroup* group = nullptr;
			Sound* sound = nullptr;
			std::unique_ptr<Stream> stream;
		};
		using RenderSamples = void (*)(ALCdevice*, void*, int);

		void OpenDevice(Output output);
		void OpenLoopback();
		void MakeCurrent() const;
		Sound* Load(Source source, const std::string& name, unsigned mode, bool streamed);
		void Render(float seconds);
		// The slot the handle names while the handle is current; else null.
		static Slot* Target(const Channel& channel);
		// True while the slot's sound plays or is paused; frees it once it has ended.
		bool StillPlaying(Slot& slot);
		void Free(Slot& slot);
		// Gain and play state from the channel and its groups.
		void Apply(Slot& slot);
		void ApplyGroupSettings();

		ALCdevice* device = nullptr;
		ALCcontext* context = nullptr;
		RenderSamples renderSamples = nullptr;
		int sampleRate = kLoopbackRate;
		ChannelGroup master;
		std::vector<std::unique_ptr<ChannelGroup>> groups;
		std::vector<std::unique_ptr<Sound>> sounds;
		std::array<Slot, kMaxChannels> slots;
		std::vector<float> lastMix;
	};
}
