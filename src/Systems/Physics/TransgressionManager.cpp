#include "Systems/Physics/TransgressionManager.h"

#include <algorithm>

void TransgressionManager::WakeIsland(RigidBody& body)
{
	IslandSet::Set* island = islands.Find(&body);
	if (island == nullptr)
	{
		body.Wake();
		return;
	}
	island->info.asleep = false;
	// The island set keys bodies by const pointer; the bodies themselves live in the mutable pool.
	for (IslandSet::Node* member = island->first; member != nullptr; member = member->next)
		const_cast<RigidBody*>(member->key)->Wake();
}

void TransgressionManager::AddConnection(Connection& connection)
{
	if (!IsListed(connection))
		connections.push_back(&connection);
}

void TransgressionManager::RemoveConnection(Connection& connection)
{
	std::erase(connections, &connection);
}

bool TransgressionManager::IsListed(const Connection& connection) const
{
	return std::find(connections.begin(), connections.end(), &connection) != connections.end();
}
