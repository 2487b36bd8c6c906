#include "Systems/Physics/ShapeCast.h"

#include "Systems/Physics/Epa.h"

#include <algorithm>

namespace
{
	constexpr int kHalvings = 12;

	// The workspace of the direction a touch presses in: its lists keep their storage from cast to
	// cast, as the narrow phase's do.
	EpaWorkspace& TouchEpa()
	{
		thread_local EpaWorkspace epa;
		return epa;
	}

	// The share of the piece's extent each axis keeps when the part is carried.
	float KeptShare(SweptHull::Part part, float extent)
	{
		const float half = 0.5f * extent;
		if (part != SweptHull::Part::kCore || !(half > 0.0f))
			return 1.0f;
		return 1.0f - std::min(ShapeCast::kSkin, 0.5f * half) / half;
	}
}

Extent Extent::Of(const ConvexGeometry& piece, const Tuple3f& axis)
{
	return {piece.Support(-axis).DotProduct(axis), piece.Support(axis).DotProduct(axis)};
}

BodyAxes::BodyAxes(const Quaternion& orientation)
	: axis{Quaternion::Rotate(orientation, Tuple3f(1, 0, 0)), Quaternion::Rotate(orientation, Tuple3f(0, 1, 0)),
		  Quaternion::Rotate(orientation, Tuple3f(0, 0, 1))}
{
}

SweptHull::SweptHull(const ConvexGeometry& piece, const Quaternion& orientation, const Tuple3f& step, Part part)
	: piece(piece),
	  axes(orientation),
	  centred(part == Part::kNearCentre),
	  step(step)
{
	for (int i = 0; i < 3; ++i)
	{
		const Extent extent = Extent::Of(piece, axes.axis[i]);
		centre += axes.axis[i] * (0.5f * (extent.high + extent.low));
		keep[i] = KeptShare(part, extent.Length());
	}
}

void SweptHull::Span(float from, float to)
{
	start = step * from;
	end = step * to;
}

Tuple3f SweptHull::Shrink(const Tuple3f& offset) const
{
	Tuple3f shrunk;
	for (int i = 0; i < 3; ++i)
		shrunk += axes.axis[i] * (keep[i] * axes.axis[i].DotProduct(offset));
	return shrunk;
}

Tuple3f SweptHull::Support(const Tuple3f& direction) const
{
	// The shrink is symmetric, so the support of the shrunk piece along d is the shrunk support of
	// the piece along the shrunk d.
	// The ball about the centre asks the piece nothing: a round piece has no support along no direction.
	const double length = direction.Length();
	const Tuple3f point = !centred ? centre + Shrink(piece.Support(Shrink(direction)) - centre)
		: length > 0.0 ? centre + direction * static_cast<float>(ShapeCast::kCentreReach / length)
					   : centre;
	return point + (direction.DotProduct(end) > direction.DotProduct(start) ? end : start);
}

Tuple3f SweptHull::GetCentre() const
{
	return centre + (start + end) * 0.5f;
}

