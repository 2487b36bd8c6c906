// PointSprite: draws the particles of its object's particle system as textured points, sorted by
// distance from the eye. Only the class side exists so far: the fields it keeps, their defaults
// and copying (the sprite groups it will draw come with its behaviour).
#pragma once

#include "Components/Graphics/Texture.h"
#include "Systems/Graphics/RenderEntry.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Tuple.h"

#include <string>
#include <vector>

struct __PointSpriteName
{
	static constexpr const char* name = "PointSprite";
};

class PointSprite : public ComponentBase<PointSprite, __PointSpriteName, Texture>
{
public:
	// The sprite's distance from the eye, by which the frame sorts the sprites far to near.
	float GetSortKey() const { return sortKey; }
	void SetSortKey(float key) { sortKey = key; }
	const std::vector<unsigned>& GetTextures() const { return textures; }

	ListLinks<PointSprite> spriteLinks;

private:
	Tuple3f distanceAttenuation;
	float baseSize = 0.0f;
	float maximumSize = 0.0f;
	float minimumSize = 0.0f;
	std::string blendSourceText;
	std::string blendDestinationText;
	unsigned blendSource = 0;
	unsigned blendDestination = 0;
	float threshold = 0.0f;
	bool sortParticles = false;
	std::vector<unsigned> textures;
	bool started = false;
	float sortKey = 0.0f;
	// Linked into the particle system's list when the sprite starts.
	RenderEntry systemNode;
};
