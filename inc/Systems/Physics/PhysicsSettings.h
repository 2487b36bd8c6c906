// PhysicsSettings: the tuning of the physics step, read from the "Physics" element of the
// configuration by the Physics system and read by every part of the engine through
// Physics::Settings(). The limits fix the capacities of the pools, which never grow during a step.
#pragma once

#include "Utilities/Tuple.h"

#include <cstddef>

class Config;

struct PhysicsSettings
{
	// The EPA tolerance is held in radians beside its sine, cosine and tangent; SetEpaToleranceDegrees
	// keeps the four in step.
	float epaToleranceSin = 0.0f;
	float epaToleranceCos = 1.0f;
	float epaToleranceTan = 0.0f;
	float epaTolerance = 0.0f;
	int gjkIterations = 20;
	int epaIterations = 20;
	// Solver iterations per step once the first steps of a level are done.
	int constraintIterations = 10;
	int constraintFrameLimit = 15;
	// Still steps before a body sleeps.
	int sleepTimeout = 15;
	// Squared speed below which a body counts as still.
	float sleepEpsilon = 0.0005f;
	// Penetration or error tolerated before a row pushes back.
	float slop = 0.005f;
	float baumgarte = 15.0f;
	// Seconds per physics step; one step runs per frame.
	float timeStep = 0.016f;
	float gravityMagnitude = 9.8f;
	Tuple3f gravityDirection{0.0f, -1.0f, 0.0f};

	// Capacities: the rigid-body pool, colliders (kept, sizes nothing), the contact-point and
	// contact-row pools, the active constraint list (the inactive one holds twice as many), the
	// manifold pool.
	int maxBodies = 100;
	int maxColliders = 100;
	int maxContacts = 2000;
	int maxConstraints = 6000;
	int maxManifolds = 500;

	static constexpr float kDefaultEpaToleranceDegrees = 3.0f;
	// No pool holds more records than this, however much memory the machine has.
	static constexpr int kMaxPoolRecords = 1 << 20;

	PhysicsSettings() { SetEpaToleranceDegrees(kDefaultEpaToleranceDegrees); }

	// Each key present replaces its setting. A value outside the key's range (a step of no length,
	// a pool larger than memory allows) is refused with one diagnostic naming the key, and the
	// setting keeps the value it held.
	void Read(const Config& section);
	// The largest pool of records of that size that physical memory allows, at most kMaxPoolRecords.
	static int PoolLimit(std::size_t recordBytes);

	void SetEpaToleranceDegrees(float degrees);
	float GetEpaToleranceDegrees() const;
	// gravityMagnitude × gravityDirection.
	Tuple3f Gravity() const { return gravityDirection * gravityMagnitude; }
};
