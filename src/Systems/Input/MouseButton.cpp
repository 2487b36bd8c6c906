#include "Systems/Input/MouseButton.h"

#include "Systems/Input/TextCase.h"
#include "Utilities/Config.h"

#include <iostream>
#include <sstream>

namespace
{
	constexpr unsigned kMaskBits = 32;
	// SDL reports the held buttons in the low eight bits of the mouse state.
	constexpr uint32_t kHeldButtonBits = 0xFF;

	unsigned ButtonNumberFromName(const std::string& name)
	{
		const std::string upper = ToUpperCase(name);
		if (upper == "LEFT")
			return 1;
		if (upper == "RIGHT")
			return 3;
		if (upper == "MIDDLE")
			return 2;
		if (upper == "WHEEL_DOWN")
			return 5;
		if (upper == "WHEEL_UP")
			return 4;
		unsigned number = 0;
		std::istringstream(upper) >> number;
		return number;
	}
}

MouseButton::MouseButton(ButtonContext& context, const std::string& buttonName)
	: Button(context), button(ButtonNumberFromName(buttonName))
{
	if (button < 1 || button > kMaskBits)
		std::cerr << "Input: \"" << buttonName << "\" names no mouse button 1 to " << kMaskBits
				  << "; that button is never down\n";
}

MouseButton::MouseButton(ButtonContext& context, const Config& element)
	: MouseButton(context, element.GetString("Button", "LEFT"))
{
}

std::string MouseButton::Describe() const
{
	static const char* const kNames[] = {"Left", "Middle", "Right", "Wheel Up", "Wheel Down"};
	if (button >= 1 && button <= 5)
		return kNames[button - 1];
	return std::to_string(button);
}

bool MouseButton::SampleIsDown()
{
	// Numbers outside the 32-bit mask name no button and are never down.
	if (button < 1 || button > kMaskBits)
		return false;
	const uint32_t held = (context.device.MouseButtonMask() & kHeldButtonBits) | context.pressedButtons;
	return (held & (1u << (button - 1))) != 0;
}
