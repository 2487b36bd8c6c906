#include "Components/Graphics/Shader.h"

#include "Serializer.h"
#include "Systems/Graphics/Graphics.h"

bool Shader::Load(Serializer& serializer)
{
	serializer.Read(programName);
	ReleaseMedia(program);
	program = GetShaderProgram(programName);
	return true;
}

bool Shader::Serialize(Serializer& serializer)
{
	serializer.Write("shader name", programName);
	return true;
}

bool Shader::Start()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->AddShader(this);
	return true;
}

bool Shader::Update()
{
	return UseProgram(GetProgram());
}

void Shader::Release()
{
	ReleaseMedia(program);
}

void Shader::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Shaders().Remove(this);
}

void Shader::Reload()
{
	program = GetShaderProgram(programName);
}
