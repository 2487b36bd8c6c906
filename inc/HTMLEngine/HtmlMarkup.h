// HtmlMarkup: the DOM written back as markup, for innerHTML and for layout. Layout gets the whole
// document with every element marked by its node id (litehtml keeps attributes, so a laid-out
// box leads back to its node) and without script text; elements nested deeper than the parser's
// limit (scripts can build such trees) are left out, since litehtml recurses once per level.
#pragma once

#include <string>

class HtmlNode;

namespace HtmlMarkup
{
	// The attribute that carries the node id in markup written for layout.
	constexpr const char* kNodeIdAttribute = "data-tw-node";

	std::string Inner(const HtmlNode& node);
	std::string ForLayout(const HtmlNode& document);
}
