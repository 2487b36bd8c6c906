// The input device of the running game: SDL 1.2's keyboard and mouse state, the Window
// system's size and the engine clock.
#pragma once

#include "Systems/Input/InputDevice.h"

#include <cstdint>

class SdlInputDevice : public InputDevice
{
public:
	// Starts the engine clock and takes SDL's key-state array.
	SdlInputDevice();

	bool IsKeyDown(unsigned keySymbol) const override;
	uint32_t MouseButtonMask() const override;
	PixelPair MousePosition() const override;
	PixelPair RelativeMotion() override;
	void WarpMouse(int x, int y) override;
	bool HasInputFocus() const override;
	PixelPair WindowSize() const override;
	uint32_t Milliseconds() const override;

private:
	const uint8_t* keyStates;
	int keyCount = 0;
};
