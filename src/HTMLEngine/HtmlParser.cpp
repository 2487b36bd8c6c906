#include "HTMLEngine/HtmlParser.h"

#include "HTMLEngine/HtmlDocument.h"
#include "Utilities/XmlNesting.h"

#include <gumbo.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
	bool Acceptable(std::string_view markup, std::string& error)
	{
		if (markup.size() > HtmlParser::kMaxBytes)
			error = "larger than " + std::to_string(HtmlParser::kMaxBytes) + " bytes";
		else if (tw::HtmlNestsDeeperThan(markup, tw::kMaxXmlNesting))
			error = "elements nest deeper than " + std::to_string(tw::kMaxXmlNesting);
		else if (std::count(markup.begin(), markup.end(), '<') > HtmlParser::kMaxTags)
			error = "more than " + std::to_string(HtmlParser::kMaxTags) + " tags";
		else
			return true;
		return false;
	}

	std::string TagName(const GumboElement& element)
	{
		if (element.tag != GUMBO_TAG_UNKNOWN)
			return gumbo_normalized_tagname(element.tag);
		GumboStringPiece original = element.original_tag;
		gumbo_tag_from_original_text(&original);
		std::string name(original.data, original.length);
		for (char& character : name)
			character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
		return name;
	}

	HtmlNode* Convert(const GumboNode& from, HtmlDocument& document)
	{
		switch (from.type)
		{
		case GUMBO_NODE_ELEMENT:
		{
			HtmlNode* element = document.Create(HtmlNode::Type::Element, TagName(from.v.element));
			const GumboVector& attributes = from.v.element.attributes;
			for (unsigned i = 0; i < attributes.length; ++i)
			{
				const auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
				element->SetAttribute(attribute->name, attribute->value);
			}
			return element;
		}
		case GUMBO_NODE_TEXT:
		case GUMBO_NODE_WHITESPACE:
		case GUMBO_NODE_CDATA:
			return document.Create(HtmlNode::Type::Text, from.v.text.text);
		case GUMBO_NODE_COMMENT:
			return document.Create(HtmlNode::Type::Comment, from.v.text.text);
		default:
			return nullptr;
		}
	}

	// Copies the children of from below into, without recursing (nesting is bounded, but gumbo's
	// tree for a hostile page is wide).
	void CopyChildren(const GumboNode& from, HtmlNode& into, HtmlDocument& document)
	{
		std::vector<std::pair<const GumboNode*, HtmlNode*>> pending{{&from, &into}};
		while (!pending.empty())
		{
			const auto [source, target] = pending.back();
			pending.pop_back();
			const GumboVector& children = source->type == GUMBO_NODE_DOCUMENT ? source->v.document.children
																			   : source->v.element.children;
			for (unsigned i = 0; i < children.length; ++i)
			{
				const auto* child = static_cast<const GumboNode*>(children.data[i]);
				HtmlNode* made = Convert(*child, document);
				if (made == nullptr)
					continue;
				document.InsertBefore(*target, *made, nullptr);
				if (child->type == GUMBO_NODE_ELEMENT)
					pending.emplace_back(child, made);
			}
		}
	}

	GumboOutput* Parse(std::string_view markup, GumboOptions& options)
	{
		// Errors are not reported, so gumbo need not keep them.
		options.max_errors = 0;
		return gumbo_parse_with_options(&options, markup.data(), markup.size());
	}
}

namespace HtmlParser
{
	bool ParsePage(std::string_view markup, HtmlDocument& document, std::string& error)
	{
		document.ClearChildren(document.Root());
		if (!Acceptable(markup, error))
			return false;
		GumboOptions options = kGumboDefaultOptions;
		GumboOutput* output = Parse(markup, options);
		CopyChildren(*output->document, document.Root(), document);
		gumbo_destroy_output(&options, output);
		return true;
	}

	bool ParseFragment(std::string_view markup, HtmlDocument& document, HtmlNode& parent, std::string& error)
	{
		document.ClearChildren(parent);
		if (!Acceptable(markup, error))
			return false;
		GumboOptions options = kGumboDefaultOptions;
		options.fragment_context = GUMBO_TAG_DIV;
		GumboOutput* output = Parse(markup, options);
		// A fragment's nodes are the children of the html element gumbo puts at its root.
		CopyChildren(*output->root, parent, document);
		gumbo_destroy_output(&options, output);
		return true;
	}
}
