// PathQuery: the Logic system's answer to "GeneratePath". It snaps a start and an end onto the
// level's navigation mesh, finds the polygon corridor and its straight path with Detour, and
// rounds every interior corner into a short curve so that a character steering from point to
// point walks smooth bends. Its buffers are kept between requests, so a request allocates only
// when a longer corridor than any before needs room.
#pragma once

#include "Utilities/Tuple.h"

#include <recastnavigation/DetourNavMesh.h>

#include <vector>

class dtNavMeshQuery;
class dtQueryFilter;

struct PathSettings
{
	// Points each interior corner becomes; odd.
	int smoothing = 5;
	// Scale of the corner curves.
	float curveRadius = 1.0f;
	// The agent's radius and height in world units: they size the snapping search boxes.
	float agentRadius = 1.0f;
	float agentHeight = 1.0f;
};

class PathQuery
{
public:
	// At most this many polygons in a corridor: the node count the navigation query is made with.
	static constexpr int kMaxCorridor = 2048;

	struct Result
	{
		// The path reaches the end's polygon (false for a partial path).
		bool reachesEnd = false;
		// The last point of the path; the start (snapped when it had to be) when there is none.
		Tuple3f last;
	};

	PathQuery();

	// Appends the path's points to points (which is not emptied) and returns true; false, with
	// points left as they were, when the start or the end has no polygon within the largest search
	// box or Detour fails.
	bool Generate(const dtNavMeshQuery& query, const dtQueryFilter& filter, const PathSettings& settings, const Tuple3f& start,
		const Tuple3f& end, std::vector<Tuple3f>& points, Result& result);

	// Turns each interior corner of the first count points of the buffer into smoothing points of
	// a curve; the buffer must hold count + (count - 2) × (smoothing - 1) points. The new count.
	static int RoundCorners(Tuple3f* points, int count, int smoothing, float curveRadius);

private:
	// The polygon nearest the position within growing search boxes; 0 when none. moved tells
	// whether the position was replaced by the nearest point (it was not found at the first box).
	static bool Snap(const dtNavMeshQuery& query, const dtQueryFilter& filter, const PathSettings& settings, Tuple3f& position,
		dtPolyRef& polygon, bool& moved);

	std::vector<dtPolyRef> corridor;
	std::vector<float> straight;
	std::vector<Tuple3f> buffer;
};
