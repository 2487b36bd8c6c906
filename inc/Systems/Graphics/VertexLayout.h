// The vertex layouts of the renderer's vertex formats (model meshes, ragdoll meshes, primitive
// meshes): the stride and the byte offset of each attribute, -1 for an absent one. Readers of
// mesh chunks use the stride to step over vertices.
#pragma once

struct VertexLayout
{
	int stride;
	int position;
	int texCoord;
	int colour;
	int normal;
	int tangent;
	int binormal;
	int extra;
	int blendWeights;
	int blendIndices;
};

inline constexpr unsigned kVertexFormatCount = 6;

// Null for a format id outside 0 to 5. Format 5 is the primitive meshes' PrimitiveVertex.
const VertexLayout* GetVertexLayout(unsigned format);
