#include "Utilities/AABB.h"

#include "Utilities/DebugDraw.h"

#include <algorithm>

AABB AABB::Union(const AABB& a, const AABB& b)
{
	return {{std::min(a.min.x, b.min.x), std::min(a.min.y, b.min.y), std::min(a.min.z, b.min.z)},
		{std::max(a.max.x, b.max.x), std::max(a.max.y, b.max.y), std::max(a.max.z, b.max.z)}};
}

bool AABB::Overlaps(const AABB& other) const
{
	return min.x <= other.max.x && other.min.x <= max.x && min.y <= other.max.y && other.min.y <= max.y &&
		min.z <= other.max.z && other.min.z <= max.z;
}

bool AABB::Contains(const Tuple3f& point) const
{
	return min.x <= point.x && point.x <= max.x && min.y <= point.y && point.y <= max.y && min.z <= point.z &&
		point.z <= max.z;
}

Tuple3f AABB::Centre() const
{
	return {Centre(0), Centre(1), Centre(2)};
}

double AABB::Volume() const
{
	return static_cast<double>(max.x - min.x) * (max.y - min.y) * (max.z - min.z);
}

double AABB::SurfaceArea() const
{
	const double dx = max.x - min.x, dy = max.y - min.y, dz = max.z - min.z;
	return 2.0 * (dx * dy + dy * dz + dz * dx);
}

void AABB::RotateQuarterTurn(int axis)
{
	const int first = (axis + 1) % 3;
	const int second = (axis + 2) % 3;
	const float firstCentre = Centre(first), secondCentre = Centre(second);
	const float firstHalf = (max[first] - min[first]) * 0.5f;
	const float secondHalf = (max[second] - min[second]) * 0.5f;
	min[first] = firstCentre - secondHalf;
	max[first] = firstCentre + secondHalf;
	min[second] = secondCentre - firstHalf;
	max[second] = secondCentre + firstHalf;
}

void AABB::DebugDraw(const Tuple4f& colour, float lineWidth) const
{
	auto corner = [this](int index) {
		return Tuple3f((index & 1) ? max.x : min.x, (index & 2) ? max.y : min.y, (index & 4) ? max.z : min.z);
	};
	// Each edge joins two corners whose indices differ in one bit (one axis).
	for (int from = 0; from < 8; ++from)
		for (int axisBit = 1; axisBit < 8; axisBit <<= 1)
			if (!(from & axisBit))
				DebugDraw::DrawLine(corner(from), corner(from | axisBit), lineWidth, colour);
}
