#include "Systems/Logic/ObstacleSet.h"

#include "Systems/Logic/NavMeshTileCache.h"

#include <algorithm>
#include <vector>

namespace
{
	template <class T>
	void EraseOne(tw::unordered_vector<T*>& list, T* item)
	{
		for (auto at = list.begin(); at != list.end(); ++at)
			if (*at == item)
			{
				list.erase(at);
				return;
			}
	}
}

TempObstacle::TempObstacle(unsigned id, const float* bounds) : objectId(id)
{
	std::copy(bounds, bounds + 3, bmin);
	std::copy(bounds + 3, bounds + 6, bmax);
}

TempObstacle::~TempObstacle()
{
	for (CachedTile* tile : tiles)
		EraseOne(tile->obstacles, this);
}

void TempObstacle::Attach(CachedTile& tile)
{
	tiles.push_back(&tile);
	tile.obstacles.push_back(this);
}

TempObstacle* ObstacleSet::Find(unsigned objectId) const
{
	const auto found = obstacles.find(objectId);
	return found == obstacles.end() ? nullptr : found->second;
}

TempObstacle& ObstacleSet::Insert(unsigned objectId, const float* bounds)
{
	auto* obstacle = new TempObstacle(objectId, bounds);
	obstacles.insert({objectId, obstacle});
	return *obstacle;
}

bool ObstacleSet::Remove(unsigned objectId)
{
	const auto found = obstacles.find(objectId);
	if (found == obstacles.end())
		return false;
	delete found->second;
	obstacles.erase(found);
	return true;
}

void ObstacleSet::Clear()
{
	for (auto& entry : obstacles)
		delete entry.second;
	obstacles.clear();
}
