#include "Components/Graphics/Skybox.h"

#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"

#include <GL/glew.h>

bool Skybox::Load(Serializer& serializer)
{
	serializer.Read(reverseWinding).Read(depth);
	return true;
}

bool Skybox::Serialize(Serializer& serializer)
{
	serializer.Write("reverse winding", reverseWinding);
	serializer.Write("depth", depth);
	return true;
}

bool Skybox::Start()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Skies().InsertOrdered(this, [this](const Skybox* listed) { return listed->depth <= depth; });
	return true;
}

bool Skybox::Update()
{
	glFrontFace(reverseWinding ? GL_CW : GL_CCW);
	return true;
}

void Skybox::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Skies().Remove(this);
}
