// Shader programs: every GLSL program is named by a small definition file listing one vertex and
// one fragment source. Programs and compiled stages are built on first request and shared through
// two reference-counted caches; CurrentProgram records the program bound last, so that a bind
// happens only on a change. Uniform and attribute locations are looked up once per program.
#pragma once

#include "Components/Graphics/MediaInfo.h"

#include <string>

class Serializer;

struct ShaderProgramData
{
	// The OpenGL program object; 0 when the definition could not be read.
	unsigned program = 0;
	// The two stages in the order the definition names them.
	MediaInfo<unsigned>* first = nullptr;
	MediaInfo<unsigned>* second = nullptr;
};

using ShaderProgramEntry = MediaInfo<ShaderProgramData>;

// The program last bound; 0 when none.
extern unsigned CurrentProgram;

// The cached program of the name (count + 1), built and cached on first request. Never null: a
// program that failed to compile or link stays cached, so its log is printed once.
ShaderProgramEntry* GetShaderProgram(const std::string& programName);
// The cached stage compiled from the source file (count + 1).
MediaInfo<unsigned>* GetShaderObject(const std::string& fileName);
// A name containing ".vs" is a vertex shader, else one containing ".fs" a fragment shader.
unsigned CompileShaderFile(const std::string& fileName);
ShaderProgramData BuildShaderProgram(const std::string& programName);
// Reads the two source names of a loaded definition; false, with a diagnostic naming the program,
// when it holds fewer than two values.
bool ReadShaderDefinition(Serializer& definition, const std::string& programName, std::string& first, std::string& second);
// "Error encountered in <what>", "Error log: ", then the log, on standard output.
void PrintShaderLog(const std::string& whatFailed, const std::string& log);
// Deletes every program and stage and empties both caches; nothing is bound afterwards.
void ReleaseShaderCaches();

// Binds the program unless it is bound already; true when the binding changed.
bool UseProgram(unsigned program);
// Gets the program of the name, binds it and gives the reference back at once (the passes and
// the debug drawing use programs this way); true when the binding changed.
bool UseProgram(const std::string& programName);

// The uniforms and attributes the renderer sets; their locations are found once per program.
enum class Uniform
{
	Sampler0, Sampler1, Sampler2, Sampler3, Sampler4, Sampler5, Sampler6, Sampler7,
	ClipNear, InvClipDiff, ClipFar, CamDir, InvBufferDim, Color, EmissiveFactor,
	AttConst, AttLinear, AttQuad, Striations, LightPos, L,
	// The first element of the bone array: the whole array is set from there in one call.
	BoneMatrices,
	Count
};
enum class Attribute
{
	Tangent, Binormal, CompositeTangent, CompositeBinormal, BlendWeights, BlendIndices,
	Count
};

// -1 when the program has no such uniform or attribute (or is 0).
int UniformLocation(unsigned program, Uniform uniform);
int AttributeLocation(unsigned program, Attribute attribute);
// Any other uniform by name, cached per program after the first look-up.
int UniformLocation(unsigned program, const std::string& name);
// The location in the current program; -1 when no program is bound.
int CurrentUniform(Uniform uniform);
