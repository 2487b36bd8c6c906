#include "Components/Graphics/Texture.h"

#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"

#include "Utilities/v8/ScriptTuples.h"

#include <GL/glew.h>

namespace
{
	[[maybe_unused]] const bool diffuseTextureScriptClassRegistered = [] {
		JSObject<DiffuseTexture>::Bind("DiffuseTexture", 0)
			.AddAccessor("texture", &Texture::GetTextureName, &Texture::ChangeTexture)
			.AddAccessor("scale", &Texture::GetScale, &Texture::SetScale);
		return true;
	}();
}

bool Texture::Load(Serializer& serializer)
{
	ReadTextureFields(serializer, true);
	FetchTexture(textureName);
	return true;
}

void Texture::ReadTextureFields(Serializer& serializer, bool readClamp)
{
	serializer.Read(textureName);
	serializer.Read(format);
	// Told apart by their types: a record may leave the scale out and still hold what follows.
	scale = Tuple2f(1.0f, 1.0f);
	if (serializer.NextValueIs<Tuple2f>())
		serializer.Read(scale);
	clamp = false;
	if (readClamp)
		ReadClamp(serializer);
}

void Texture::ReadClamp(Serializer& serializer)
{
	if (serializer.NextValueIs<bool>())
		serializer.Read(clamp);
}

void Texture::FetchTexture(const std::string& imageName)
{
	// The name is kept with the texture: a reload after a device loss fetches the one shown.
	textureName = imageName;
	ReleaseMedia(texture);
	texture = GetTexture(imageName, static_cast<unsigned>(ParseTextureFormat(format)), clamp);
}

bool Texture::Serialize(Serializer& serializer)
{
	WriteTextureFields(serializer);
	serializer.Write("clamp", clamp);
	return true;
}

void Texture::WriteTextureFields(Serializer& serializer) const
{
	serializer.Write("texture name", GetTextureName());
	serializer.Write("format", format);
	serializer.Write("scale", scale);
}

bool Texture::Start()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Textures().PushBack(this);
	SetScale(scale);
	return true;
}

bool Texture::Update()
{
	return false;
}

void Texture::Release()
{
	ReleaseMedia(texture);
}

void Texture::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Textures().Remove(this);
}

void Texture::Reload()
{
	texture = GetTexture(textureName, static_cast<unsigned>(ParseTextureFormat(format)), clamp);
}

void Texture::ChangeTexture(const std::string& imageName)
{
	FetchTexture(imageName);
}

void Texture::SetScale(const Tuple2f& newScale)
{
	scale = newScale;
	if (scale.x != 0.0f && scale.y != 0.0f)
		return;
	const Transform* transform = owner != nullptr ? owner->GetComponent<Transform>() : nullptr;
	if (transform == nullptr)
		return;
	const Tuple2f objectScale(transform->GetScale().x, transform->GetScale().y);
	scale = objectScale / static_cast<float>(scale.Length());
}

std::string Texture::GetTextureName() const
{
	return texture != nullptr ? texture->name : std::string();
}

bool Texture::BindUnlessBound(unsigned& remembered, int unitIndex, const Tuple2f& bindScale)
{
	const unsigned name = texture != nullptr ? texture->media.texture : 0;
	if (name == remembered)
		return false;
	BindTextureUnit(GL_TEXTURE0 + static_cast<unsigned>(unitIndex), texture, bindScale.x, bindScale.y);
	remembered = name;
	return true;
}

bool DiffuseTexture::Load(Serializer& serializer)
{
	owner->RegisterHandler("SetTexture", &DiffuseTexture::OnSetTexture);
	return Texture::Load(serializer);
}

bool DiffuseTexture::Update()
{
	const unsigned name = texture != nullptr ? texture->media.texture : 0;
	if (name == BoundTextures.diffuse && scale == BoundTextures.diffuseScale)
		return false;
	BindTextureUnit(GL_TEXTURE0, texture, scale.x, scale.y);
	BoundTextures.diffuse = name;
	BoundTextures.diffuseScale = scale;
	return true;
}

void DiffuseTexture::OnSetTexture(Message::Reader reader)
{
	ChangeTexture(reader.Read<std::string>());
}

bool Texture::BindOnSharedUnit(unsigned& remembered, unsigned& sharerRemembered, int unitIndex)
{
	if (!BindUnlessBound(remembered, unitIndex, Tuple2f(1.0f, 1.0f)))
		return false;
	// The other kind's image is no longer on the unit: its next bind must not be skipped.
	sharerRemembered = 0;
	return true;
}

bool SpecularTexture::Update()
{
	return BindOnSharedUnit(BoundTextures.specular, BoundTextures.emissive, 1);
}

bool AmbientTexture::Update()
{
	return BindUnlessBound(BoundTextures.ambient, 2, Tuple2f(1.0f, 1.0f));
}

bool EmissiveTexture::Load(Serializer& serializer)
{
	owner->RegisterHandler("SetEmissiveFactor", &EmissiveTexture::OnSetEmissiveFactor);
	// The factor follows the scale, where Serialize writes it; a clamp flag may come last.
	ReadTextureFields(serializer, false);
	serializer.Read(emissiveFactor);
	ReadClamp(serializer);
	FetchTexture(textureName);
	return true;
}

bool EmissiveTexture::Serialize(Serializer& serializer)
{
	WriteTextureFields(serializer);
	serializer.Write("emissive factor", emissiveFactor);
	serializer.Write("clamp", clamp);
	return true;
}

bool EmissiveTexture::Update()
{
	SetProgramFactor(emissiveFactor);
	return BindOnSharedUnit(BoundTextures.emissive, BoundTextures.specular, 1);
}

void EmissiveTexture::SetProgramFactor(float factor)
{
	const int location = CurrentUniform(Uniform::EmissiveFactor);
	if (location >= 0)
		glUniform1f(location, factor);
}

void EmissiveTexture::OnSetEmissiveFactor(Message::Reader reader)
{
	reader.Read(emissiveFactor);
}
