// TransgressionManager: the second stage of the physics step, which keeps the contacts between
// bodies from step to step, tells objects when they start and stop touching, groups bodies into
// islands and turns contacts into constraint rows.
#pragma once

#include "Systems/Physics/PhysicsSubsystem.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/DisjointSet.h"

#include <vector>

class Connection;

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
	// Whether the body's island sleeps as a whole; a body without an island is one of its own.
	bool IsIslandAsleep(const RigidBody& body) const
	{
		const IslandSet::Set* island = islands.Find(&body);
		return island != nullptr ? island->info.asleep : body.IsAsleep();
	}

	// Wakes every body of the body's island, the body itself included; the island is awake again.
	void WakeIsland(RigidBody& body);

	// The connections whose rows the step keeps up; a connection is listed at most once.
	void AddConnection(Connection& connection);
	// A connection that is not listed is left alone.
	void RemoveConnection(Connection& connection);
	bool IsListed(const Connection& connection) const;

	// Every body the resolution stage simulates has an island.
	IslandSet islands;
	std::vector<Connection*> connections;
};
