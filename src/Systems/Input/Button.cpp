#include "Systems/Input/Button.h"

Button::Button(ButtonContext& context)
	: context(context), changeTime(context.device.Milliseconds())
{
}

uint32_t Button::StateTime() const
{
	return context.device.Milliseconds() - changeTime;
}

float Button::ValueAsFloat() const
{
	return static_cast<float>(static_cast<double>(value) * 4.656612873077393e-10);
}

void Button::Poll()
{
	const uint32_t now = context.device.Milliseconds();
	// The change is stamped one poll late, so the press lag counts from the poll after a release.
	if (changed)
		changeTime = now;
	changed = false;

	if (SampleIsDown())
	{
		if (value == 0)
		{
			changed = true;
			if (now - changeTime <= context.pressLag || pressCount == 0)
				++pressCount;
		}
		value = DownValue();
		return;
	}

	if (value != 0)
	{
		changed = true;
		value = 0;
		return;
	}
	if (now - changeTime > context.pressLag)
		pressCount = 0;
}
