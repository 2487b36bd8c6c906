// ResizeToResolution: sizes its object's HTML pane to the window when the pane starts
// ("ResizeHud"): a share of the window (or of its 4:3 part, or of the pane's own extent) becomes
// the view's size, the plane's box, the object's scale and place, and the texture's size.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Utilities/Tuple.h"

struct __ResizeToResolutionName
{
	static constexpr const char* name = "ResizeToResolution";
};

class ResizeToResolution : public ComponentBase<ResizeToResolution, __ResizeToResolutionName>
{
public:
	// Listens to "ResizeHud" (before the pane starts and asks), then reads the five keys.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override { return true; }
	bool Update() override { return true; }
	void Detach() override {}

	// The pane's new size in pixels for this window and pane extent (x + width, y + height).
	Tuple2<int> FittedSize(Tuple2<int> window, Tuple2<int> paneExtent) const;

private:
	// Needs an HTMLPane, an OrthoPlane and a PixelBuffer on the object; without one it does nothing.
	void OnResizeHud(Message::Reader reader);

	bool ChangeWidth_ = false;
	bool ChangeHeight_ = false;
	bool Keep4_3_Res_ = false;
	float WidthPercentage_ = 1.0f;
	float HeightPercentage_ = 1.0f;
};
