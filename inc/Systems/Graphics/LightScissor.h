// LightScissor: the window rectangle an omni light's sphere can reach, so that the light pass
// shades only those pixels instead of every pixel its volume's depth test has to reject.
#pragma once

#include "Utilities/Tuple.h"

struct PerspectiveView
{
	float nearClip;
	// Vertical field of view in degrees.
	float fieldOfView;
	// Width over height.
	float aspect;
	// x, y, width, height in window pixels.
	Tuple4<int> viewport;
};

// The rectangle (x, y, width, height) inside the viewport that holds the projection of the
// sphere of the view-space centre and radius; the whole viewport when the sphere reaches the
// eye's side of the near plane, where its projection has no bound.
Tuple4<int> SphereScissor(const Tuple3f& viewCentre, float radius, const PerspectiveView& view);
