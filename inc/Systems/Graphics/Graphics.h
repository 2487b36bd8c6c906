// Graphics: the rendering system. Until that subsystem is built it is a placeholder that has its
// name and type id, takes part in the frame as an empty system, and does none of the subsystem's
// work.
#pragma once

#include "System.h"

struct __GraphicsName
{
	static constexpr const char* name = "Graphics";
};

class Graphics : public SystemBase<Graphics, __GraphicsName>
{
public:
	void LoadConfig(Config& section) override;

	// The size of the screen in pixels; 0 until the renderer exists.
	unsigned GetScreenWidth() const
	{
		return screenWidth;
	}
	unsigned GetScreenHeight() const
	{
		return screenHeight;
	}

private:
	unsigned screenWidth = 0;
	unsigned screenHeight = 0;
};
