#include "Components/Logic/BallisticAim.h"

#include "Utilities/Tuple.h"

#include <cmath>

namespace
{
	// A horizontal component below this counts as none.
	constexpr float kLevel = 0.0001f;
}

Tuple3f BallisticAim(const Tuple3f& toTarget, float speed, float gravityY)
{
	const Tuple3f straightUp(0, 1, 0);
	// Normalising a zero vector gives huge values; a target at the launch point is aimed at as one above it.
	if (TupleMath::IsZeroLength<float>(toTarget.Length()))
		return straightUp;
	const Tuple3f n = toTarget.Normalize();
	float flightTime = 0.0f;
	if (std::fabs(n.x) >= kLevel)
		flightTime = toTarget.x / (n.x * speed);
	else if (std::fabs(n.z) >= kLevel)
		flightTime = toTarget.z / (n.z * speed);
	else
		return straightUp;
	return Tuple3f(n.x, (toTarget.y - 0.5f * gravityY * flightTime * flightTime) / (flightTime * speed), n.z);
}
