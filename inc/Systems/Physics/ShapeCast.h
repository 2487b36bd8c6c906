// ShapeCast: how far a moving convex piece may be carried along a straight step before it touches
// a static one. The resolution stage asks it for fast bodies, which would otherwise pass through
// anything thinner than their step between two detections. It sees the shapes only through their
// support points and decides every overlap by GJK, so any piece casts against any other.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Gjk.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

// A piece, optionally shrunk about its centre along the body's axes, carried from one share of a
// step to another: the hull of every place it passes, which is convex as the piece is.
class SweptHull final : public ConvexGeometry
{
public:
	// Each of the body's axes keeps its extent less twice the skin, and at least half of it.
	SweptHull(const ConvexGeometry& piece, const Quaternion& orientation, const Tuple3f& step, float skin);

	// The hull between from · step and to · step, shares of the step.
	void Span(float from, float to);

	Tuple3f Support(const Tuple3f& direction) const override;
	Tuple3f GetCentre() const override;
	// GJK asks only for support points and the centre.
	float RayCast(const Tuple3f&, const Tuple3f&) const override { return kRayMiss; }
	Tuple3f GetNormal(const Tuple3f&) const override { return {}; }
	int GetFeature(const Tuple3f&, Tuple3f*) const override { return 0; }

private:
	// The shrink: x ↦ centre + Σ keep[i] · (axes[i] · (x - centre)) · axes[i].
	Tuple3f Shrink(const Tuple3f& offset) const;

	const ConvexGeometry& piece;
	Tuple3f axes[3];
	float keep[3] = {1.0f, 1.0f, 1.0f};
	Tuple3f centre;
	Tuple3f step;
	Tuple3f start;
	Tuple3f end;
};

namespace ShapeCast
{
	// Returned when the piece may take its whole step.
	constexpr float kFree = 1.0f;
	// How deep a piece may graze an obstacle without being stopped by it: a body sliding over a
	// floor of many triangles or boxes, a little into it as contacts leave it, is not stopped at
	// every seam, yet nothing wider than the body less twice this lets it through.
	constexpr float kSkin = 0.02f;

	// The share of the step (0 to 1) at which the piece, carried along step unturned, first
	// touches the obstacle, to within a 4096th of the step; kFree when its core never does. A piece
	// already touching the obstacle stops where its core touches, and one whose core is already in
	// is left to the contacts.
	float FirstTouch(GjkWorkspace& work, const ConvexGeometry& piece, const Quaternion& orientation,
		const Tuple3f& step, const ConvexGeometry& obstacle, int iterations);
}
