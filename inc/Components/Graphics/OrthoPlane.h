// OrthoPlane: draws its object as a flat rectangle over the finished frame, in a screen-space box
// of its own (heads-up displays, menus) letterboxed into the window so the box keeps its aspect.
// Planes are drawn in the order of their objects' z when they started, larger z on top, and
// of planes with one z the one started later on top.
#pragma once

#include "Components/Graphics/Primitive.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Tuple.h"

struct __OrthoPlaneName
{
	static constexpr const char* name = "OrthoPlane";
};

class OrthoPlane : public ComponentBase<OrthoPlane, __OrthoPlaneName, Primitive>
{
public:
	// The box (left, top, right, bottom), then the unit plane from the primitive cache.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Visible; joins the overlay list before the first plane whose object's world z is larger
	// (the order is not revised when objects move); listens to "SetVisible".
	bool Start() override;
	// Draws the plane in its letterboxed viewport with the box as orthographic projection, y
	// growing downwards. Always true.
	bool Update() override;
	void Detach() override;

	// The window area (x, y, width, height) the box is drawn into in a window of this size.
	Tuple4<int> Viewport(int windowWidth, int windowHeight) const;
	const Tuple4<int>& GetBounds() const { return bounds; }
	void SetBounds(const Tuple4<int>& value) { bounds = value; }

	ListLinks<OrthoPlane> links;

private:
	float WorldZ() const;
	// Right of left and bottom below top.
	bool HasArea() const;

	Tuple4<int> bounds;
};
