// AABB: an axis-aligned box (min corner, max corner) as the bounding-volume trees and the
// physics broad phase use it, with the overlap, containment and ray-entry tests they share.
#pragma once

#include "Utilities/FloatLanes.h"
#include "Utilities/MathCommon.h"
#include "Utilities/Tuple.h"

#include <algorithm>
#include <cmath>

struct RaySlabs;

struct AABB
{
	Tuple3f min;
	Tuple3f max;

	// The smallest box holding both: per axis the smaller min and the larger max.
	static AABB Union(const AABB& a, const AABB& b);

	// Touching boxes overlap: on every axis min <= other's max and other's min <= max.
	bool Overlaps(const AABB& other) const;
	// Inclusive bounds on every axis.
	bool Contains(const Tuple3f& point) const;

	Tuple3f Centre() const;
	// Centre coordinate on one axis, in float: (min + max) * 0.5.
	float Centre(int axis) const { return (min[axis] + max[axis]) * 0.5f; }
	double Volume() const;
	double SurfaceArea() const;

	// Turns the box a quarter about an axis (0 x, 1 y, 2 z) through its centre: the half
	// extents of the other two axes swap.
	void RotateQuarterTurn(int axis);

	// Slab test of a ray (origin + t direction, t >= 0): the distance t at which it enters
	// the box (0 from inside), or -1 for a miss. A direction component below 1e-4 in
	// magnitude counts as parallel to that slab.
	float RayEntry(const Tuple3f& origin, const Tuple3f& direction) const;
	// The same test for a ray prepared once for many boxes.
	float RayEntry(const RaySlabs& ray) const;

	// The twelve edges through the debug-line hook.
	void DebugDraw(const Tuple4f& colour, float lineWidth = 1.0f) const;

	bool operator==(const AABB&) const = default;
};

// A ray prepared for slab tests against many boxes: the reciprocal of each direction
// component is taken once instead of once per box.
struct RaySlabs
{
	RaySlabs(const Tuple3f& origin, const Tuple3f& direction)
		: origin(origin),
		  parallel{std::fabs(direction.x) < kAngleEpsilon, std::fabs(direction.y) < kAngleEpsilon,
			  std::fabs(direction.z) < kAngleEpsilon}
	{
		for (int axis = 0; axis < 3; ++axis)
			reciprocal[axis] = parallel[axis] ? 0.0f : 1.0f / direction[axis];
	}

	Tuple3f origin;
	Tuple3f reciprocal;
	bool parallel[3];

	// Narrows [nearest, farthest] to the part of the ray inside one axis's slab; an empty
	// range (nearest > farthest) is a miss. Never bailing out early keeps the test free of
	// branches the processor cannot predict; narrowing an empty range leaves it empty. Value is
	// a float, or BoxLanes for four boxes at once, each lane as a float on its own would go.
	template <class Value>
	void ClipToSlab(int axis, Value low, Value high, Value& nearest, Value& farthest) const
	{
		const float start = origin[axis];
		if (parallel[axis])
		{
			farthest = ((start < low) | (start > high)) ? Value{} - kMissedSlab : farthest;
			return;
		}
		const Value toLow = (low - start) * reciprocal[axis];
		const Value toHigh = (high - start) * reciprocal[axis];
		nearest = Larger(nearest, Smaller(toLow, toHigh));
		farthest = Smaller(farthest, Larger(toLow, toHigh));
	}

	// Four boxes' bounds on one axis.
	static constexpr int kBoxLanes = kFloatLanes;
	using BoxLanes = FloatLanes;

	// RayEntry of four boxes at once, given axis by axis (lows[axis][lane], highs[axis][lane]).
	BoxLanes Entries(const BoxLanes (&lows)[3], const BoxLanes (&highs)[3]) const
	{
		BoxLanes nearest{};
		BoxLanes farthest = BoxLanes{} + kRayFarAway;
		for (int axis = 0; axis < 3; ++axis)
			ClipToSlab(axis, lows[axis], highs[axis], nearest, farthest);
		return nearest <= farthest ? nearest : BoxLanes{} + kMissedBox;
	}

	// Slab distances start at "no limit".
	static constexpr float kRayFarAway = 1e12f;
	static constexpr float kMissedBox = -1.0f;

private:
	// std::min and std::max as they pick (the first of equals), for floats and BoxLanes alike.
	template <class Value>
	static Value Smaller(Value a, Value b)
	{
		return b < a ? b : a;
	}
	template <class Value>
	static Value Larger(Value a, Value b)
	{
		return a < b ? b : a;
	}

	static constexpr float kMissedSlab = 1e30f;
};

// Inline: the trees' ray casts spend most of their time here.
inline float AABB::RayEntry(const RaySlabs& ray) const
{
	float nearest = 0.0f;
	float farthest = RaySlabs::kRayFarAway;
	ray.ClipToSlab(0, min.x, max.x, nearest, farthest);
	ray.ClipToSlab(1, min.y, max.y, nearest, farthest);
	ray.ClipToSlab(2, min.z, max.z, nearest, farthest);
	return nearest <= farthest ? nearest : RaySlabs::kMissedBox;
}

inline float AABB::RayEntry(const Tuple3f& origin, const Tuple3f& direction) const
{
	return RayEntry(RaySlabs(origin, direction));
}
