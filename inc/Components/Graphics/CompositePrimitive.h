// CompositePrimitive: draws its object as several primitive shapes, each with its own offset,
// rotation and scale (a lamp post of a cylinder and a sphere). Only the class side exists so far:
// its fields, defaults and copying; loading and drawing the pieces are not built yet.
#pragma once

#include "Components/Graphics/Primitive.h"
#include "Utilities/UnorderedVector.h"

struct __CompositePrimitiveName
{
	static constexpr const char* name = "CompositePrimitive";
};

class CompositePrimitive : public ComponentBase<CompositePrimitive, __CompositePrimitiveName, Primitive>
{
public:
	struct CompositeData
	{
		// Holds the piece's shape, stacks and slices.
		PrimitiveEntry* mesh = nullptr;
		Tuple3f scale;
		Tuple3f offset;
		// A rotation vector.
		Tuple3f rotation;
	};

	const tw::unordered_vector<CompositeData>& GetPieces() const { return pieces; }
	tw::unordered_vector<CompositeData>& Pieces() { return pieces; }

private:
	// A copy gets storage of its own, as large as the source's count.
	tw::unordered_vector<CompositeData> pieces;
	bool loaded = false;
	RenderEntry compositeEntry;
};
