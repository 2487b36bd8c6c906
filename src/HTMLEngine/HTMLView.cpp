#include "HTMLEngine/HTMLView.h"

#include <algorithm>

HTMLView::HTMLView(int width, int height)
	: width(std::max(width, 0)), height(std::max(height, 0)),
	  pixels(static_cast<std::size_t>(this->width) * static_cast<std::size_t>(this->height) * kBytesPerPixel, 0)
{
}

void HTMLView::LoadFile(const std::string& path, const char*)
{
	loadedFile = path;
	MarkAllDirty();
}

void HTMLView::LockCanvas(bool clearDirty)
{
	if (clearDirty)
		dirty = false;
}

void HTMLView::UnlockCanvas()
{
}

void HTMLView::Destroy()
{
	delete this;
}

void HTMLView::MarkAllDirty()
{
	dirty = true;
	dirtyRect = Rect{0, 0, width, height};
}
