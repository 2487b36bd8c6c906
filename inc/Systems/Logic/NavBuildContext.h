// The Recast context of the navigation build and the tile rebuilds. Recast reports failures only
// through its context, whose default log discards them; this one prints error-level messages once
// each through tw::Diagnostics, naming the tile in progress. Progress lines and timers stay silent.
#pragma once

#include <recastnavigation/Recast.h>

class NavBuildContext : public rcContext
{
public:
	NavBuildContext() : rcContext(true) {}

	// The grid cell that later messages name.
	void SetTile(int x, int z)
	{
		tileX = x;
		tileZ = z;
	}

protected:
	void doLog(const rcLogCategory category, const char* message, const int length) override;

private:
	int tileX = -1;
	int tileZ = -1;
};
