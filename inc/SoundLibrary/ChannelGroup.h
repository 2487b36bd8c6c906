// snd::ChannelGroup: a named mixing group of the sound layer. Groups nest (a child is mixed into
// its parent); a channel's gain is its own volume times that of every group above it, and a paused
// group pauses every channel below it. Groups are kept in software: OpenAL has none.
#pragma once

#include <string>
#include <utility>

namespace snd
{
	class System;

	// Volumes are fractions of full scale: anything outside 0..1, or not a number, is brought in.
	inline float ClampVolume(float volume)
	{
		return volume > 0.0f ? (volume < 1.0f ? volume : 1.0f) : 0.0f;
	}

	class ChannelGroup
	{
	public:
		ChannelGroup(System& owner, std::string name, ChannelGroup* parent) : owner(owner), name(std::move(name)), parent(parent)
		{
		}

		// Clamped to 0..1.
		void setVolume(float newVolume);
		float getVolume() const { return volume; }
		void setPaused(bool newPaused);
		bool getPaused() const { return paused; }
		// Mixes the child into this group (it leaves the group it was in).
		void addGroup(ChannelGroup* child);
		const std::string& getName() const { return name; }

		// Volume and pause with every group above taken in.
		float EffectiveVolume() const;
		bool EffectivelyPaused() const;

	private:
		System& owner;
		std::string name;
		ChannelGroup* parent;
		float volume = 1.0f;
		bool paused = false;
	};
}
