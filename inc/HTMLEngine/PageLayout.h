// PageLayout: a page's DOM laid out by litehtml and painted with cairo. Each layout writes the DOM
// as markup (every element marked with its node id) and has litehtml parse and render it, so the
// DOM stays the only truth and boxes lead back to their nodes. Hover (litehtml's :hover) is kept
// across layouts by replaying the last pointer position.
#pragma once

#include "HTMLEngine/PageContainer.h"

#include <cairo.h>

#include <cstddef>
#include <memory>
#include <string>

class HtmlDocument;

class PageLayout
{
public:
	// What litehtml may make of one page (elements, and words of text, which it boxes one by
	// one): a page over it is not laid out, and shows blank, so that it cannot exhaust the memory.
	static constexpr std::size_t kMaxLayoutBoxes = 60000;

	// pageName names the page in diagnostics (the folder when empty).
	explicit PageLayout(const std::string& pageFolder, const std::string& pageName = {});

	// The defaults a browser gives elements (litehtml ships none), under every page's own styles.
	static const char* MasterStylesheet();

	PageContainer& GetContainer()
	{
		return container;
	}

	// Lays the document out at the view's size; a document over the budget is refused (blank, one
	// diagnostic).
	void Build(const HtmlDocument& document, int width, int height);
	// Lays the current boxes out again (after a :hover change restyled them).
	void Render(int width);
	// Paints the page scrolled by scrollY onto the target (already cleared).
	void Paint(cairo_t* target, int scrollY, int width, int height);
	// Height of the laid-out page in pixels (0 before the first layout).
	int GetHeight() const;

	// The id of the node of the deepest element at page position (x, y), or -1.
	long NodeAt(int x, int y) const;
	// Moves the pointer to page position (x, y) (negative: away); true when a :hover state changed.
	bool MovePointer(int x, int y);

private:
	PageContainer container;
	std::string pageName;
	std::shared_ptr<litehtml::document> page;
	int pointerX = -1;
	int pointerY = -1;
};
