#include "Systems/Physics/TransgressionManager.h"

#include "Message.h"
#include "Systems/Physics/Connection.h"
#include "Systems/Physics/DetectionManager.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Utilities/Timer.h"

#include <algorithm>

namespace
{
	unsigned Capacity(int setting)
	{
		return static_cast<unsigned>(std::max(setting, 0));
	}

	void Deliver(unsigned receiverId, Message& message)
	{
		ObjectFromId(receiverId).SendMessage(message);
	}

	// Only bodies that move can join islands: a static floor under two boxes keeps them apart.
	bool JoinsIslands(const RigidBody& body)
	{
		return body.inverseMass != 0.0f || body.HasFlag(kBodyLogic);
	}
}

TransgressionManager::TransgressionManager(DetectionManager& detection, ResolutionManager& resolution)
	: detection(detection), resolution(resolution), rows(resolution)
{
}

void TransgressionManager::Start()
{
	awakeManifolds.clear();
	sleepingManifolds.clear();
	sleepingUnreported = false;
	manifoldPool.Reserve(Capacity(Physics::Settings().maxManifolds));
	contactPool.Reserve(Capacity(Physics::Settings().maxContacts));
	rows.Reserve(Capacity(Physics::Settings().maxContacts));
	reportQueue.reserve(Capacity(Physics::Settings().maxManifolds));
	connections.Clear();
}

void TransgressionManager::Shutdown()
{
	for (ManifoldMap* map : {&awakeManifolds, &sleepingManifolds})
	{
		for (auto& entry : *map)
		{
			ReleaseManifold(*entry.second);
			Free(*entry.second);
		}
		map->clear();
	}
}

CollisionManifold* TransgressionManager::FindOrCreateManifold(RigidBody& first, RigidBody& second)
{
	const CollisionPair pair = MakeCollisionPair(&first, &second);
	for (ManifoldMap* map : {&awakeManifolds, &sleepingManifolds})
		if (const auto found = map->find(pair); found != map->end())
			return found->second;
	CollisionManifold* manifold = manifoldPool.Insert(CollisionManifold(
		const_cast<RigidBody*>(static_cast<const RigidBody*>(pair.first)),
		const_cast<RigidBody*>(static_cast<const RigidBody*>(pair.second)), contactPool));
	if (manifold != nullptr)
		awakeManifolds[pair] = manifold;
	return manifold;
}

CollisionManifold* TransgressionManager::FindManifold(const RigidBody& a, const RigidBody& b) const
{
	const CollisionPair pair = MakeCollisionPair(&a, &b);
	for (const ManifoldMap* map : {&awakeManifolds, &sleepingManifolds})
		if (const auto found = map->find(pair); found != map->end())
			return found->second;
	return nullptr;
}

void TransgressionManager::DestroyManifold(CollisionManifold& manifold)
{
	ReleaseManifold(manifold);
	if (!manifold.unreported)
		SendCollisionEnd(manifold);
	const CollisionPair pair = MakeCollisionPair(manifold.body0, manifold.body1);
	if (awakeManifolds.erase(pair) == 0)
		sleepingManifolds.erase(pair);
	Free(manifold);
}

void TransgressionManager::ReleaseManifold(CollisionManifold& manifold)
{
	manifold.ClearContacts();
	rows.Release(manifold);
}

void TransgressionManager::Free(CollisionManifold& manifold)
{
	manifoldPool.Erase(&manifold);
}

void TransgressionManager::EndContactsOf(RigidBody& body)
{
	for (ManifoldMap* map : {&sleepingManifolds, &awakeManifolds})
		for (auto entry = map->begin(); entry != map->end();)
		{
			CollisionManifold& manifold = *entry->second;
			if (manifold.body0 != &body && manifold.body1 != &body)
			{
				++entry;
				continue;
			}
			SendCollisionEnd(manifold);
			manifold.body0->Wake();
			manifold.body1->Wake();
			ReleaseManifold(manifold);
			Free(manifold);
			entry = map->erase(entry);
		}
}

void TransgressionManager::DetachConnectionsOf(const RigidBody& body)
{
	for (Connection* connection = connections.first; connection != nullptr;)
	{
		Connection* following = connection->next;
		if (connection->bodyA == &body || connection->bodyB == &body)
		{
			connection->Disconnect(resolution);
			for (RigidBody** held : {&connection->bodyA, &connection->bodyB})
				if (*held == &body)
					*held = nullptr;
			connections.Remove(*connection);
		}
		connection = following;
	}
}

void TransgressionManager::AddConnection(Connection& connection)
{
	if (!connections.Contains(connection))
		connections.Append(connection);
}

void TransgressionManager::RemoveConnection(Connection& connection)
{
	connections.Remove(connection);
}

void TransgressionManager::WakeIsland(RigidBody& body)
{
	const IslandSet::Set* island = islands.Find(&body);
	if (island == nullptr)
	{
		body.Wake();
		return;
	}
	for (IslandSet::Node* node = island->first; node != nullptr; node = node->next)
		const_cast<RigidBody*>(node->key)->Wake();
}

