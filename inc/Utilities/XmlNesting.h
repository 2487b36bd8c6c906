// How deeply the elements of an XML text nest, measured before the text reaches TinyXML: its
// parser, and the serializer's loader after it, recurse once per level, so a hostile file nested
// a hundred thousand deep would overflow the stack. Data and configuration files are refused past a limit.
#pragma once

#include <string_view>

namespace tw
{
	// Ample for every file the game writes, which nest a handful of levels.
	constexpr unsigned kMaxXmlNesting = 256;

	// True when the elements of text nest deeper than limit. Comments, CDATA sections,
	// declarations and quoted attribute values are skipped; on malformed text the count errs deep.
	bool NestsDeeperThan(std::string_view text, unsigned limit);

	// The same count for HTML: void elements (br, img ...) open no level, and the raw text of
	// script and style elements holds no markup.
	bool HtmlNestsDeeperThan(std::string_view text, unsigned limit);
	// An HTML element that has no content and no closing tag (name in lowercase).
	bool IsVoidHtmlElement(std::string_view name);
}
