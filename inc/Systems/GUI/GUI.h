// GUI: the HTML interface system. Until that subsystem is built it is a placeholder that has its
// name and type id, takes part in the frame as an empty system, and does none of the subsystem's
// work.
#pragma once

#include "System.h"

struct __GUIName
{
	static constexpr const char* name = "GUI";
};

class GUI : public SystemBase<GUI, __GUIName>
{
public:
	void LoadConfig(Config& section) override;
};
