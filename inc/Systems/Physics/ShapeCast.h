// ShapeCast: how far a moving convex piece may be carried along a straight step before it touches
// a static one. The resolution stage asks it for fast bodies, which would otherwise pass through
// anything thinner than their step between two detections. It sees the shapes only through their
// support points and decides every overlap by GJK, so any piece casts against any other.
#pragma once

#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Gjk.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

// How far a piece reaches along an axis: the least and the greatest of x · axis over its points.
struct Extent
{
	float low = 0.0f;
	float high = 0.0f;

	static Extent Of(const ConvexGeometry& piece, const Tuple3f& axis);
	float Length() const { return high - low; }
};

// The body's own axes in the world: its x, y and z turned by its orientation.
struct BodyAxes
{
	explicit BodyAxes(const Quaternion& orientation);
	Tuple3f axis[3];
};

// A piece, shrunk about its centre along the body's axes, carried from one share of a step to
// another: the hull of every place it passes, which is convex as the piece is.
class SweptHull final : public ConvexGeometry
{
public:
	// What of the piece is carried: all of it; its core, each of the body's axes keeping its extent
	// less twice ShapeCast::kSkin and at least half of it; or the ball of radius
	// ShapeCast::kCentreReach about its centre, the same whichever way the body turns.
	enum class Part
	{
		kWhole,
		kCore,
		kNearCentre
	};

	SweptHull(const ConvexGeometry& piece, const Quaternion& orientation, const Tuple3f& step, Part part);

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
	BodyAxes axes;
	float keep[3] = {1.0f, 1.0f, 1.0f};
	bool centred;
	Tuple3f centre;
	Tuple3f step;
	Tuple3f start;
	Tuple3f end;
};

// What stopped a piece short of its whole step.
struct CastStop
{
	// Its centre came near the obstacle: its core was in the obstacle already.
	bool byCentre = false;
	// The unit direction into the obstacle it touched where the step started, or closed less than
	// kSkin on before touching, when the step led into it; zero otherwise.
	Tuple3f pressedInto;
	// It touched the obstacle where the step started.
	bool touchedAtStart = false;
};

namespace ShapeCast
{
	// Returned when the piece may take its whole step.
	constexpr float kFree = 1.0f;
	// How deep a piece may graze an obstacle without being stopped by it: a body sliding over a
	// floor of many triangles or boxes, a little into it as contacts leave it, is not stopped at
	// every seam, yet nothing wider than the body less twice this lets it through.
	constexpr float kSkin = 0.02f;
	// How far a piece stopped by its shape goes on past where it first touches, so that the next
	// detection finds the contact.
	constexpr float kPenetration = 0.01f;
	// How near a surface the centre of a piece already in it may come: clearly on the near side, so
	// that the contacts push the piece back out the way it came.
	constexpr float kCentreReach = 0.01f;

	// The share of the step (0 to 1) the piece, carried along step in the orientation it ends the
	// step in, may take before the obstacle stops it; kFree when nothing stops it. A piece clear of
	// the obstacle stops kPenetration past where it first touches it; one already touching it, as
	// far past where its core touches; one whose core is in already stops with its centre
	// kCentreReach short of the obstacle, so that it does not end on the far side of a surface.
	// One whose centre is nearer than that already, or inside a solid, is not stopped. Shares are
	// found to within a 4096th of the step. What stopped it is written where given.
	float FirstTouch(GjkWorkspace& work, const ConvexGeometry& piece, const Quaternion& orientation,
		const Tuple3f& step, const ConvexGeometry& obstacle, int iterations, CastStop* stop = nullptr);

	// The shortest move that takes the piece out of the obstacle it overlaps; zero when they do not
	// overlap. It goes only as far as the piece truly overlaps the obstacle: at a convex edge of a
	// mesh, a piece that overlaps a face only by a sliver leaves it over the edge. A piece whose
	// centre lies over a plane or a triangle never leaves it across its plane: where its shortest
	// move would carry the centre there, it leaves along the normal, on the side of its centre,
	// the side the contacts push it to.
	Tuple3f WayOut(GjkWorkspace& work, const ConvexGeometry& piece, const ConvexGeometry& obstacle, int iterations);
}
