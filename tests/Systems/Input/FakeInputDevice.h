// A scripted keyboard, mouse and clock for tests of the button machinery.
#pragma once

#include "Systems/Input/InputDevice.h"

#include <set>
#include <utility>

class FakeInputDevice : public InputDevice
{
public:
	bool IsKeyDown(unsigned keySymbol) const override { return heldKeys.count(keySymbol) != 0; }
	uint32_t MouseButtonMask() const override { return mouseButtons; }
	PixelPair MousePosition() const override { ++positionReads; return pointer; }
	PixelPair RelativeMotion() override { return std::exchange(pendingMotion, PixelPair{}); }
	void WarpMouse(int x, int y) override { pointer = {x, y}; ++warps; }
	bool HasInputFocus() const override { return focused; }
	PixelPair WindowSize() const override { return windowSize; }
	uint32_t Milliseconds() const override { return now; }

	std::set<unsigned> heldKeys;
	uint32_t mouseButtons = 0;
	PixelPair pointer;
	PixelPair pendingMotion;
	bool focused = true;
	PixelPair windowSize{800, 600};
	uint32_t now = 1000;
	mutable int positionReads = 0;
	int warps = 0;
};
