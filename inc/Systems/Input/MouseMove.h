// One axis of mouse motion as a button: the pointer motion of the frame, scaled so that
// ValueAsFloat reads pixels / 500 * scale. All MouseMove buttons share one motion sample per
// cycle of their polls, so the pointer is read and re-centred once per frame.
#pragma once

#include "Systems/Input/Button.h"

class Config;

class MouseMove : public Button
{
public:
	static constexpr float kMaxScale = 0.99f;

	// Axis "X" or "Y" in any case; the scale is kept within 0 .. 0.99. Warps the pointer to
	// the window centre.
	MouseMove(ButtonContext& context, const std::string& axisName, float scale, bool invert);
	// Reads "Scale" (default 1.0), "Invert" (default false) and "Axis" from a "Button" element.
	MouseMove(ButtonContext& context, const Config& element);
	~MouseMove() override;

	// From now on motion is read against the window centre: the pointer is put there, and the
	// first sample, which may still see it where it was left, reads no motion.
	static void CapturePointer(ButtonContext& context);
	// From now on the pointer is free and its relative motion is read; freed from the centre,
	// the first sample, which holds the warps back to the centre among the moves, reads no motion.
	static void FreePointer(ButtonContext& context);

	std::string Describe() const override;

protected:
	bool SampleIsDown() override;
	int32_t DownValue() const override;

private:
	enum class Axis
	{
		X,
		Y,
		None,
	};

	// The shared sample, refreshed when this poll completes a cycle over every MouseMove.
	PixelPair CurrentMotion();

	Axis axis;
	float scale;
	bool invert;
	int motion = 0;
};
