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

unsigned Shader::GetSkinnedProgram()
{
	if (skinnedProgram == nullptr && !programName.empty())
		skinnedProgram = GetShaderProgram("Animated" + programName);
	return skinnedProgram != nullptr ? skinnedProgram->media.program : 0;
}

void Shader::Release()
{
	ReleaseMedia(program);
	ReleaseMedia(skinnedProgram);
}

void Shader::Detach()
{
	if (Graphics* graphics = Graphics::Find())
		graphics->Shaders().Remove(this);
}

void Shader::Reload()
{
	program = GetShaderProgram(programName);
	// The caches were emptied with the device: the skinned program is fetched again when needed.
	skinnedProgram = nullptr;
}
