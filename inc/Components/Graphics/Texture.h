// Texture: gives its object one image texture from the shared texture cache, with the OpenGL
// format to store it in, a repeat scale and a clamp flag. The base binds nothing; its kinds bind
// to their own texture unit when the object is drawn. The Graphics system lists every started
// texture so that it can fetch them again after a device loss.
#pragma once

#include "Component.h"
#include "Components/Graphics/TextureCache.h"
#include "Utilities/IntrusiveList.h"
#include "Utilities/Tuple.h"

#include <string>

struct __TextureName
{
	static constexpr const char* name = "Texture";
};

class Texture : public ComponentBase<Texture, __TextureName>
{
public:
	using TextureData = ::TextureData;

	// Texture name, format text, then an optional scale and an optional clamp flag.
	bool Load(Serializer& serializer) override;
	// "texture name" (the held entry's), "format", "scale"; the clamp flag is not written.
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	// The base binds nothing.
	bool Update() override;
	void Release() override;
	void Detach() override;
	// Fetches the texture again after the cache was emptied (the old pointer is not given back).
	virtual void Reload();

	// Gives the current texture back and takes the image of the name, with this format and clamp.
	void ChangeTexture(const std::string& imageName);
	// A scale with a zero component becomes the owner's Transform scale (x, y) over its length.
	void SetScale(const Tuple2f& newScale);
	// The held entry's name; empty when none is held.
	std::string GetTextureName() const;
	const Tuple2f& GetScale() const { return scale; }
	const TextureEntry* GetEntry() const { return texture; }

	ListLinks<Texture> links;

protected:
	// Reads the base fields and fetches the texture.
	void LoadTextureFields(Serializer& serializer);
	void WriteTextureFields(Serializer& serializer) const;

	TextureEntry* texture = nullptr;
	std::string format;
	std::string textureName;
	Tuple2f scale;
	bool clamp = false;
};
