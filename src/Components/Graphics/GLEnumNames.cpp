#include "Components/Graphics/GLEnumNames.h"

#include <GL/glew.h>

#include <iterator>

namespace
{
	struct EnumName
	{
		const char* name;
		unsigned value;
	};

	constexpr EnumName kPixelFormats[] = {{"GL_COLOR_INDEX", GL_COLOR_INDEX}, {"GL_RED", GL_RED},
		{"GL_GREEN", GL_GREEN}, {"GL_BLUE", GL_BLUE}, {"GL_ALPHA", GL_ALPHA}, {"GL_RGB", GL_RGB}, {"GL_BGR", GL_BGR},
		{"GL_RGBA", GL_RGBA}, {"GL_BGRA", GL_BGRA}, {"GL_LUMINANCE", GL_LUMINANCE},
		{"GL_LUMINANCE_ALPHA", GL_LUMINANCE_ALPHA}};

	constexpr EnumName kBlendFactors[] = {{"GL_ZERO", GL_ZERO}, {"GL_ONE", GL_ONE}, {"GL_SRC_COLOR", GL_SRC_COLOR},
		{"GL_ONE_MINUS_SRC_COLOR", GL_ONE_MINUS_SRC_COLOR}, {"GL_DST_COLOR", GL_DST_COLOR},
		{"GL_ONE_MINUS_DST_COLOR", GL_ONE_MINUS_DST_COLOR}, {"GL_SRC_ALPHA", GL_SRC_ALPHA},
		{"GL_ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA}, {"GL_DST_ALPHA", GL_DST_ALPHA},
		{"GL_ONE_MINUS_DST_ALPHA", GL_ONE_MINUS_DST_ALPHA}, {"GL_CONSTANT_COLOR", GL_CONSTANT_COLOR},
		{"GL_ONE_MINUS_CONSTANT_COLOR", GL_ONE_MINUS_CONSTANT_COLOR}, {"GL_CONSTANT_ALPHA", GL_CONSTANT_ALPHA},
		{"GL_ONE_MINUS_CONSTANT_ALPHA", GL_ONE_MINUS_CONSTANT_ALPHA},
		{"GL_SRC_ALPHA_SATURATE", GL_SRC_ALPHA_SATURATE}};

	template <std::size_t N>
	unsigned Lookup(const EnumName (&table)[N], const std::string& name)
	{
		for (const EnumName& entry : table)
			if (name == entry.name)
				return entry.value;
		return 0;
	}
}

unsigned PixelFormatFromName(const std::string& name)
{
	return Lookup(kPixelFormats, name);
}

unsigned BlendFactorFromName(const std::string& name)
{
	return Lookup(kBlendFactors, name);
}
