// TransgressionManager: the second stage of the physics step, which keeps the contacts between
// bodies from step to step, tells objects when they start and stop touching, groups bodies into
// islands that sleep and wake together, parks the contacts of sleeping islands, runs the
// connections and turns contacts into constraint rows.
#pragma once

#include "Systems/Physics/CollisionManifold.h"
#include "Systems/Physics/ContactRows.h"
#include "Systems/Physics/PhysicsList.h"
#include "Systems/Physics/PhysicsSubsystem.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/ContiguousList.h"
#include "Utilities/DisjointSet.h"
#include "Utilities/HashMap.h"

#include <vector>

class Connection;
class DetectionManager;
class ResolutionManager;

// What an island of touching or connected bodies knows of itself.
struct IslandInfo
{
	// True only while every body of the island is asleep.
	bool asleep = false;

	static void Join(IslandInfo& kept, const IslandInfo& absorbed) { kept.asleep = kept.asleep && absorbed.asleep; }
};

using IslandSet = tw::DisjointSet<const RigidBody*, IslandInfo>;

class TransgressionManager : public PhysicsSubsystem
{
public:
	using ManifoldMap = tw::hash_map<CollisionPair, CollisionManifold*>;

	TransgressionManager(DetectionManager& detection, ResolutionManager& resolution);

	// Reserves the manifold, contact and row-reference pools.
	void Start() override;
	// Every manifold goes, without messages.
	void Shutdown() override;
	// Reports, late filing, islands, parking, ageing, connections and contact rows.
	void Update() override;
	// Connections draw their constraints while physics debug drawing is on.
	void PostUpdate() override;

	// The pair's manifold, awake or asleep; a new one when it has none. Null when the pool is full.
	CollisionManifold* FindOrCreateManifold(RigidBody& first, RigidBody& second);
	// Null when the pair has none.
	CollisionManifold* FindManifold(const RigidBody& a, const RigidBody& b) const;
	// Releases the manifold and sends "CollisionEnd" when "Collision" was sent.
	void DestroyManifold(CollisionManifold& manifold);
	// Contacts, rows and references of the manifold go; the manifold stays.
	void ReleaseManifold(CollisionManifold& manifold);
	// Ends every contact of a body that leaves the world: "CollisionEnd" both ways, both bodies
	// woken.
	void EndContactsOf(RigidBody& body);

	// Every listed connection holding the body is disconnected, forgets the body and leaves the
	// list: a body that leaves the world must not be pulled, nor its pool slot's next tenant.
	void DetachConnectionsOf(const RigidBody& body);
	void AddConnection(Connection& connection);
	void RemoveConnection(Connection& connection);

	// Whether the body's island sleeps as a whole; a body without an island is one of its own.
	bool IsIslandAsleep(const RigidBody& body) const
	{
		const IslandSet::Set* island = islands.Find(&body);
		return island != nullptr ? island->info.asleep : body.IsAsleep();
	}
	// Wakes every body of the body's island, the body included.
	void WakeIsland(RigidBody& body);

	void SendCollision(CollisionManifold& manifold);
	void SendCollisionEnd(CollisionManifold& manifold);

	const ManifoldMap& GetAwakeManifolds() const { return awakeManifolds; }
	const ManifoldMap& GetSleepingManifolds() const { return sleepingManifolds; }
	unsigned GetContactRowReferenceCount() const { return rows.GetReferenceCount(); }
	const PhysicsList<Connection>& GetConnections() const { return connections; }

	// Every body the resolution stage simulates has an island.
	IslandSet islands;

private:
	// Sends "Collision" for each unreported manifold of the map; true when one stays unreported.
	bool ReportNew(ManifoldMap& map);
	void FormIslands();
	void WakeParkedManifolds();
	void AgeAwakeManifolds();
	// The record back to the pool; the caller has erased its map entry.
	void Free(CollisionManifold& manifold);

	DetectionManager& detection;
	ResolutionManager& resolution;
	ContactRows rows;
	tw::ContiguousList<ContactPoint> contactPool;
	ManifoldMap awakeManifolds;
	ManifoldMap sleepingManifolds;
	tw::ContiguousList<CollisionManifold> manifoldPool;
	PhysicsList<Connection> connections;
	// Whether a manifold may have been parked before its "Collision" was sent.
	bool sleepingUnreported = false;
	// Scratch of the reports; keeps its storage between steps.
	std::vector<CollisionManifold*> reportQueue;
};
