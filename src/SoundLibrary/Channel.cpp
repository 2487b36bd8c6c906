#include "SoundLibrary/Channel.h"

#include "SoundLibrary/System.h"

#include <AL/al.h>

#include <cmath>

namespace snd
{
	bool Channel::isPlaying() const
	{
		System::Slot* found = System::Target(*this);
		return found != nullptr && system->StillPlaying(*found);
	}

	void Channel::stop() const
	{
		if (System::Slot* found = System::Target(*this))
			system->Free(*found);
	}

	void Channel::setVolume(float volume) const
	{
		if (System::Slot* found = System::Target(*this))
		{
			found->volume = ClampVolume(volume);
			system->Apply(*found);
		}
	}

	void Channel::setPaused(bool paused) const
	{
		if (System::Slot* found = System::Target(*this))
		{
			found->paused = paused;
			system->Apply(*found);
		}
	}

	void Channel::setChannelGroup(ChannelGroup* group) const
	{
		if (System::Slot* found = System::Target(*this))
		{
			found->group = group;
			system->Apply(*found);
		}
	}

	void Channel::set3DAttributes(const Vector* position, const Vector* velocity) const
	{
		System::Slot* found = System::Target(*this);
		// Two-dimensional sounds stay at the listener whatever they are told.
		if (found == nullptr || !found->sound->Is3D())
			return;
		if (position != nullptr)
			alSource3f(found->source, AL_POSITION, position->x, position->y, position->z);
		if (velocity != nullptr)
			alSource3f(found->source, AL_VELOCITY, velocity->x, velocity->y, velocity->z);
	}

	void Channel::set3DMinMaxDistance(float minimum, float maximum) const
	{
		System::Slot* found = System::Target(*this);
		if (found == nullptr || !std::isfinite(minimum) || !std::isfinite(maximum) || minimum <= 0.0f || maximum < minimum)
			return;
		alSourcef(found->source, AL_REFERENCE_DISTANCE, minimum);
		alSourcef(found->source, AL_MAX_DISTANCE, maximum);
	}

	void Channel::setMode(unsigned mode) const
	{
		System::Slot* found = System::Target(*this);
		if (found == nullptr)
			return;
		const bool loops = (mode & kLoop) != 0;
		if (found->stream)
			found->stream->SetLooping(loops);
		else
			alSourcei(found->source, AL_LOOPING, loops ? AL_TRUE : AL_FALSE);
	}
}
