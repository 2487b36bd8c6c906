// BallisticAim: the launch direction that carries a projectile, thrown at a given speed along the
// horizontal direction to a target, to the target's height under gravity. Shared by the objects
// that shoot (ShootAtObject) and the throwing behaviours.
#pragma once

#include "Utilities/Tuple.h"

// toTarget: from the launch point to the target; speed: launch speed; gravityY: the vertical
// gravity component (negative downwards). The result is not normalised; a target straight above
// or below (or at the launch point) gives (0, 1, 0).
Tuple3f BallisticAim(const Tuple3f& toTarget, float speed, float gravityY);
