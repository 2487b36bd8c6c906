// GolemTeleport: the leaf with which the golem moves to another of its places in a whirlwind. It
// spins up about the vertical, flings its scraps upwards one by one ("Cyclone" when the spin is
// full), slides to the new place spinning, reels the scraps back in and spins down, then succeeds.
// Each phase lasts its own time; a phase of no time ends in its first update.
#pragma once

#include "Systems/Logic/BehaviorNode.h"
#include "Systems/Logic/LeafClock.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <vector>

class GolemPoints;

class GolemTeleport final : public BehaviorNode
{
public:
	enum Phase : int
	{
		kSpinUp = 0,
		kExplode = 1,
		kTravel = 2,
		kRegroup = 3,
		kSpinDown = 4,
	};

	// The places come last, as one nested element; with none the node fails at Start.
	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

	Phase GetPhase() const { return phase; }
	std::uint32_t GetLocationIndex() const { return locationIndex; }

	float spinupTime = 0.0f;
	float explodeTime = 0.0f;
	float travelTime = 0.0f;
	float regroupTime = 0.0f;
	float spindownTime = 0.0f;
	// Radians per second; degrees per second in files.
	float spinVelocity = 0.0f;
	float explodeVelocity = 0.0f;
	// Added to every place, (x, z).
	Tuple2f locationOffset;
	// (x, z) each.
	std::vector<Tuple2f> rLocations;

private:
	void EnterPhase(Phase next);
	void SetSpin(float rate) const;
	void PrepareRelease(const GolemPoints* points);
	void Fling(std::size_t scrap, GolemPoints& points) const;
	void MeasureDistances(const GolemPoints* points);
	void Land(GolemPoints* points) const;
	GolemPoints* Points() const;

	// As read, so that a save writes back what was loaded, not a value converted there and back.
	float spinVelocityDegrees = 0.0f;
	float spin = 0.0f;
	Tuple2f start;
	Tuple2f destination;
	std::uint32_t locationIndex = 0;
	Phase phase = kSpinUp;
	LeafClock inPhase;
	float phaseElapsed = 0.0f;
	std::vector<unsigned> scraps;
	std::vector<float> releaseTimes;
	std::vector<float> distances;
};
