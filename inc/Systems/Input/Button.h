// One input source polled by the Input system once per active frame: a key, a mouse button
// or wheel direction, or one axis of mouse motion. Every kind reduces its source to one signed
// value (0 when idle) and runs the same state machine over it, which yields the edges, the
// time since the last change and the count of quick repeated presses.
#pragma once

#include "Systems/Input/ButtonContext.h"

#include <cstdint>
#include <string>

class Button
{
public:
	// The value of a held key or mouse button; ValueAsFloat reads it as 1.0.
	static constexpr int32_t kHeldValue = 2147483647;

	explicit Button(ButtonContext& context);
	virtual ~Button() = default;

	Button(const Button&) = delete;
	Button& operator=(const Button&) = delete;

	int32_t GetValue() const { return value; }
	bool IsDown() const { return value != 0; }
	bool IsUp() const { return value == 0; }
	// True in exactly the poll in which the button went down.
	bool Pressed() const { return changed && IsDown(); }
	// True in exactly the poll in which the button went up.
	bool Released() const { return changed && IsUp(); }
	// Milliseconds since the poll that followed the last change.
	uint32_t StateTime() const;
	uint32_t PressCount() const { return pressCount; }
	// The value scaled by 2^-31: a held key reads 1.0.
	float ValueAsFloat() const;

	// A readable name of the source ("a", "Left", "X").
	virtual std::string Describe() const = 0;

	// Reads the source and advances the state machine.
	void Poll();

protected:
	// Samples the source; true when it is down this poll.
	virtual bool SampleIsDown() = 0;
	// The value while down, valid after SampleIsDown returned true.
	virtual int32_t DownValue() const = 0;

	ButtonContext& context;

private:
	int32_t value = 0;
	bool changed = false;
	uint32_t pressCount = 0;
	uint32_t changeTime;
};
