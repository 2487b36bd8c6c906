// TransgressionManager: the second stage of the physics step, which keeps the contacts between
// bodies from step to step, tells objects when they start and stop touching, groups bodies into
// islands and turns contacts into constraint rows.
#pragma once

#include "Systems/Physics/PhysicsSubsystem.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/DisjointSet.h"

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

	// Every body the resolution stage simulates has an island.
	IslandSet islands;
};
