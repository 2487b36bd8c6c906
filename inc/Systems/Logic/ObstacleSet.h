// Temporary obstacles of the navigation mesh: a body that falls asleep becomes a box that the tile
// cache marks unwalkable in every tile it overlaps, until the body wakes. The Logic system owns
// one ObstacleSet; the obstacles and the cached tiles list each other, neither owning the other.
#pragma once

#include "Utilities/HashMap.h"
#include "Utilities/UnorderedVector.h"

struct CachedTile;

struct TempObstacle
{
	TempObstacle(unsigned id, const float* bounds);
	TempObstacle(const TempObstacle&) = delete;
	TempObstacle& operator=(const TempObstacle&) = delete;
	// Leaves the obstacle list of every tile it is in.
	~TempObstacle();

	// Lists the obstacle in the tile and the tile in the obstacle.
	void Attach(CachedTile& tile);

	unsigned objectId;
	// The body's collider bounds when the obstacle was added.
	float bmin[3];
	float bmax[3];
	tw::unordered_vector<CachedTile*> tiles;
};

class ObstacleSet
{
public:
	ObstacleSet() = default;
	ObstacleSet(const ObstacleSet&) = delete;
	ObstacleSet& operator=(const ObstacleSet&) = delete;
	~ObstacleSet() { Clear(); }

	// Null when the id has no obstacle.
	TempObstacle* Find(unsigned objectId) const;
	// A new obstacle from the bounds (min xyz, max xyz); the id must not have one yet.
	TempObstacle& Insert(unsigned objectId, const float* bounds);
	// Deletes the id's obstacle, detaching it from its tiles; false when there was none.
	bool Remove(unsigned objectId);
	// Deletes every obstacle, newest first. Runs before the tiles go, so obstacles still find them.
	void Clear();
	unsigned Size() const { return obstacles.size(); }

private:
	tw::hash_map<unsigned, TempObstacle*> obstacles;
};
