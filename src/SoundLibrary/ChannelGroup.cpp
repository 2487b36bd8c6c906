#include "SoundLibrary/ChannelGroup.h"

#include "SoundLibrary/System.h"

namespace snd
{
	void ChannelGroup::setVolume(float newVolume)
	{
		volume = ClampVolume(newVolume);
		owner.ApplyGroupSettings();
	}

	void ChannelGroup::setPaused(bool newPaused)
	{
		paused = newPaused;
		owner.ApplyGroupSettings();
	}

	void ChannelGroup::addGroup(ChannelGroup* child)
	{
		// A group may not become its own ancestor: the walks up the chain would never end.
		for (const ChannelGroup* above = this; above != nullptr; above = above->parent)
			if (above == child)
				return;
		if (child == nullptr)
			return;
		child->parent = this;
		owner.ApplyGroupSettings();
	}

	float ChannelGroup::EffectiveVolume() const
	{
		return parent != nullptr ? volume * parent->EffectiveVolume() : volume;
	}

	bool ChannelGroup::EffectivelyPaused() const
	{
		return paused || (parent != nullptr && parent->EffectivelyPaused());
	}
}
