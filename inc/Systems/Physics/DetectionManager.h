// DetectionManager: the first stage of the physics step, which finds the pairs of colliders that
// touch and fills their contact manifolds, and answers ray and shape queries.
#pragma once

#include "Systems/Physics/PhysicsSubsystem.h"

class DetectionManager : public PhysicsSubsystem
{
};
