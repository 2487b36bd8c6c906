#include "Components/Graphics/AxisArrows.h"

#include "Components/Graphics/Camera.h"
#include "Systems/Graphics/Graphics.h"

namespace
{
	constexpr float kArrowLength = 0.025f;
	constexpr float kArrowWidth = 7.0f;
	constexpr float kHeadSize = 0.005f;
	constexpr int kTessellation = 10;
	constexpr float kQuarterTurn = 1.5707964f;
}

bool AxisArrows::Update()
{
	Graphics* graphics = Graphics::Find();
	const Camera* camera = graphics != nullptr ? graphics->GetActiveCamera() : nullptr;
	if (camera == nullptr)
		return true;
	// Low on the right of the view: the editor's panel covers the left of the window.
	const Tuple3f origin = camera->GetEyePosition() + camera->GetDirection() * (2.5f * camera->GetNearClip()) +
		camera->GetRight() / 8.0f - camera->GetUp() / 13.0f;
	const struct
	{
		Tuple3f axis;
		Tuple3f headRotation;
		Tuple4f colour;
	} arrows[] = {
		{{kArrowLength, 0, 0}, {0, 0, -kQuarterTurn}, {1, 0, 0, 1}},
		{{0, kArrowLength, 0}, {0, 0, 0}, {0, 1, 0, 1}},
		{{0, 0, kArrowLength}, {kQuarterTurn, 0, 0}, {0, 0, 1, 1}},
	};
	for (const auto& arrow : arrows)
		graphics->DrawLine(origin, origin + arrow.axis, kArrowWidth, arrow.colour);
	for (const auto& arrow : arrows)
		graphics->DrawCone(origin + arrow.axis, Tuple3f(kHeadSize, kHeadSize, kHeadSize), arrow.headRotation, kTessellation,
			kTessellation, arrow.colour);
	graphics->DrawSphere(origin, Tuple3f(kHeadSize, kHeadSize, kHeadSize), Tuple3f(), kTessellation, kTessellation,
		Tuple4f(0.5f, 0.5f, 0.5f, 1.0f));
	return true;
}
