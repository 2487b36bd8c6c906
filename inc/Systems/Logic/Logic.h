// Logic: the AI and navigation system. Until that subsystem is built it is a placeholder that has
// its name and type id, takes part in the frame as an empty system, and does none of the
// subsystem's work.
#pragma once

#include "System.h"

struct __LogicName
{
	static constexpr const char* name = "Logic";
};

class Logic : public SystemBase<Logic, __LogicName>
{
public:
	void LoadConfig(Config& section) override;
};
