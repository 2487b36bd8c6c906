// snd::Channel: the handle by which a played sound is named. It holds a source slot and that
// slot's generation; the generation rises whenever the slot is freed (the sound ended or was
// stopped), so a handle kept past its sound answers isPlaying false and ignores every other call,
// even once the slot plays another sound. A default handle is such a stale one.
#pragma once

namespace snd
{
	class ChannelGroup;
	class System;
	struct Vector;

	class Channel
	{
	public:
		Channel() = default;
		Channel(System* system, int slot, unsigned generation) : system(system), slot(slot), generation(generation)
		{
		}

		// True while the sound plays or is paused.
		bool isPlaying() const;
		void stop() const;
		// Clamped to 0..1; multiplied by the volumes of the channel's groups.
		void setVolume(float volume) const;
		void setPaused(bool paused) const;
		// Null puts the channel in the system's master group.
		void setChannelGroup(ChannelGroup* group) const;
		// For positioned sounds: world position and velocity (velocity feeds the Doppler shift).
		void set3DAttributes(const Vector* position, const Vector* velocity) const;
		// The distance within which the sound is at full volume, and beyond which it fades no more.
		void set3DMinMaxDistance(float minimum, float maximum) const;
		// kLoop makes it repeat; anything else plays it to its end.
		void setMode(unsigned mode) const;

		bool operator==(const Channel& other) const = default;

	private:
		friend class System;

		System* system = nullptr;
		int slot = -1;
		unsigned generation = 0;
	};
}
