// GolemThrowScraps: the leaf with which the golem throws scraps from its forearms at a target,
// leading it by its velocity, and pulls them back on their ropes. An arm without scraps throws a
// ring of new objects from its hand instead. It succeeds when the ropes are in.
#pragma once

#include "Systems/Logic/BehaviorNode.h"
#include "Systems/Logic/LeafClock.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>
#include <vector>

class GolemPoints;

class GolemThrowScraps final : public BehaviorNode
{
public:
	enum Phase : int
	{
		kGhost = 0,
		kWait = 1,
		kReel = 2,
	};

	// The file puts "Wait Time" before "Reel Time".
	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	// Lets the thrown scraps fall and reels their ropes in at once.
	void Finish() override;

	const std::vector<unsigned>& GetThrown() const { return thrown; }
	const std::vector<unsigned>& GetSpawned() const { return spawned; }

	std::string targetName;
	float velocity = 0.0f;
	float ghostTime = 0.0f;
	float reelTime = 0.0f;
	float waitTime = 0.0f;
	std::string spawnFile;
	std::uint32_t numObjects = 0;
	float spawnRadius = 0.0f;
	float throwDistance = 0.0f;

private:
	struct Aim
	{
		Tuple3f position;
		Tuple3f velocity;
	};

	void TakeScraps(const std::string& arm, const std::string& hand, const Aim& aim);
	void ThrowScrap(unsigned scrap, const Aim& aim, GolemPoints* points) const;
	void ThrowRing(const std::string& hand, const Aim& aim);
	void ClearGhosts() const;
	void Release() const;
	GolemPoints* Points() const;

	std::vector<unsigned> spawned;
	std::vector<unsigned> thrown;
	LeafClock inPhase;
	Phase phase = kGhost;
};
