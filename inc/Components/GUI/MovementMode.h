// MovementMode: a marker that archetype files may place on an editor object; nothing queries it.
#pragma once

#include "Components/QuietComponent.h"

struct __MovementModeName
{
	static constexpr const char* name = "MovementMode";
};

class MovementMode : public QuietComponent<MovementMode, __MovementModeName>
{
};
