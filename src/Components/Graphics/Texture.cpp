#include "Components/Graphics/Texture.h"

#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"

bool Texture::Load(Serializer& serializer)
{
	LoadTextureFields(serializer);
	return true;
}

void Texture::LoadTextureFields(Serializer& serializer)
{
	serializer.Read(textureName);
	serializer.Read(format);
	scale = Tuple2f(1.0f, 1.0f);
	if (serializer.HasMore())
		serializer.Read(scale);
	clamp = false;
	if (serializer.HasMore())
		serializer.Read(clamp);
	ReleaseMedia(texture);
	texture = GetTexture(textureName, static_cast<unsigned>(ParseTextureFormat(format)), clamp);
}

bool Texture::Serialize(Serializer& serializer)
{
	WriteTextureFields(serializer);
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
	ReleaseMedia(texture);
	texture = GetTexture(imageName, static_cast<unsigned>(ParseTextureFormat(format)), clamp);
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
