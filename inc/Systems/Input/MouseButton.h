// A mouse button or wheel direction as a button: 1 left, 2 middle, 3 right, 4 wheel up,
// 5 wheel down. A wheel button is down for the one frame whose events held the wheel step.
#pragma once

#include "Systems/Input/Button.h"

class Config;

class MouseButton : public Button
{
public:
	// "LEFT", "RIGHT", "MIDDLE", "WHEEL_UP", "WHEEL_DOWN" in any case, or a button number.
	MouseButton(ButtonContext& context, const std::string& buttonName);
	// Reads "Button" (default "LEFT") from a "Button" element of the input settings.
	MouseButton(ButtonContext& context, const Config& element);

	unsigned Number() const { return button; }
	std::string Describe() const override;

protected:
	bool SampleIsDown() override;
	int32_t DownValue() const override { return kHeldValue; }

private:
	unsigned button;
};
