// HtmlParser: markup into the page's DOM through gumbo, for whole pages and for innerHTML. Markup
// is measured before gumbo sees it: gumbo's time and memory grow steeply with nesting (thousands
// of nested divs take seconds and gigabytes) and litehtml recurses once per level, so markup that
// nests deeper than the data-file limit, is larger than kMaxBytes or holds more than kMaxTags tags
// (each a node, however small the markup) is refused.
#pragma once

#include <string>
#include <string_view>

class HtmlDocument;
class HtmlNode;

namespace HtmlParser
{
	constexpr std::size_t kMaxBytes = 8u << 20;
	constexpr long kMaxTags = 100000;

	// Replaces the document's content with the page. Empty when refused; the reason goes to error.
	bool ParsePage(std::string_view markup, HtmlDocument& document, std::string& error);
	// Replaces parent's children with the fragment (as innerHTML does), or only empties them when refused.
	bool ParseFragment(std::string_view markup, HtmlDocument& document, HtmlNode& parent, std::string& error);
}