float ShapeCast::FirstTouch(GjkWorkspace& work, const ConvexGeometry& piece, const Quaternion& orientation,
	const Tuple3f& step, const ConvexGeometry& obstacle, int iterations, CastStop* stop)
{
	if (stop != nullptr)
		*stop = CastStop();
	SweptHull core(piece, orientation, step, SweptHull::Part::kCore);
	core.Span(0.0f, 1.0f);
	if (!GjkIntersect(work, core, obstacle, iterations))
		return kFree;
	// The largest part of the piece still clear of the obstacle where the step starts is carried.
	SweptHull whole(piece, orientation, step, SweptHull::Part::kWhole);
	SweptHull nearCentre(piece, orientation, step, SweptHull::Part::kNearCentre);
	SweptHull* carried = &whole;
	whole.Span(0.0f, 0.0f);
	Tuple3f into;
	if (GjkIntersect(work, whole, obstacle, iterations))
	{
		if (stop != nullptr)
		{
			into = TouchEpa().ExpandPolytopeContact(work.simplex, whole, obstacle, iterations);
			stop->touchedAtStart = true;
		}
		core.Span(0.0f, 0.0f);
		carried = GjkIntersect(work, core, obstacle, iterations) ? &nearCentre : &core;
	}
	if (carried == &nearCentre)
	{
		// A centre inside a solid may leave it: the contacts push it out. One nearer a surface
		// than its reach already is the resolution's to keep on its side. The ball holds the
		// centre, so it answers for both.
		nearCentre.Span(0.0f, 0.0f);
		if (GjkIntersect(work, nearCentre, obstacle, iterations))
			return kFree;
		nearCentre.Span(0.0f, 1.0f);
		if (!GjkIntersect(work, nearCentre, obstacle, iterations))
			return kFree;
		if (stop != nullptr)
			stop->byCentre = true;
	}
	// The hull over [0, t] grows with t and holds the hull over [0, lo]: the halving keeps lo
	// clear of the obstacle and hi touching it.
	float lo = 0.0f, hi = 1.0f;
	for (int i = 0; i < kHalvings; ++i)
	{
		const float middle = 0.5f * (lo + hi);
		carried->Span(lo, middle);
		(GjkIntersect(work, *carried, obstacle, iterations) ? hi : lo) = middle;
	}
	if (carried == &nearCentre)
		return lo;
	if (carried == &whole && stop != nullptr)
	{
		// A piece that closes less than the skin before it touches was touching where it started,
		// for all the contacts can tell.
		carried->Span(0.0f, hi);
		if (GjkIntersect(work, *carried, obstacle, iterations))
		{
			into = TouchEpa().ExpandPolytopeContact(work.simplex, *carried, obstacle, iterations);
			if (!(hi * step.DotProduct(into) < kSkin))
				into = Tuple3f();
		}
	}
	if (stop != nullptr && step.DotProduct(into) > 0.0f)
		stop->pressedInto = into;
	return std::min(hi + kPenetration / static_cast<float>(step.Length()), kFree);
}

Tuple3f ShapeCast::WayOut(GjkWorkspace& work, const ConvexGeometry& piece, const ConvexGeometry& obstacle, int iterations)
{
	if (!GjkIntersect(work, piece, obstacle, iterations))
		return {};
	const auto depthAlong = [&](const Tuple3f& out) {
		return std::max(obstacle.Support(out).DotProduct(out) - piece.Support(-out).DotProduct(out), 0.0f);
	};
	// The least move that parts the two, as the contacts find it: out of a plane or a triangle it
	// may lead over an edge, where the piece overlaps only a sliver of the surface, not the depth
	// of the surface's whole plane.
	const Tuple3f least = -TouchEpa().ExpandPolytopeContact(work.simplex, piece, obstacle, iterations);
	if (obstacle.geometryKind != kGeometryPlane && obstacle.geometryKind != kGeometryTriangle)
		return least * depthAlong(least);
	// A surface has no inside: a piece whose centre lies over it leaves it on the side of its
	// centre, the side the contacts push it to, never through it to the far side. Beside the
	// surface, where a convex edge leaves the centre beyond the plane of the face it hangs over,
	// the least move is the way out.
	const Tuple3f centre = piece.GetCentre();
	const Tuple3f fromFace = centre - obstacle.GetCentre();
	Tuple3f face = obstacle.GetNormal(centre).Normalize();
	if (face.DotProduct(fromFace) < 0.0f)
		face = -face;
	const float leastDepth = depthAlong(least);
	if (!(obstacle.RayCast(centre, -face) >= 0.0f))
		return least * leastDepth;
	const float faceDepth = depthAlong(face);
	const bool staysOnItsSide = (fromFace + least * leastDepth).DotProduct(face) > 0.0f;
	return staysOnItsSide && leastDepth < faceDepth ? least * leastDepth : face * faceDepth;
}
