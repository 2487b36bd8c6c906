#include "Utilities/XmlNesting.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

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

	// How elements of a markup language nest beyond the tags themselves.
	struct Rules
	{
		bool html;
	};

	std::string LowerName(std::string_view tag)
	{
		std::string name;
		for (char character : tag)
		{
			if (std::isspace(static_cast<unsigned char>(character)) || character == '/' || character == '>')
				break;
			name += static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
		}
		return name;
	}

	bool XmlEqualsIgnoringCase(std::string_view text, std::string_view lower)
	{
		return text.size() == lower.size() && std::equal(text.begin(), text.end(), lower.begin(), [](char a, char b) {
			return std::tolower(static_cast<unsigned char>(a)) == b;
		});
	}


	bool NestsDeeper(std::string_view text, unsigned limit, Rules rules);
}

namespace tw
{
	bool NestsDeeperThan(std::string_view text, unsigned limit)
	{
		return NestsDeeper(text, limit, Rules{false});
	}

	bool HtmlNestsDeeperThan(std::string_view text, unsigned limit)
	{
		return NestsDeeper(text, limit, Rules{true});
	}

	bool IsVoidHtmlElement(std::string_view name)
	{
		static constexpr std::array<std::string_view, 14> kVoid{"area", "base", "br", "col", "embed", "hr", "img", "input",
			"link", "meta", "param", "source", "track", "wbr"};
		return std::find(kVoid.begin(), kVoid.end(), name) != kVoid.end();
	}
}

namespace
{
	bool NestsDeeper(std::string_view text, unsigned limit, Rules rules)
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
				const std::string name = rules.html ? LowerName(rest.substr(1)) : std::string();
				if (!selfClosing && !(rules.html && tw::IsVoidHtmlElement(name)) && ++depth > limit)
					return true;
				position = end + 1;
				if (rules.html && (name == "script" || name == "style"))
				{
					// Raw text up to the closing tag, which the next step counts.
					const std::string closing = "</" + name;
					std::size_t close = std::min(position, text.size());
					while (close < text.size() && !XmlEqualsIgnoringCase(text.substr(close, closing.size()), closing))
						close = std::min(text.find("</", close + 1), text.size());
					position = close;
					continue;
				}
			}
			else
				position = PastTerminator(text, position, ">");
			position = text.find('<', position);
		}
		return false;
	}
}
