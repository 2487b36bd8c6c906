#include "HTMLEngine/HtmlMarkup.h"

#include "HTMLEngine/HtmlDocument.h"
#include "Utilities/XmlNesting.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace
{
	void Escape(std::string& out, std::string_view text, bool attribute)
	{
		for (char character : text)
		{
			switch (character)
			{
			case '&': out += "&amp;"; break;
			case '<': out += attribute ? "<" : "&lt;"; break;
			case '>': out += attribute ? ">" : "&gt;"; break;
			case '"': out += attribute ? "&quot;" : "\""; break;
			default: out += character;
			}
		}
	}

	// litehtml builds a table's grid from the spans: a span is held to what a page can show.
	constexpr long kMaxTableSpan = 256;

	std::string_view LayoutValue(std::string_view key, const std::string& value, std::string& clamped)
	{
		if (key != "colspan" && key != "rowspan")
			return value;
		clamped = std::to_string(std::clamp(std::strtol(value.c_str(), nullptr, 10), 1L, kMaxTableSpan));
		return clamped;
	}

	bool IsRawText(const HtmlNode* node)
	{
		return node != nullptr && (node->name == "script" || node->name == "style");
	}

	// A style element's text as layout reads it: no end tag inside it may close the element early
	// and have what follows laid out as elements the page never made (and the box budget never
	// counted). Each "</" is written "<\/", which ends no element and which CSS reads as the same
	// two characters.
	void WriteRawText(std::string& out, std::string_view text)
	{
		for (std::size_t end = text.find("</"); end != std::string_view::npos; end = text.find("</"))
		{
			out += text.substr(0, end + 1);
			out += '\\';
			text.remove_prefix(end + 1);
		}
		out += text;
	}

	void Write(std::string& out, const HtmlNode& node, bool forLayout, unsigned depth);

	void WriteChildren(std::string& out, const HtmlNode& node, bool forLayout, unsigned depth)
	{
		if (depth >= tw::kMaxXmlNesting)
			return;
		if (forLayout && node.name == "script")
			return;
		for (const HtmlNode* child : node.children)
			Write(out, *child, forLayout, depth + 1);
	}

	void Write(std::string& out, const HtmlNode& node, bool forLayout, unsigned depth)
	{
		switch (node.type)
		{
		case HtmlNode::Type::Text:
			if (IsRawText(node.parent) && forLayout)
				WriteRawText(out, node.name);
			else if (IsRawText(node.parent))
				out += node.name;
			else
				Escape(out, node.name, false);
			return;
		case HtmlNode::Type::Comment:
			if (!forLayout)
				out += "<!--" + node.name + "-->";
			return;
		case HtmlNode::Type::Document:
			WriteChildren(out, node, forLayout, depth);
			return;
		case HtmlNode::Type::Element:
			break;
		}
		out += '<' + node.name;
		std::string clamped;
		for (const auto& [key, value] : node.attributes)
		{
			out += ' ' + key + "=\"";
			Escape(out, forLayout ? LayoutValue(key, value, clamped) : std::string_view(value), true);
			out += '"';
		}
		if (forLayout)
			out += std::string(" ") + HtmlMarkup::kNodeIdAttribute + "=\"" + std::to_string(node.id) + '"';
		out += '>';
		if (tw::IsVoidHtmlElement(node.name))
			return;
		WriteChildren(out, node, forLayout, depth);
		out += "</" + node.name + '>';
	}
}

namespace HtmlMarkup
{
	std::string Inner(const HtmlNode& node)
	{
		std::string out;
		WriteChildren(out, node, false, 0);
		return out;
	}

	std::string ForLayout(const HtmlNode& document)
	{
		std::string out;
		Write(out, document, true, 0);
		return out;
	}
}
