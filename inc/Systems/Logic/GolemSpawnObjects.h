// GolemSpawnObjects: the leaf with which the golem drops one object of an archetype under each
// hand, left hand first, set on the first static surface below the hand and turned like the golem.
// It succeeds in its first update.
#pragma once

#include "Systems/Logic/BehaviorNode.h"

#include <string>

class GolemSpawnObjects final : public BehaviorNode
{
public:
	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	void Finish() override {}

	std::string spawnFile;

private:
	void SpawnBelow(const std::string& hand, const Tuple3f& rotation) const;
};
