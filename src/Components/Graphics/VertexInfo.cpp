#include "Components/Graphics/VertexInfo.h"

#include "Utilities/HashMap.h"

#include <iterator>

namespace
{
	tw::hash_map<unsigned, VertexInfo>& LayoutTable()
	{
		static tw::hash_map<unsigned, VertexInfo> table;
		return table;
	}
}

VertexInfo& GetVertexLayout(unsigned formatId)
{
	return LayoutTable()[formatId];
}

const VertexInfo* FindVertexLayout(unsigned formatId)
{
	const auto found = LayoutTable().find(formatId);
	return found != LayoutTable().end() ? &found->second : nullptr;
}

void FillVertexLayouts()
{
	// stride, position, texture coordinate, colour, normal, tangent, binormal, extra word, blend
	// weights, blend indices. Format 5 is the primitive meshes' vertex.
	static constexpr VertexInfo kLayouts[] = {
		{32, 0, 24, -1, 12, -1, -1, -1, -1, -1},
		{52, 0, 24, -1, 12, -1, -1, -1, 32, 48},
		{16, 0, -1, -1, -1, -1, -1, -1, -1, 12},
		{56, 0, 24, -1, 12, 32, 44, -1, -1, -1},
		{76, 0, 24, -1, 12, 32, 44, -1, 56, 72},
		{76, 0, 28, 12, 36, 48, 60, 72, -1, -1},
	};
	for (unsigned id = 0; id < std::size(kLayouts); ++id)
		GetVertexLayout(id) = kLayouts[id];
}
