// Texture: gives its object one image texture from the shared texture cache, with the OpenGL
// format to store it in, a repeat scale and a clamp flag. The base binds nothing; its kinds bind
// to their own texture unit when the object is drawn. The Graphics system lists every started
// texture so that it can fetch them again after a device loss.
#pragma once

#include "Component.h"
#include "Message.h"
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
	// "texture name" (the held entry's), "format", "scale", "clamp".
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
	// Binds the texture to unit GL_TEXTURE0 + unitIndex unless remembered (the kind's memory of
	// what it bound last) holds it already; true when it bound.
	bool BindUnlessBound(unsigned& remembered, int unitIndex, const Tuple2f& bindScale);
	// The same, unscaled, for a unit two kinds share: a bind makes the other kind forget its image.
	bool BindOnSharedUnit(unsigned& remembered, unsigned& sharerRemembered, int unitIndex);
	// Reads the base fields; the optional clamp flag only when readClamp.
	void ReadTextureFields(Serializer& serializer, bool readClamp);
	// Reads the clamp flag when the next value is one.
	void ReadClamp(Serializer& serializer);
	// Gives the held texture back and takes the image of the name with this format and clamp
	// flag; the name becomes the one reloaded and saved.
	void FetchTexture(const std::string& imageName);
	void WriteTextureFields(Serializer& serializer) const;

	TextureEntry* texture = nullptr;
	std::string format;
	std::string textureName;
	Tuple2f scale;
	bool clamp = false;
};

// The kinds of texture differ in the unit they bind to (diffuse 0, specular and emissive 1,
// ambient 2) and in whether their scale is applied; each remembers what it bound last, so that a
// bind of the same texture is skipped. A specular or emissive bind makes the other of the two
// forget its image, which the shared unit no longer holds.

struct __DiffuseTextureName
{
	static constexpr const char* name = "DiffuseTexture";
};

// Scripts see it as class "DiffuseTexture" with the properties "texture" and "scale".
class DiffuseTexture : public ComponentBase<DiffuseTexture, __DiffuseTextureName, Texture>
{
public:
	// Listens to "SetTexture" (an image name), then reads the base fields.
	bool Load(Serializer& serializer) override;
	// Unit 0 with the component's scale; skipped when that texture and scale are bound already.
	bool Update() override;

private:
	void OnSetTexture(Message::Reader reader);
};

struct __SpecularTextureName
{
	static constexpr const char* name = "SpecularTexture";
};

class SpecularTexture : public ComponentBase<SpecularTexture, __SpecularTextureName, Texture>
{
public:
	// Unit 1, unscaled.
	bool Update() override;
};

struct __AmbientTextureName
{
	static constexpr const char* name = "AmbientTexture";
};

class AmbientTexture : public ComponentBase<AmbientTexture, __AmbientTextureName, Texture>
{
public:
	// Unit 2, unscaled.
	bool Update() override;
};

struct __EmissiveTextureName
{
	static constexpr const char* name = "EmissiveTexture";
};

class EmissiveTexture : public ComponentBase<EmissiveTexture, __EmissiveTextureName, Texture>
{
public:
	// Listens to "SetEmissiveFactor"; reads the texture name, format and optional scale, then the
	// emissive factor, then an optional clamp flag.
	bool Load(Serializer& serializer) override;
	// The base fields, then "emissive factor" and "clamp".
	bool Serialize(Serializer& serializer) override;
	// Sets "emissiveFactor" on the current program on every call, then binds to unit 1, unscaled.
	bool Update() override;

	float GetEmissiveFactor() const { return emissiveFactor; }
	// Sets "emissiveFactor" on the current program, if it has one.
	static void SetProgramFactor(float factor);

private:
	void OnSetEmissiveFactor(Message::Reader reader);

	float emissiveFactor = 0.0f;
};
