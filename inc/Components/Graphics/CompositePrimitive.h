// CompositePrimitive: draws its object as several primitive shapes, each with its own offset,
// rotation and scale (a lamp post of a cylinder and a sphere). The frame draws it when the object
// has neither a Primitive nor a Model.
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
		// A rotation vector whose length is the angle in degrees.
		Tuple3f rotation;
	};

	// Visible; then one piece for every six values: shape name, stacks, slices, offset, scale,
	// rotation. A shape name none of the five shapes knows gives a piece that draws nothing.
	bool Load(Serializer& serializer) override;
	// "shape", "stacks", "slices", "offset", "scale", "rotation" for every piece.
	bool Serialize(Serializer& serializer) override;
	// Puts the object on the draw list (its entry is not tested against the view).
	bool Start() override;
	// Draws every piece under the object's Transform; false when it drew nothing.
	bool Update() override;
	// Gives back every piece's mesh.
	void Release() override;
	void Detach() override;

	const tw::unordered_vector<CompositeData>& GetPieces() const { return pieces; }
	tw::unordered_vector<CompositeData>& Pieces() { return pieces; }

private:
	// A copy gets storage of its own, as large as the source's count.
	tw::unordered_vector<CompositeData> pieces;
	RenderEntry compositeEntry;
};
