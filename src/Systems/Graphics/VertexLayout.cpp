#include "Systems/Graphics/VertexLayout.h"

#include "Components/Graphics/PrimitiveMesh.h"

#include <cstddef>

namespace
{
	constexpr VertexLayout kLayouts[kVertexFormatCount] = {
		{32, 0, 24, -1, 12, -1, -1, -1, -1, -1},
		{52, 0, 24, -1, 12, -1, -1, -1, 32, 48},
		{16, 0, -1, -1, -1, -1, -1, -1, -1, 12},
		{56, 0, 24, -1, 12, 32, 44, -1, -1, -1},
		{76, 0, 24, -1, 12, 32, 44, -1, 56, 72},
		{76, 0, 28, 12, 36, 48, 60, 72, -1, -1},
	};
	static_assert(kLayouts[5].stride == sizeof(PrimitiveVertex) && kLayouts[5].binormal == offsetof(PrimitiveVertex, binormal) &&
			kLayouts[5].extra == offsetof(PrimitiveVertex, counter),
		"format 5 describes PrimitiveVertex");
}

const VertexLayout* GetVertexLayout(unsigned format)
{
	return format < kVertexFormatCount ? &kLayouts[format] : nullptr;
}
