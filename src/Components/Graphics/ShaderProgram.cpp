#include "Components/Graphics/ShaderProgram.h"

#include "Serializer.h"
#include "Utilities/BinaryFile.h"
#include "Utilities/HashMap.h"
#include "Utilities/UnorderedVector.h"
#include "Components/Graphics/GLContext.h"

#include <GL/glew.h>

#include <array>
#include <iostream>
#include <sstream>
#include <vector>

unsigned CurrentProgram = 0;

namespace
{
	// The names the shipped GLSL declares, in the order of the Uniform and Attribute enums.
	constexpr std::array<const char*, static_cast<std::size_t>(Uniform::Count)> kUniformNames = {
		"sampler[0]", "sampler[1]", "sampler[2]", "sampler[3]", "sampler[4]", "sampler[5]", "sampler[6]",
		"sampler[7]", "clipNear", "invClipDiff", "clipFar", "camDir", "invBufferDim", "color",
		"emissiveFactor", "attConst", "attLinear", "attQuad", "striations", "lightPos", "L", "boneMatrices[0]"};
	// The composite primitive looks its tangents up with capitals, the primitive without.
	constexpr std::array<const char*, static_cast<std::size_t>(Attribute::Count)> kAttributeNames = {
		"tangent", "binormal", "Tangent", "Binormal", "blendWeights", "blendIndices"};

	struct ProgramLocations
	{
		std::array<int, kUniformNames.size()> uniforms{};
		std::array<int, kAttributeNames.size()> attributes{};
		tw::hash_map<std::string, int> byName;
		bool linked = false;
	};

	tw::unordered_vector<MediaInfo<unsigned>*>& ShaderObjectCache()
	{
		static tw::unordered_vector<MediaInfo<unsigned>*> cache;
		return cache;
	}

	tw::hash_map<std::string, ShaderProgramEntry*>& ShaderProgramCache()
	{
		static tw::hash_map<std::string, ShaderProgramEntry*> cache;
		return cache;
	}

	// Indexed by program object name; OpenGL hands out small consecutive names.
	std::vector<ProgramLocations>& Locations()
	{
		static std::vector<ProgramLocations> locations;
		return locations;
	}

	// A program that did not link has no uniforms or attributes (asking would be an OpenGL error).
	void FindLocations(unsigned program, bool linked)
	{
		std::vector<ProgramLocations>& all = Locations();
		if (all.size() <= program)
			all.resize(program + 1);
		ProgramLocations& locations = all[program];
		locations.byName.clear();
		locations.linked = linked;
		for (std::size_t i = 0; i < kUniformNames.size(); ++i)
			locations.uniforms[i] = linked ? glGetUniformLocation(program, kUniformNames[i]) : -1;
		for (std::size_t i = 0; i < kAttributeNames.size(); ++i)
			locations.attributes[i] = linked ? glGetAttribLocation(program, kAttributeNames[i]) : -1;
	}

	const ProgramLocations* LocationsOf(unsigned program)
	{
		const std::vector<ProgramLocations>& all = Locations();
		return program != 0 && program < all.size() ? &all[program] : nullptr;
	}

	GLenum StageOf(const std::string& fileName)
	{
		if (fileName.find(".vs") != std::string::npos)
			return GL_VERTEX_SHADER;
		if (fileName.find(".fs") != std::string::npos)
			return GL_FRAGMENT_SHADER;
		return 0;
	}

	// The last line ends with "\n". A missing file gives empty text, which OpenGL rejects.
	std::string ReadSource(const std::string& fileName)
	{
		std::string source;
		std::string problem;
		if (!ReadDataFile(fileName, source, problem))
			std::cout << "Shader source \"" << fileName << "\" was not read: " << problem << std::endl;
		else if (!source.empty() && source.back() != '\n')
			source += '\n';
		return source;
	}

	template <class GetInfo, class GetLog>
	std::string InfoLog(unsigned object, GetInfo getInfo, GetLog getLog)
	{
		GLint length = 0;
		getInfo(object, GL_INFO_LOG_LENGTH, &length);
		if (length <= 1)
			return {};
		std::string log(static_cast<std::size_t>(length), '\0');
		getLog(object, length, nullptr, log.data());
		log.resize(static_cast<std::size_t>(length) - 1);
		return log;
	}

	// The two source names of the definition; false (with a diagnostic) when it cannot be read.
	bool ReadDefinition(const std::string& programName, std::string& first, std::string& second)
	{
		if (programName.empty())
		{
			std::cout << "Shader program: asked for a program without a name" << std::endl;
			return false;
		}
		std::string text;
		std::string problem;
		if (!ReadDataFile(programName, text, problem))
		{
			std::cout << "Shader program \"" << programName << "\": no definition file of that name can be read (" << problem << ")"
					  << std::endl;
			return false;
		}
		std::istringstream in(text);
		Serializer definition;
		if (!definition.LoadFromStream(in, programName))
		{
			std::cout << "Shader program \"" << programName << "\": the definition file cannot be read" << std::endl;
			return false;
		}
		return ReadShaderDefinition(definition, programName, first, second);
	}
}

bool ReadShaderDefinition(Serializer& definition, const std::string& programName, std::string& first, std::string& second)
{
	for (std::string* source : {&first, &second})
	{
		if (!definition.HasMore())
		{
			std::cout << "Shader program \"" << programName << "\": the definition names "
					  << (source == &first ? "no source" : "one source, not two") << std::endl;
			return false;
		}
		definition.Read(*source);
	}
	return true;
}

