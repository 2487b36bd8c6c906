#include "Systems/Input/SdlInputDevice.h"

#include "Engine.h"
#include "Systems/Window.h"
#include "Utilities/Timer.h"

#include <SDL/SDL.h>

SdlInputDevice::SdlInputDevice()
{
	GetElapsedMilliseconds();
	keyStates = SDL_GetKeyState(&keyCount);
}

bool SdlInputDevice::IsKeyDown(unsigned keySymbol) const
{
	return keyStates && keySymbol < static_cast<unsigned>(keyCount) && keyStates[keySymbol] != 0;
}

uint32_t SdlInputDevice::MouseButtonMask() const
{
	return SDL_GetMouseState(nullptr, nullptr);
}

PixelPair SdlInputDevice::MousePosition() const
{
	PixelPair position;
	SDL_GetMouseState(&position.x, &position.y);
	return position;
}

PixelPair SdlInputDevice::RelativeMotion()
{
	PixelPair motion;
	SDL_GetRelativeMouseState(&motion.x, &motion.y);
	return motion;
}

void SdlInputDevice::WarpMouse(int x, int y)
{
	SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
}

bool SdlInputDevice::HasInputFocus() const
{
	return (SDL_GetAppState() & SDL_APPINPUTFOCUS) != 0;
}

PixelPair SdlInputDevice::WindowSize() const
{
	const Engine* engine = Engine::Instance();
	const Window* window = engine ? engine->GetSystem<Window>() : nullptr;
	if (!window)
		return {};
	return {window->GetWidth(), window->GetHeight()};
}

uint32_t SdlInputDevice::Milliseconds() const
{
	return GetElapsedMillisecondsNoInit();
}
