#include "Systems/Logic/PathQuery.h"

#include <recastnavigation/DetourNavMeshQuery.h>

#include <algorithm>

namespace
{
	// The first search box is this many agent radii across; the largest is sixteen times that.
	constexpr float kFirstBoxRadii = 2.0f;
	constexpr float kLargestBoxRadii = 32.0f;
	constexpr float kBoxHeights = 1.5f;

	// Catmull-Rom through c1, m1, m2, c2 at t: m1 at t = 0, m2 at t = 1.
	Tuple3f CatmullRom(const Tuple3f& c1, const Tuple3f& m1, const Tuple3f& m2, const Tuple3f& c2, float t)
	{
		const float t2 = t * t;
		const float t3 = t2 * t;
		return (m1 * 2.0f + (m2 - c1) * t + (c1 * 2.0f - m1 * 5.0f + m2 * 4.0f - c2) * t2 + (m1 * 3.0f - c1 - m2 * 3.0f + c2) * t3) * 0.5f;
	}
}

PathQuery::PathQuery() : corridor(kMaxCorridor), straight(3 * (kMaxCorridor + 1))
{
}

bool PathQuery::Snap(const dtNavMeshQuery& query, const dtQueryFilter& filter, const PathSettings& settings, Tuple3f& position,
	dtPolyRef& polygon, bool& moved)
{
	const float radius = settings.agentRadius;
	float extents[3] = {kFirstBoxRadii * radius, settings.agentHeight * kBoxHeights, kFirstBoxRadii * radius};
	float nearest[3] = {position.x, position.y, position.z};
	moved = false;
	for (;;)
	{
		polygon = 0;
		if (dtStatusFailed(query.findNearestPoly(&position.x, extents, &filter, &polygon, nearest)))
			return false;
		if (polygon != 0)
			break;
		for (float& extent : extents)
			extent *= 2.0f;
		if (extents[0] > kLargestBoxRadii * radius)
			return false;
		moved = true;
	}
	if (moved)
		position = Tuple3f(nearest[0], nearest[1], nearest[2]);
	return true;
}

bool PathQuery::Generate(const dtNavMeshQuery& query, const dtQueryFilter& filter, const PathSettings& settings, const Tuple3f& start,
	const Tuple3f& end, std::vector<Tuple3f>& points, Result& result)
{
	Tuple3f from = start;
	Tuple3f to = end;
	dtPolyRef startPolygon = 0;
	dtPolyRef endPolygon = 0;
	bool startMoved = false;
	bool endMoved = false;
	int corridorLength = 0;
	result = Result{false, from};
	if (!Snap(query, filter, settings, from, startPolygon, startMoved))
		return false;
	result.last = from;
	if (!Snap(query, filter, settings, to, endPolygon, endMoved))
		return false;
	// The corridor may be as long as the search has nodes: a far end across small triangles
	// lies hundreds of polygons away and is still reachable.
	if (dtStatusFailed(query.findPath(startPolygon, endPolygon, &from.x, &to.x, &filter, corridor.data(), &corridorLength, kMaxCorridor)) ||
		corridorLength <= 0)
		return false;
	// Start, a corner per portal and the end, a moved start and end, each corner grown into a curve.
	const int smoothing = std::max(settings.smoothing, 1);
	const auto room = static_cast<std::size_t>(smoothing) * static_cast<std::size_t>(corridorLength + 1) + 3;
	if (buffer.size() < room)
		buffer.resize(room);
	int count = 0;
	if (startMoved)
		buffer[count++] = from;
	int straightCount = 0;
	// The end point is kept: with only as many points as polygons, a walk inside one polygon
	// would have nothing to walk to.
	if (dtStatusFailed(query.findStraightPath(&from.x, &to.x, corridor.data(), corridorLength, straight.data(), nullptr, nullptr,
			&straightCount, corridorLength + 1)))
		return false;
	for (int i = 0; i < straightCount; ++i)
		buffer[count++] = Tuple3f(straight[3 * i], straight[3 * i + 1], straight[3 * i + 2]);
	const bool reachesEnd = corridor[static_cast<std::size_t>(corridorLength - 1)] == endPolygon;
	if (endMoved && reachesEnd)
		buffer[count++] = to;
	count = RoundCorners(buffer.data(), count, smoothing, settings.curveRadius);
	result.reachesEnd = reachesEnd;
	result.last = count > 0 ? buffer[static_cast<std::size_t>(count - 1)] : from;
	points.insert(points.end(), buffer.begin(), buffer.begin() + count);
	return true;
}

int PathQuery::RoundCorners(Tuple3f* points, int count, int smoothing, float curveRadius)
{
	if (count <= 2)
		return count;
	const int corners = count - 2;
	const int half = smoothing / 2;
	const int newCount = corners * smoothing + 2;
	// From the last corner down, so that no corner is overwritten before it has moved.
	points[newCount - 1] = points[count - 1];
	for (int corner = corners; corner >= 1; --corner)
		points[(corner - 1) * smoothing + half + 1] = points[corner];
	const float longest = 2.0f / curveRadius;
	const float step = smoothing > 1 ? 1.0f / static_cast<float>(smoothing - 1) : 0.0f;
	for (int at = half + 1; at < newCount - half; at += smoothing)
	{
		const Tuple3f corner = points[at];
		// The previous block is already a curve: its middle is where this bend starts from.
		const Tuple3f before = at == half + 1 ? points[0] : points[at - smoothing];
		const Tuple3f after = at + smoothing < newCount ? points[at + smoothing] : points[newCount - 1];
		const float toBefore = std::max(0.0f, std::min(static_cast<float>((before - corner).Length()) / 2.0f, longest));
		const float toAfter = std::max(0.0f, std::min(static_cast<float>((after - corner).Length()) / 2.0f, longest));
		// A zero-length direction normalises to huge components, times the zero length: 0.
		const Tuple3f alongBefore = (before - corner).Normalize() * (curveRadius * toBefore);
		const Tuple3f alongAfter = (after - corner).Normalize() * (curveRadius * toAfter);
		const Tuple3f c1 = corner + alongBefore;
		const Tuple3f m1 = corner + alongBefore * 0.5f;
		const Tuple3f m2 = corner + alongAfter * 0.5f;
		const Tuple3f c2 = corner + alongAfter;
		float t = 0.0f;
		for (int j = 0; j < smoothing; ++j, t += step)
			points[at - half + j] = CatmullRom(c1, m1, m2, c2, t);
	}
	return newCount;
}
