// Shader: gives its object the GLSL program named in the level file. The frame binds it when it
// draws the object; the Graphics system keeps the started shaders ordered by program, so objects
// of one program are drawn one after another and bind it once.
#pragma once

#include "Component.h"
#include "Components/Graphics/ShaderProgram.h"
#include "Utilities/IntrusiveList.h"

#include <string>

struct __ShaderName
{
	static constexpr const char* name = "Shader";
};

class Shader : public ComponentBase<Shader, __ShaderName>
{
public:
	using ShaderProgramData = ::ShaderProgramData;

	// Reads the program name and fetches the program.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	// Binds the program; false, doing nothing, when it is bound already.
	bool Update() override;
	void Release() override;
	void Detach() override;

	// 0 when no program is held.
	unsigned GetProgram() const { return program != nullptr ? program->media.program : 0; }
	// The program that draws skinned models for this one: "Animated" before its name, fetched on
	// first use; 0 when there is no such program.
	unsigned GetSkinnedProgram();
	const std::string& GetProgramName() const { return programName; }
	// Fetches the program again by name (after the caches were emptied by a device loss).
	void Reload();

	ListLinks<Shader> links;

private:
	ShaderProgramEntry* program = nullptr;
	ShaderProgramEntry* skinnedProgram = nullptr;
	std::string programName;
};
