// Fuzzes the shader program definition reader: the input is parsed as a definition file and its
// two source names are read as a program build reads them. Whatever the file holds, the reader
// either gives two names or says what is missing; it never reads past the document.
#include "Components/Graphics/ShaderProgram.h"
#include "Serializer.h"

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
	std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
	Serializer definition;
	if (definition.LoadFromStream(text, "FuzzedProgram"))
	{
		std::string first;
		std::string second;
		ReadShaderDefinition(definition, "FuzzedProgram", first, second);
	}
	Serializer::ClearFileCache();
	return 0;
}
