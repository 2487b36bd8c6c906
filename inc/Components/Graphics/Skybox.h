// Skybox: marks its object as a sky layer. The frame draws sky objects around the eye before the
// scene, deepest first, and the sky chooses which winding faces the viewer while it is drawn (a
// sky seen from inside reverses it).
#pragma once

#include "Component.h"
#include "Utilities/IntrusiveList.h"

struct __SkyboxName
{
	static constexpr const char* name = "Skybox";
};

class Skybox : public ComponentBase<Skybox, __SkyboxName>
{
public:
	// Reverse winding, then depth.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Joins the sky list before the first sky whose depth is not greater.
	bool Start() override;
	// Sets the front-face winding for the sky's drawing.
	bool Update() override;
	void Detach() override;

	float GetDepth() const { return depth; }
	bool IsReversed() const { return reverseWinding; }

	ListLinks<Skybox> links;

private:
	bool reverseWinding = false;
	float depth = 0.0f;
};
