#include "Systems/Physics/ShapeCast.h"

#include <algorithm>

namespace
{
	constexpr int kHalvings = 12;
}

SweptHull::SweptHull(const ConvexGeometry& piece, const Quaternion& orientation, const Tuple3f& step, float skin)
	: piece(piece), step(step)
{
	axes[0] = Quaternion::Rotate(orientation, Tuple3f(1, 0, 0));
	axes[1] = Quaternion::Rotate(orientation, Tuple3f(0, 1, 0));
	axes[2] = Quaternion::Rotate(orientation, Tuple3f(0, 0, 1));
	for (int i = 0; i < 3; ++i)
	{
		const float high = piece.Support(axes[i]).DotProduct(axes[i]);
		const float low = piece.Support(-axes[i]).DotProduct(axes[i]);
		const float half = 0.5f * (high - low);
		centre += axes[i] * (0.5f * (high + low));
		if (half > 0.0f)
			keep[i] = 1.0f - std::min(skin, 0.5f * half) / half;
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
		shrunk += axes[i] * (keep[i] * axes[i].DotProduct(offset));
	return shrunk;
}

Tuple3f SweptHull::Support(const Tuple3f& direction) const
{
	// The shrink is symmetric, so the support of the shrunk piece along d is the shrunk support of
	// the piece along the shrunk d.
	const Tuple3f point = centre + Shrink(piece.Support(Shrink(direction)) - centre);
	return point + (direction.DotProduct(end) > direction.DotProduct(start) ? end : start);
}

Tuple3f SweptHull::GetCentre() const
{
	return centre + (start + end) * 0.5f;
}

float ShapeCast::FirstTouch(GjkWorkspace& work, const ConvexGeometry& piece, const Quaternion& orientation,
	const Tuple3f& step, const ConvexGeometry& obstacle, int iterations)
{
	SweptHull core(piece, orientation, step, kSkin);
	core.Span(0.0f, 1.0f);
	if (!GjkIntersect(work, core, obstacle, iterations))
		return kFree;
	// A piece already touching is carried until its core touches, unless its core is in already:
	// deep in, it is the contacts' to push out.
	SweptHull whole(piece, orientation, step, 0.0f);
	whole.Span(0.0f, 0.0f);
	SweptHull& carried = GjkIntersect(work, whole, obstacle, iterations) ? core : whole;
	carried.Span(0.0f, 0.0f);
	if (GjkIntersect(work, carried, obstacle, iterations))
		return kFree;
	// The hull over [0, t] grows with t and holds the hull over [0, lo]: the halving keeps lo
	// clear of the obstacle and hi touching it.
	float lo = 0.0f, hi = 1.0f;
	for (int i = 0; i < kHalvings; ++i)
	{
		const float middle = 0.5f * (lo + hi);
		carried.Span(lo, middle);
		(GjkIntersect(work, carried, obstacle, iterations) ? hi : lo) = middle;
	}
	return hi;
}
