// DebugPrim: a marker without fields. The frame shows an object that has one as a white wire cube
// at its Transform instead of drawing it in the forward pass.
#pragma once

#include "Components/QuietComponent.h"

struct __DebugPrimName
{
	static constexpr const char* name = "DebugPrim";
};

class DebugPrim : public QuietComponent<DebugPrim, __DebugPrimName>
{
};
