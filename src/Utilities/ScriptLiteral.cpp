#include "Utilities/v8/ScriptLiteral.h"

#include <cstdio>

std::string ScriptStringLiteral(const std::string& text)
{
	std::string literal = "\"";
	for (std::size_t i = 0; i < text.size(); ++i)
	{
		const unsigned char c = static_cast<unsigned char>(text[i]);
		if (c == '"' || c == '\\')
			literal += {'\\', static_cast<char>(c)};
		else if (c < 0x20 || c == 0x7F)
		{
			char escaped[8];
			std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
			literal += escaped;
		}
		// U+2028 and U+2029 end a line inside older script string literals.
		else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
				 (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9))
		{
			literal += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
			i += 2;
		}
		else
			literal += static_cast<char>(c);
	}
	return literal + "\"";
}
