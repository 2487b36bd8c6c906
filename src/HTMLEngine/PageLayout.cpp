#include "HTMLEngine/PageLayout.h"

#include "HTMLEngine/HtmlDocument.h"
#include "HTMLEngine/HtmlMarkup.h"
#include "Utilities/Diagnostics.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace
{
	// The defaults a browser gives elements; litehtml ships no stylesheet of its own.
	constexpr const char* kMasterStylesheet = R"css(
html { display: block; }
head, script, style, title, meta, link, template { display: none; }
body { display: block; margin: 8px; }
div, p, h1, h2, h3, h4, h5, h6, ul, ol, dl, dd, dt, form, header, footer, section, article, nav, aside,
main, blockquote, pre, address, center, fieldset, hr, figure, figcaption { display: block; }
p, dl, blockquote, figure, pre { margin-top: 1em; margin-bottom: 1em; }
h1 { font-size: 2em; margin: 0.67em 0; font-weight: bold; }
h2 { font-size: 1.5em; margin: 0.83em 0; font-weight: bold; }
h3 { font-size: 1.17em; margin: 1em 0; font-weight: bold; }
h4 { margin: 1.33em 0; font-weight: bold; }
h5 { font-size: 0.83em; margin: 1.67em 0; font-weight: bold; }
h6 { font-size: 0.67em; margin: 2.33em 0; font-weight: bold; }
b, strong, th { font-weight: bold; }
i, em, cite, var, address { font-style: italic; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
pre, code, kbd, samp, tt { font-family: monospace; }
pre { white-space: pre; }
center { text-align: center; }
small { font-size: 0.83em; }
big { font-size: 1.17em; }
sub { vertical-align: sub; font-size: 0.83em; }
sup { vertical-align: super; font-size: 0.83em; }
ul, ol { padding-left: 40px; margin-top: 1em; margin-bottom: 1em; }
ul { list-style-type: disc; }
ol { list-style-type: decimal; }
ul ul, ol ul { list-style-type: circle; margin-top: 0; margin-bottom: 0; }
li { display: list-item; }
dd { margin-left: 40px; }
a { color: #0000ee; text-decoration: underline; cursor: pointer; }
img { display: inline-block; }
br { display: block; }
hr { border: 1px inset #808080; margin: 0.5em auto; }
table { display: table; border-collapse: separate; border-spacing: 2px; }
thead { display: table-header-group; }
tbody { display: table-row-group; }
tfoot { display: table-footer-group; }
tr { display: table-row; }
td, th { display: table-cell; padding: 1px; vertical-align: inherit; }
caption { display: table-caption; text-align: center; }
input, button, select, textarea { display: inline-block; }
button { border: 2px outset #c0c0c0; background-color: #e0e0e0; padding: 1px 6px; }
)css";

	// Elements and words below root, as litehtml will box them; counting stops past the budget.
	std::size_t BoxCount(const HtmlNode& root)
	{
		std::size_t boxes = 0;
		std::vector<const HtmlNode*> pending{&root};
		while (!pending.empty() && boxes <= PageLayout::kMaxLayoutBoxes)
		{
			const HtmlNode* node = pending.back();
			pending.pop_back();
			if (node->type == HtmlNode::Type::Text)
			{
				// A word and the space after it are a box each.
				bool inWord = false;
				for (const char character : node->name)
				{
					const bool space = std::isspace(static_cast<unsigned char>(character)) != 0;
					boxes += space != inWord ? 0 : 1;
					inWord = !space;
				}
				continue;
			}
			++boxes;
			// A script's or style sheet's text is never boxed: layout sees none of a script and
			// takes a style element's text as a style sheet.
			if (!node->IsElement() || (node->name != "script" && node->name != "style"))
				pending.insert(pending.end(), node->children.begin(), node->children.end());
		}
		return boxes;
	}

	litehtml::context& SharedLayoutContext()
	{
		static litehtml::context context = [] {
			litehtml::context made;
			made.load_master_stylesheet(kMasterStylesheet);
			return made;
		}();
		return context;
	}
}

PageLayout::PageLayout(const std::string& pageFolder, const std::string& pageName)
	: container(pageFolder, pageName), pageName(pageName.empty() ? pageFolder : pageName)
{
}

const char* PageLayout::MasterStylesheet()
{
	return kMasterStylesheet;
}

void PageLayout::Build(const HtmlDocument& document, int width, int height)
{
	container.SetViewSize(width, height);
	container.BeginLayout();
	if (const std::size_t boxes = BoxCount(document.Root()); boxes > kMaxLayoutBoxes)
	{
		page = nullptr;
		tw::Diagnostics::Report("HTMLView: page \"" + pageName + "\" is not laid out: it makes " + std::to_string(boxes) +
			" boxes, more than the " + std::to_string(kMaxLayoutBoxes) + " a page may have");
		return;
	}
	const std::string markup = HtmlMarkup::ForLayout(document.Root());
	page = litehtml::document::createFromString(markup.c_str(), &container, &SharedLayoutContext());
	page->render(width);
	if (pointerX >= 0 && MovePointer(pointerX, pointerY))
		page->render(width);
}

void PageLayout::Render(int width)
{
	if (page != nullptr)
		page->render(width);
}

void PageLayout::Paint(cairo_t* target, int scrollY, int width, int height)
{
	if (page == nullptr)
		return;
	const litehtml::position clip(0, scrollY, width, height);
	page->draw(reinterpret_cast<litehtml::uint_ptr>(target), 0, -scrollY, &clip);
}

int PageLayout::GetHeight() const
{
	return page != nullptr ? page->height() : 0;
}

long PageLayout::NodeAt(int x, int y) const
{
	if (page == nullptr || page->root() == nullptr)
		return -1;
	// litehtml answers null where nothing is.
	for (litehtml::element::ptr element = page->root()->get_element_by_point(x, y, x, y); element != nullptr;
		 element = element->parent())
		if (const char* id = element->get_attr(HtmlMarkup::kNodeIdAttribute))
			return std::strtol(id, nullptr, 10);
	return -1;
}

bool PageLayout::MovePointer(int x, int y)
{
	pointerX = x;
	pointerY = y;
	if (page == nullptr)
		return false;
	litehtml::position::vector redraw;
	return x < 0 ? page->on_mouse_leave(redraw) : page->on_mouse_over(x, y, x, y, redraw);
}