void TransgressionManager::SendCollision(CollisionManifold& manifold)
{
	// A manifold whose contacts went in the step it was made (its body turned GHOST) has nothing
	// to tell yet: it stays unreported, so no "CollisionEnd" can follow a report never sent.
	const ContactPoint* contact = manifold.contacts.first;
	if (contact == nullptr)
		return;
	manifold.unreported = false;
	Message toFirst("Collision");
	toFirst.PushU32(manifold.body1->ownerId).Push(contact->point).Push(contact->normal).PushFloat(contact->depth).Push(manifold.body1);
	Deliver(manifold.body0->ownerId, toFirst);
	Message toSecond("Collision");
	toSecond.PushU32(manifold.body0->ownerId).Push(contact->point).Push(-contact->normal).PushFloat(contact->depth).Push(manifold.body0);
	Deliver(manifold.body1->ownerId, toSecond);
}

void TransgressionManager::SendCollisionEnd(CollisionManifold& manifold)
{
	Message toFirst("CollisionEnd");
	toFirst.PushU32(manifold.body1->ownerId).Push(manifold.body1);
	Deliver(manifold.body0->ownerId, toFirst);
	Message toSecond("CollisionEnd");
	toSecond.PushU32(manifold.body0->ownerId).Push(manifold.body0);
	Deliver(manifold.body1->ownerId, toSecond);
}

void TransgressionManager::Update()
{
	ReportNew(awakeManifolds);
	// Parking is the only way into the sleeping map, so it holds an unreported manifold only when
	// one was parked before its report: a resting world need not walk its sleeping contacts.
	if (sleepingUnreported)
		sleepingUnreported = ReportNew(sleepingManifolds);
	detection.FilePendingAndCollide();
	FormIslands();
	WakeParkedManifolds();
	AgeAwakeManifolds();
	for (Connection* connection = connections.first; connection != nullptr;)
	{
		Connection* following = connection->next;
		connection->Update(resolution);
		connection = following;
	}
	for (auto& entry : awakeManifolds)
		rows.Build(*entry.second);
}

bool TransgressionManager::ReportNew(ManifoldMap& map)
{
	// A handler may end contacts (a body removed at once): the walk collects first, then reports
	// each manifold still held.
	reportQueue.clear();
	for (auto& entry : map)
		if (entry.second->unreported)
			reportQueue.push_back(entry.second);
	bool anyLeft = false;
	for (CollisionManifold* manifold : reportQueue)
		if (manifoldPool.NodeOf(manifold) != nullptr && manifold->unreported)
		{
			SendCollision(*manifold);
			anyLeft = anyLeft || manifold->unreported;
		}
	return anyLeft;
}

void TransgressionManager::FormIslands()
{
	islands.Separate([](const RigidBody* body, IslandInfo& info) { info.asleep = body->IsAsleep(); });
	for (const ManifoldMap* map : {&awakeManifolds, &sleepingManifolds})
		for (const auto& entry : *map)
			if (JoinsIslands(*entry.second->body0) && JoinsIslands(*entry.second->body1))
				islands.Union(entry.second->body0, entry.second->body1);
	for (Connection* connection = connections.first; connection != nullptr; connection = connection->next)
		if (connection->bodyA != nullptr && connection->bodyB != nullptr)
			islands.Union(connection->bodyA, connection->bodyB);
	for (RigidBody* body = resolution.GetBodies().first; body != nullptr; body = body->next)
		body->staticMarker = IsIslandAsleep(*body);
}

void TransgressionManager::WakeParkedManifolds()
{
	for (auto entry = sleepingManifolds.begin(); entry != sleepingManifolds.end();)
	{
		CollisionManifold& manifold = *entry->second;
		if (manifold.body0->staticMarker && manifold.body1->staticMarker)
		{
			++entry;
			continue;
		}
		// A full active list cannot take the parked rows back: they go, and the next build makes
		// them anew as room allows.
		if (!rows.Unpark(manifold))
			rows.Release(manifold);
		manifold.inactive = false;
		awakeManifolds[entry->first] = &manifold;
		entry = sleepingManifolds.erase(entry);
	}
}

void TransgressionManager::AgeAwakeManifolds()
{
	for (auto entry = awakeManifolds.begin(); entry != awakeManifolds.end();)
	{
		CollisionManifold& manifold = *entry->second;
		const bool bothAsleep = manifold.body0->IsAsleep() && manifold.body1->IsAsleep();
		if (!manifold.touched && !bothAsleep)
		{
			ReleaseManifold(manifold);
			if (!manifold.unreported)
				SendCollisionEnd(manifold);
			Free(manifold);
			entry = awakeManifolds.erase(entry);
			continue;
		}
		// A full inactive list refuses the parking and the manifold stays awake, so that its rows
		// are not left in the solver unaccounted for.
		if (manifold.body0->staticMarker && manifold.body1->staticMarker && rows.Park(manifold))
		{
			manifold.inactive = true;
			sleepingUnreported = sleepingUnreported || manifold.unreported;
			sleepingManifolds[entry->first] = &manifold;
			entry = awakeManifolds.erase(entry);
			continue;
		}
		manifold.touched = false;
		++entry;
	}
}

void TransgressionManager::PostUpdate()
{
	const Physics* physics = Physics::Instance();
	if (physics == nullptr || !physics->IsDebugDrawing())
		return;
	for (const Connection* connection = connections.first; connection != nullptr; connection = connection->next)
		for (const BaseConstraint* constraint : connection->constraints)
			constraint->DebugDraw();
}
