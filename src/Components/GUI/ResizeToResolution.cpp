#include "Components/GUI/ResizeToResolution.h"

#include "Components/GUI/HTMLPane.h"
#include "Components/Graphics/OrthoPlane.h"
#include "Components/Graphics/PixelBuffer.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/GUI/GUI.h"
#include "Utilities/MathCommon.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
	// The single-precision 4:3.
	constexpr float kFourThirdsAspect = 1.3333334f;

	// A share of a base in whole pixels; out-of-range products (a wild percentage) are held at the
	// ends of int.
	int Share(float percentage, int base)
	{
		const double size = std::trunc(static_cast<double>(percentage) * base);
		if (!(size == size))
			return 0;
		return static_cast<int>(std::clamp(size, static_cast<double>(std::numeric_limits<int>::min()),
			static_cast<double>(std::numeric_limits<int>::max())));
	}
}

namespace
{
	// The pane's far edge; a sum past the range of int (a hand-edited file) is held at its end.
	int ScreenExtent(int position, int size)
	{
		return static_cast<int>(std::clamp(static_cast<long long>(position) + size, static_cast<long long>(std::numeric_limits<int>::min()),
			static_cast<long long>(std::numeric_limits<int>::max())));
	}
}

bool ResizeToResolution::Load(Serializer& serializer)
{
	owner->RegisterHandler("ResizeHud", &ResizeToResolution::OnResizeHud);
	serializer.Read(ChangeWidth_).Read(ChangeHeight_).Read(Keep4_3_Res_).Read(WidthPercentage_).Read(HeightPercentage_);
	return true;
}

bool ResizeToResolution::Serialize(Serializer& serializer)
{
	serializer.Write("ChangeWidth_", ChangeWidth_)
		.Write("ChangeHeight_", ChangeHeight_)
		.Write("Keep4_3_Res_", Keep4_3_Res_)
		.Write("WidthPercentage_", WidthPercentage_)
		.Write("HeightPercentage_", HeightPercentage_);
	return true;
}

Tuple2<int> ResizeToResolution::FittedSize(Tuple2<int> window, Tuple2<int> paneExtent) const
{
	if (Keep4_3_Res_)
		window.x = static_cast<int>(static_cast<float>(window.y) * kFourThirdsAspect);
	// One flag alone takes that side from the pane's own extent; both or neither take the window.
	const int widthBase = ChangeWidth_ && !ChangeHeight_ ? paneExtent.x : window.x;
	const int heightBase = ChangeHeight_ && !ChangeWidth_ ? paneExtent.y : window.y;
	return Tuple2<int>(Share(WidthPercentage_, widthBase), Share(HeightPercentage_, heightBase));
}

void ResizeToResolution::OnResizeHud(Message::Reader)
{
	HTMLPane* pane = owner->GetComponent<HTMLPane>();
	OrthoPlane* plane = owner->GetComponent<OrthoPlane>();
	PixelBuffer* buffer = owner->GetComponent<PixelBuffer>();
	if (pane == nullptr || plane == nullptr || buffer == nullptr)
		return;
	const Tuple4<int>& dimensions = pane->GetDimensions();
	const Tuple2<int> size = FittedSize(GUI::WindowSize(), Tuple2<int>(ScreenExtent(dimensions.x, dimensions.z), ScreenExtent(dimensions.y, dimensions.w)));
	owner->HandleMessage(Message("SetDisplayBounds").Push(Tuple4<int>(0, 0, size.x, size.y)));
	pane->Resize(size.x, size.y);
	owner->HandleMessage(Message("SetScale").Push(Tuple3f(static_cast<float>(size.x), static_cast<float>(size.y), 1.0f)));
	owner->HandleMessage(Message("SetPos").Push(Tuple3f(static_cast<float>(size.x / 2), static_cast<float>(size.y / 2), 0.0f)));
	plane->SetBounds(Tuple4<int>(0, 0, size.x, size.y));
	buffer->Resize(Tuple2<int>(NextPowerOfTwo(size.x), NextPowerOfTwo(size.y)));
}
