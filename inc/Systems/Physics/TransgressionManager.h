// TransgressionManager: the second stage of the physics step, which keeps the contacts between
// bodies from step to step, tells objects when they start and stop touching, groups bodies into
// islands and turns contacts into constraint rows.
#pragma once

#include "Systems/Physics/PhysicsSubsystem.h"

class TransgressionManager : public PhysicsSubsystem
{
};