ShaderProgramEntry* GetShaderProgram(const std::string& programName)
{
	tw::hash_map<std::string, ShaderProgramEntry*>& cache = ShaderProgramCache();
	const auto found = cache.find(programName);
	if (found != cache.end())
	{
		++found->second->count;
		return found->second;
	}
	ShaderProgramEntry* entry = new ShaderProgramEntry{1, BuildShaderProgram(programName), programName};
	cache[programName] = entry;
	return entry;
}

MediaInfo<unsigned>* GetShaderObject(const std::string& fileName)
{
	tw::unordered_vector<MediaInfo<unsigned>*>& cache = ShaderObjectCache();
	for (MediaInfo<unsigned>* entry : cache)
		if (entry->name == fileName)
		{
			++entry->count;
			return entry;
		}
	MediaInfo<unsigned>* entry = new MediaInfo<unsigned>{1, CompileShaderFile(fileName), fileName};
	cache.push_back(entry);
	return entry;
}

unsigned CompileShaderFile(const std::string& fileName)
{
	const GLenum stage = StageOf(fileName);
	const std::string source = ReadSource(fileName);
	// OpenGL has no object to give a text of unknown stage to; the program's link reports it.
	if (stage == 0)
	{
		std::cout << "Shader source \"" << fileName << "\" is named neither .vs nor .fs" << std::endl;
		return 0;
	}
	const GLuint shader = glCreateShader(stage);
	const char* text = source.c_str();
	glShaderSource(shader, 1, &text, nullptr);
	glCompileShader(shader);
	GLint compiled = 0;
	glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
	if (compiled == 0)
	{
		const std::string log = InfoLog(shader, glGetShaderiv, glGetShaderInfoLog);
		if (!log.empty())
			PrintShaderLog(fileName, log);
	}
	return shader;
}

ShaderProgramData BuildShaderProgram(const std::string& programName)
{
	std::string firstName;
	std::string secondName;
	if (!ReadDefinition(programName, firstName, secondName))
		return {};
	// Without a context the program functions were never loaded: a Shader component of an object
	// made headless (a test world, a tool) gets no program instead of a call through a null pointer.
	if (!HasGLContext())
		return {};
	ShaderProgramData data{0, GetShaderObject(firstName), GetShaderObject(secondName)};
	data.program = glCreateProgram();
	if (data.first->media != 0)
		glAttachShader(data.program, data.first->media);
	if (data.second->media != 0)
		glAttachShader(data.program, data.second->media);
	glLinkProgram(data.program);
	GLint linked = 0;
	glGetProgramiv(data.program, GL_LINK_STATUS, &linked);
	if (linked == 0)
	{
		const std::string log = InfoLog(data.program, glGetProgramiv, glGetProgramInfoLog);
		if (!log.empty())
		{
			std::cout << "Shader program \"" << programName << "\":\n";
			PrintShaderLog("linking program", log);
		}
	}
	FindLocations(data.program, linked != 0);
	return data;
}

void PrintShaderLog(const std::string& whatFailed, const std::string& log)
{
	std::cout << "Error encountered in " << whatFailed << "\n" << "Error log: \n" << log << std::endl;
}

void ReleaseShaderCaches()
{
	const bool deleteObjects = HasGLContext();
	tw::unordered_vector<MediaInfo<unsigned>*>& stages = ShaderObjectCache();
	for (MediaInfo<unsigned>* entry : stages)
	{
		if (deleteObjects && entry->media != 0)
			glDeleteShader(entry->media);
		delete entry;
	}
	stages.clear();
	tw::hash_map<std::string, ShaderProgramEntry*>& programs = ShaderProgramCache();
	for (auto& [name, entry] : programs)
	{
		if (deleteObjects && entry->media.program != 0)
			glDeleteProgram(entry->media.program);
		delete entry;
	}
	programs.clear();
	Locations().clear();
	// OpenGL reuses program names: a remembered one could name a new program that was never bound.
	if (deleteObjects && CurrentProgram != 0)
		glUseProgram(0);
	CurrentProgram = 0;
}

bool UseProgram(unsigned program)
{
	if (CurrentProgram == program)
		return false;
	CurrentProgram = program;
	glUseProgram(program);
	return true;
}

bool UseProgram(const std::string& programName)
{
	ShaderProgramEntry* entry = GetShaderProgram(programName);
	const bool changed = UseProgram(entry->media.program);
	ReleaseMedia(entry);
	return changed;
}

int UniformLocation(unsigned program, Uniform uniform)
{
	const ProgramLocations* locations = LocationsOf(program);
	return locations != nullptr ? locations->uniforms[static_cast<std::size_t>(uniform)] : -1;
}

int AttributeLocation(unsigned program, Attribute attribute)
{
	const ProgramLocations* locations = LocationsOf(program);
	return locations != nullptr ? locations->attributes[static_cast<std::size_t>(attribute)] : -1;
}

int UniformLocation(unsigned program, const std::string& name)
{
	if (LocationsOf(program) == nullptr)
		return -1;
	tw::hash_map<std::string, int>& byName = Locations()[program].byName;
	const auto found = byName.find(name);
	if (found != byName.end())
		return found->second;
	const int location = Locations()[program].linked ? glGetUniformLocation(program, name.c_str()) : -1;
	byName[name] = location;
	return location;
}

int CurrentUniform(Uniform uniform)
{
	return UniformLocation(CurrentProgram, uniform);
}
