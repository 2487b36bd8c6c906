// VertexInfo: the layout of one vertex format id, the byte offsets of each attribute inside an
// interleaved vertex (-1 for an attribute the format lacks). Model files name their format by id;
// the Graphics system fills the table once at start-up and the model reader and drawing read it.
#pragma once

struct VertexInfo
{
	int stride = 0;
	int position = 0;
	int texCoord = 0;
	int colour = 0;
	int normal = 0;
	int tangent = 0;
	int binormal = 0;
	int extra = 0;
	int blendWeights = 0;
	int blendIndices = 0;
};

// The layout of the id; an id the table lacks gets an all-zero record (stride 0) inserted.
VertexInfo& GetVertexLayout(unsigned formatId);
// The layout of the id, or null when the table lacks it; never inserts.
const VertexInfo* FindVertexLayout(unsigned formatId);
// Enters the six formats 0 to 5 of the game's meshes; entering them again changes nothing.
void FillVertexLayouts();
