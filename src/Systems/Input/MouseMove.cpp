#include "Systems/Input/MouseMove.h"

#include "Systems/Input/TextCase.h"
#include "Utilities/Config.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <utility>

namespace
{
	// Pixels of motion that read as a full value at scale 1.
	constexpr double kPixelsPerFullValue = 500.0;
	constexpr double kValueRange = 2147483648.0;
	// Symmetric bounds, so a saturated value can still be inverted.
	constexpr double kLargestValue = std::numeric_limits<int32_t>::max();

	float ClampScale(float scale)
	{
		if (scale < 0.0f)
			return 0.0f;
		return std::min(scale, MouseMove::kMaxScale);
	}

	PixelPair WindowCentre(const InputDevice& device)
	{
		const PixelPair size = device.WindowSize();
		return {size.x / 2, size.y / 2};
	}
}

MouseMove::MouseMove(ButtonContext& context, const std::string& axisName, float scale, bool invert)
	: Button(context), scale(ClampScale(scale)), invert(invert)
{
	++context.motion.aliveButtons;
	const std::string upper = ToUpperCase(axisName);
	axis = upper == "X" ? Axis::X : upper == "Y" ? Axis::Y : Axis::None;
	if (axis == Axis::None)
		std::cerr << "Input: mouse axis \"" << axisName << "\" is neither X nor Y; that button reads no motion\n";
	const PixelPair centre = WindowCentre(context.device);
	context.device.WarpMouse(centre.x, centre.y);
}

MouseMove::MouseMove(ButtonContext& context, const Config& element)
	: MouseMove(context, element.GetString("Axis", ""), element.GetFloat("Scale", 1.0f),
		  element.GetBool("Invert", false))
{
}

MouseMove::~MouseMove()
{
	--context.motion.aliveButtons;
}

void MouseMove::CapturePointer(ButtonContext& context)
{
	context.mouseWarp = true;
	context.motion.Restart();
	const PixelPair centre = WindowCentre(context.device);
	context.device.WarpMouse(centre.x, centre.y);
}

void MouseMove::FreePointer(ButtonContext& context)
{
	if (std::exchange(context.mouseWarp, false))
		context.motion.Restart();
}

std::string MouseMove::Describe() const
{
	switch (axis)
	{
	case Axis::X:
		return "X";
	case Axis::Y:
		return "Y";
	case Axis::None:
		break;
	}
	return "";
}

PixelPair MouseMove::CurrentMotion()
{
	MotionSampler& sampler = context.motion;
	if (++sampler.pollsInCycle < sampler.aliveButtons)
		return sampler.lastMotion;
	sampler.pollsInCycle = 0;

	InputDevice& device = context.device;
	PixelPair motion;
	if (context.mouseWarp)
	{
		const PixelPair pointer = device.MousePosition();
		const PixelPair centre = WindowCentre(device);
		if (device.HasInputFocus())
			device.WarpMouse(centre.x, centre.y);
		motion = {pointer.x - centre.x, pointer.y - centre.y};
	}
	else
	{
		motion = device.RelativeMotion();
	}
	// A warp may reach the window system after the pointer's last position has, and the relative
	// motion holds every move since it was last read.
	sampler.lastMotion = std::exchange(sampler.dropNextSample, false) ? PixelPair{} : motion;
	return sampler.lastMotion;
}

bool MouseMove::SampleIsDown()
{
	const PixelPair sample = CurrentMotion();
	// A button without a valid axis reads no motion.
	motion = axis == Axis::X ? sample.x : axis == Axis::Y ? sample.y : 0;
	return motion != 0;
}

int32_t MouseMove::DownValue() const
{
	const double scaled = static_cast<double>(static_cast<float>(motion)) / kPixelsPerFullValue
		* scale * kValueRange;
	// A large jump saturates instead of overflowing the 32-bit value.
	const int32_t value = static_cast<int32_t>(std::clamp(std::trunc(scaled), -kLargestValue, kLargestValue));
	return invert ? -value : value;
}
