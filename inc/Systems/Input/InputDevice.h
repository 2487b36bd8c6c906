// What the buttons read of the keyboard, the mouse, the window size and the clock.
// The game reads SDL through SdlInputDevice; tests hand the buttons a scripted device instead,
// so button, variable and binding logic runs without a window.
#pragma once

#include <cstdint>

// A pixel position or a size in pixels.
struct PixelPair
{
	int x = 0;
	int y = 0;
};

class InputDevice
{
public:
	virtual ~InputDevice() = default;

	// Whether the key with this SDL key symbol is held; false for symbols the keyboard lacks.
	virtual bool IsKeyDown(unsigned keySymbol) const = 0;
	// Held mouse buttons, bit n - 1 for button n.
	virtual uint32_t MouseButtonMask() const = 0;
	virtual PixelPair MousePosition() const = 0;
	// Pointer motion since the previous call.
	virtual PixelPair RelativeMotion() = 0;
	virtual void WarpMouse(int x, int y) = 0;
	virtual bool HasInputFocus() const = 0;
	// The game window's current size in pixels.
	virtual PixelPair WindowSize() const = 0;
	// Milliseconds on the engine clock.
	virtual uint32_t Milliseconds() const = 0;
};
