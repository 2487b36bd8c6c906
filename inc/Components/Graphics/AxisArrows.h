// AxisArrows: the editor's gizmo of three coloured axis arrows and a small sphere, drawn through
// the debug queues at a fixed place low on the right in front of the active camera. It joins no renderer list:
// whoever shows the gizmo calls its Update once a frame before the debug pass.
#pragma once

#include "Components/QuietComponent.h"

struct __AxisArrowsName
{
	static constexpr const char* name = "AxisArrows";
};

class AxisArrows : public QuietComponent<AxisArrows, __AxisArrowsName>
{
public:
	// Queues the gizmo; nothing without an active camera.
	bool Update() override;
};
