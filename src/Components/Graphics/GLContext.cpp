#include "Components/Graphics/GLContext.h"

#include <SDL/SDL.h>

bool HasGLContext()
{
	return SDL_GetVideoSurface() != nullptr;
}
