// DetectionManager: the first stage of the physics step, which finds the pairs of colliders that
// touch and fills their contact manifolds, and answers ray and shape queries.
#pragma once

#include "Systems/Physics/PhysicsSubsystem.h"

#include <vector>

class Collider;

class DetectionManager : public PhysicsSubsystem
{
public:
	// Registers the GlobalConnection component type.
	void Initialize() override;
	// Queues the collider for filing at the next update; null, or a collider already queued, is ignored.
	void AddCollider(Collider* collider);
	// Takes the collider out of detection; null is ignored.
	void RemoveCollider(Collider* collider);
	bool IsQueued(const Collider* collider) const;

	std::vector<Collider*> pendingColliders;
};
