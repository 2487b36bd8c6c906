#include "Systems/Graphics/LightScissor.h"

#include "Utilities/MathCommon.h"

#include <algorithm>
#include <cmath>

Tuple4<int> SphereScissor(const Tuple3f& viewCentre, float radius, const PerspectiveView& view)
{
	const Tuple4<int>& port = view.viewport;
	// The eye looks down -z: the sphere's nearest depth must lie beyond the near plane.
	if (-(viewCentre.z + radius) <= view.nearClip)
		return port;
	const float focal = static_cast<float>(1.0 / std::tan(view.fieldOfView * kDegreesToRadians * 0.5));
	float left = 1.0f;
	float right = -1.0f;
	float bottom = 1.0f;
	float top = -1.0f;
	// The box around the sphere encloses it, so the box's corners bound its projection.
	for (int corner = 0; corner < 8; ++corner)
	{
		const float x = viewCentre.x + ((corner & 1) != 0 ? radius : -radius);
		const float y = viewCentre.y + ((corner & 2) != 0 ? radius : -radius);
		const float depth = -(viewCentre.z + ((corner & 4) != 0 ? radius : -radius));
		const float ndcX = focal / view.aspect * x / depth;
		const float ndcY = focal * y / depth;
		left = std::min(left, ndcX);
		right = std::max(right, ndcX);
		bottom = std::min(bottom, ndcY);
		top = std::max(top, ndcY);
	}
	const auto toWindow = [](float ndc, int origin, int size) {
		return origin + static_cast<int>(std::clamp((ndc + 1.0f) * 0.5f, 0.0f, 1.0f) * static_cast<float>(size));
	};
	const int x0 = toWindow(left, port.x, port.z);
	const int y0 = toWindow(bottom, port.y, port.w);
	// One pixel more on the far sides: the truncation above may cut a partly covered pixel.
	const int x1 = std::min(toWindow(right, port.x, port.z) + 1, port.x + port.z);
	const int y1 = std::min(toWindow(top, port.y, port.w) + 1, port.y + port.w);
	return Tuple4<int>(x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0));
}
