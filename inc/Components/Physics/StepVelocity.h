// The velocity that carries a kinematic body over a displacement in one physics step, as the
// components that move bodies by hand (golem anchors, ragdoll parts) give it.
#pragma once

#include "Utilities/Tuple.h"

#include <cfloat>
#include <cmath>

// displacement / step; a step too short to divide by gives each component the largest float with
// the displacement's sign (0 counts as positive).
inline Tuple3f VelocityOverStep(const Tuple3f& displacement, float step)
{
	if (std::fabs(step) > FLT_EPSILON)
		return displacement * (1.0f / step);
	const auto extreme = [](float value) { return value < 0.0f ? -FLT_MAX : FLT_MAX; };
	return Tuple3f(extreme(displacement.x), extreme(displacement.y), extreme(displacement.z));
}
