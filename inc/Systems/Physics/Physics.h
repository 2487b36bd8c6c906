// Physics: the physics system. Until that subsystem is built it is a placeholder that has its name
// and type id, takes part in the frame as an empty system, and does none of the subsystem's work.
#pragma once

#include "System.h"

struct __PhysicsName
{
	static constexpr const char* name = "Physics";
};

class Physics : public SystemBase<Physics, __PhysicsName>
{
public:
	void LoadConfig(Config& section) override;
};
