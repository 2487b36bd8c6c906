#include "Components/Graphics/TextureTransform.h"

#include "Composition.h"
#include "Serializer.h"
#include "Utilities/MathCommon.h"

#include <GL/glew.h>

#include <cmath>

bool TextureTransform::Load(Serializer& serializer)
{
	serializer.Read(pos).Read(scale).Read(rot);
	return true;
}

bool TextureTransform::Serialize(Serializer& serializer)
{
	serializer.Write("pos", pos);
	serializer.Write("scale", scale);
	serializer.Write("rot", rot);
	return true;
}

bool TextureTransform::Start()
{
	owner->RegisterHandler("SetTexturePos", &TextureTransform::OnSetTexturePos);
	owner->RegisterHandler("SetTextureRot", &TextureTransform::OnSetTextureRot);
	owner->RegisterHandler("SetTextureScale", &TextureTransform::OnSetTextureScale);
	return true;
}

bool TextureTransform::Update()
{
	glMatrixMode(GL_TEXTURE);
	glLoadIdentity();
	glTranslatef(pos.x, pos.y, 0.0f);
	glTranslatef(0.5f, 0.5f, 0.0f);
	glRotatef(static_cast<float>(std::sqrt(rot.x * rot.x + rot.y * rot.y) * kRadiansToDegrees), rot.x, 0.0f, rot.y);
	glTranslatef(-0.5f, -0.5f, 0.0f);
	glScalef(scale.x, scale.y, (scale.x + scale.y) * 0.5f);
	glMatrixMode(GL_MODELVIEW);
	return true;
}

void TextureTransform::OnSetTexturePos(Message::Reader reader)
{
	reader.Read(pos);
}

void TextureTransform::OnSetTextureRot(Message::Reader reader)
{
	reader.Read(rot);
}

void TextureTransform::OnSetTextureScale(Message::Reader reader)
{
	reader.Read(scale);
}
