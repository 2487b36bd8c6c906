// ParticleManager: the particle system. Until that subsystem is built it is a placeholder that has
// its name and type id, takes part in the frame as an empty system, and does none of the
// subsystem's work.
#pragma once

#include "System.h"

struct __ParticleManagerName
{
	static constexpr const char* name = "ParticleManager";
};

class ParticleManager : public SystemBase<ParticleManager, __ParticleManagerName>
{
public:
	void LoadConfig(Config& section) override;
};
