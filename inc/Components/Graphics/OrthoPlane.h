// OrthoPlane: draws its object as a flat rectangle over the finished frame in its own screen-space
// box (heads-up displays, menus). Only the class side exists so far: fields, defaults and copying.
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
	ListLinks<OrthoPlane> links;

	const Tuple4<int>& GetBounds() const { return bounds; }

private:
	Tuple4<int> bounds;
};
