#include "Utilities/DebugDraw.h"

namespace
{
	void DrawNoLine(Tuple3f, Tuple3f, float, Tuple4f) {}
	void DrawNoSphere(Tuple3f, float, Tuple4f) {}
	void DrawNoShape(int, Tuple3f, Quaternion, Tuple3f, Tuple4f) {}
}

namespace DebugDraw
{
	DrawLineHook DrawLine = DrawNoLine;
	DrawSphereUniformHook DrawSphereUniform = DrawNoSphere;
	DrawShapeHook DrawShape = DrawNoShape;
}
