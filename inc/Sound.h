// Sound: the audio system. Until that subsystem is built it is a placeholder that has its name and
// type id, takes part in the frame as an empty system, and does none of the subsystem's work.
#pragma once

#include "System.h"

struct __SoundName
{
	static constexpr const char* name = "Sound";
};

class Sound : public SystemBase<Sound, __SoundName>
{
public:
	void LoadConfig(Config& section) override;
};
