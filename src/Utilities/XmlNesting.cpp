#include "Utilities/XmlNesting.h"

namespace
{
	// Where the markup starting at start ends: past terminator, or the text's end.
	std::size_t PastTerminator(std::string_view text, std::size_t start, std::string_view terminator)
	{
		const std::size_t found = text.find(terminator, start);
		return found == std::string_view::npos ? text.size() : found + terminator.size();
	}

	// TinyXML takes "<" followed by a letter, "_" or a multi-byte character for an element.
	bool StartsElementName(char character)
	{
		const auto byte = static_cast<unsigned char>(character);
		return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || byte == '_' || byte >= 0x80;
	}
}

namespace tw
{
	bool NestsDeeperThan(std::string_view text, unsigned limit)
	{
		unsigned depth = 0;
		std::size_t position = text.find('<');
		while (position < text.size())
		{
			const std::string_view rest = text.substr(position);
			if (rest.starts_with("<!--"))
				position = PastTerminator(text, position + 4, "-->");
			else if (rest.starts_with("<![CDATA["))
				position = PastTerminator(text, position + 9, "]]>");
			else if (rest.size() > 1 && rest[1] == '/')
			{
				if (depth > 0)
					--depth;
				position = PastTerminator(text, position, ">");
			}
			else if (rest.size() > 1 && StartsElementName(rest[1]))
			{
				// An opening tag: find its end outside quoted attribute values.
				char quote = 0;
				std::size_t end = position + 1;
				for (; end < text.size(); ++end)
				{
					const char character = text[end];
					if (quote != 0)
						quote = character == quote ? 0 : quote;
					else if (character == '"' || character == '\'')
						quote = character;
					else if (character == '>')
						break;
				}
				const bool selfClosing = end < text.size() && text[end - 1] == '/';
				if (!selfClosing && ++depth > limit)
					return true;
				position = end + 1;
			}
			else
				position = PastTerminator(text, position, ">");
			position = text.find('<', position);
		}
		return false;
	}
}
