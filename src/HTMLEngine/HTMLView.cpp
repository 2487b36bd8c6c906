#include "HTMLEngine/HTMLView.h"

#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HtmlDocument.h"
#include "HTMLEngine/HtmlParser.h"
#include "HTMLEngine/PageFiles.h"
#include "HTMLEngine/PageLayout.h"
#include "HTMLEngine/PageScript.h"
#include "Utilities/Diagnostics.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace
{
	std::string FolderOf(const std::string& path)
	{
		const std::size_t slash = path.find_last_of('/');
		return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
	}

	// Straight channel of every premultiplied channel (second index) under every alpha (first),
	// rounded and capped at 255: HUD panels are half clear over thousands of pixels, and three
	// divisions for each of them cost more than the rest of the paint.
	using UnpremultiplyTable = std::array<std::array<uint8_t, 256>, 256>;

	const UnpremultiplyTable& StraightChannels()
	{
		static const UnpremultiplyTable table = [] {
			UnpremultiplyTable made{};
			for (unsigned alpha = 1; alpha < 256; ++alpha)
				for (unsigned channel = 0; channel < 256; ++channel)
					made[alpha][channel] = static_cast<uint8_t>(std::min(255u, (channel * 255u + alpha / 2) / alpha));
			return made;
		}();
		return table;
	}

	void UnpremultiplyPixel(uint8_t* pixel, const UnpremultiplyTable& table)
	{
		const unsigned alpha = pixel[3];
		if (alpha == 0 || alpha == 255)
			return;
		const std::array<uint8_t, 256>& straight = table[alpha];
		for (int channel = 0; channel < 3; ++channel)
			pixel[channel] = straight[pixel[channel]];
	}

	// cairo paints premultiplied colours; the game's textures take straight alpha. Most of a HUD is
	// fully clear or fully opaque, so runs of four such pixels are passed over two words at a time.
	void Unpremultiply(uint8_t* bgra, std::size_t count)
	{
		const UnpremultiplyTable& table = StraightChannels();
		constexpr uint64_t kAlphas = 0xFF000000FF000000ull;
		std::size_t i = 0;
		for (; i + 4 <= count; i += 4)
		{
			uint64_t words[2];
			std::memcpy(words, bgra + i * 4, sizeof(words));
			const uint64_t first = words[0] & kAlphas;
			const uint64_t second = words[1] & kAlphas;
			if ((first | second) == 0 || (first & second) == kAlphas)
				continue;
			for (std::size_t p = i; p < i + 4; ++p)
				UnpremultiplyPixel(bgra + p * 4, table);
		}
		for (; i < count; ++i)
			UnpremultiplyPixel(bgra + i * 4, table);
	}
}

// Registers and unregisters views with the engine's update (defined in HTMLEngine.cpp).
namespace HTMLEngineViews
{
	void Add(HTMLView* view);
	void Remove(HTMLView* view);
}

HTMLView::HTMLView(int width, int height, bool transparent)
	: width(std::max(width, 1)), height(std::max(height, 1)), transparent(transparent),
	  pixels(static_cast<std::size_t>(this->width) * static_cast<std::size_t>(this->height) * kBytesPerPixel,
		  transparent ? 0 : 255),
	  document(std::make_unique<HtmlDocument>()), layout(std::make_unique<PageLayout>(""))
{
	HTMLEngineViews::Add(this);
}

HTMLView::~HTMLView()
{
	HTMLEngineViews::Remove(this);
	script.reset();
}

void HTMLView::Destroy()
{
	// Asked from the page's own script: the view goes at the next update, once the script returned.
	if (script != nullptr && script->IsRunning())
		doomed = true;
	else
		delete this;
}

void HTMLView::DropScripts()
{
	if (script != nullptr)
		script->Detach();
}

void HTMLView::StartPage(const std::string& path, const std::string& markup)
{
	// The old page's handles go before the document they point into.
	script.reset();
	document = std::make_unique<HtmlDocument>();
	layout = std::make_unique<PageLayout>(FolderOf(path), path);
	loadedFile = path;
	scrollY = 0;
	std::fill(std::begin(pressed), std::end(pressed), -1);
	needsLayout = true;
	std::string error;
	if (!HtmlParser::ParsePage(markup, *document, error))
	{
		tw::Diagnostics::Report("HTMLView: \"" + path + "\" refused: " + error);
		return;
	}
	script = std::make_unique<PageScript>(*document, path, FolderOf(path));
	script->SetSaves(saves);
	script->SetViewSize(width, height);
	script->RunPageScripts();
}

void HTMLView::LoadFile(const std::string& path, const char*)
{
	// Asked from the page's own script: the page and its document must outlive the entry.
	if (script != nullptr && script->IsRunning())
	{
		pendingPage = path;
		return;
	}
	std::string markup;
	PageFiles::Read(path, FolderOf(path), path, "", PageFiles::Kind::Page, markup);
	StartPage(path, markup);
}

void HTMLView::LoadURL(const std::string& url, const char* frameName)
{
	static const std::string kFileScheme = "file:";
	if (url.rfind(kFileScheme, 0) != 0)
	{
		tw::Diagnostics::Report("HTMLView: only file: URLs load, not \"" + url + "\"");
		if (script != nullptr && script->IsRunning())
			pendingPage = std::string();
		else
			StartPage("", "");
		return;
	}
	LoadFile(PageFiles::Resolve(url, ""), frameName);
}

void HTMLView::ExecuteJavascript(const std::string& source, const char*)
{
	if (script != nullptr)
		script->Execute(source, loadedFile);
}

void HTMLView::SetAllowScollbars(bool allow)
{
	// Panes set it before every upload: repainting for the same value would leave the view dirty,
	// and uploaded again, in every frame.
	if (allowScrollbars == allow)
		return;
	allowScrollbars = allow;
	needsPaint = true;
}

void HTMLView::LockCanvas(bool)
{
}

void HTMLView::UnlockCanvas()
{
	// Every lock hands the pixels out, so the view is clean afterwards whatever the lock's argument.
	dirty = false;
}

void HTMLView::Resize(int newWidth, int newHeight)
{
	width = std::max(newWidth, 1);
	height = std::max(newHeight, 1);
	pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * kBytesPerPixel, transparent ? 0 : 255);
	if (script != nullptr)
		script->SetViewSize(width, height);
	needsLayout = true;
}

void HTMLView::Update(std::uint32_t now)
{
	if (doomed)
	{
		delete this;
		return;
	}
	if (pendingPage.has_value())
	{
		const std::string page = *std::exchange(pendingPage, std::nullopt);
		if (page.empty())
			StartPage("", "");
		else
			LoadFile(page);
	}
	document->FreeCollected();
	saves.MakeDue(now);
	if (script != nullptr)
		script->RunTimers(now);
	if (needsLayout || document->changed)
	{
		layout->Build(*document, width, height);
		document->changed = false;
		needsLayout = needsRender = false;
		ClampScroll();
		Paint();
	}
	else if (needsRender || needsPaint)
	{
		if (needsRender)
			layout->Render(width);
		needsRender = false;
		ClampScroll();
		Paint();
	}
}

void HTMLView::ClampScroll()
{
	scrollY = std::clamp(scrollY, 0, std::max(0, layout->GetHeight() - height));
}

void HTMLView::Paint()
{
	needsPaint = false;
	const uint8_t clear = transparent ? 0 : 255;
	std::fill(pixels.begin(), pixels.end(), clear);
	cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels.data(), CAIRO_FORMAT_ARGB32, width, height, GetBytesPerRow());
	cairo_t* cr = cairo_create(surface);
	layout->Paint(cr, scrollY, width, height);
	const int pageHeight = layout->GetHeight();
	if (allowScrollbars && pageHeight > height)
	{
		const double thumb = std::max(8.0, static_cast<double>(height) * height / pageHeight);
		const double top = (height - thumb) * scrollY / (pageHeight - height);
		cairo_set_source_rgba(cr, 0.5, 0.5, 0.5, 0.6);
		cairo_rectangle(cr, width - kScrollBarWidth, top, kScrollBarWidth, thumb);
		cairo_fill(cr);
	}
	cairo_destroy(cr);
	cairo_surface_flush(surface);
	cairo_surface_destroy(surface);
	Unpremultiply(pixels.data(), pixels.size() / kBytesPerPixel);
	dirty = true;
	dirtyRect = Rect{0, 0, width, height};
}

HtmlNode* HTMLView::NodeUnderPointer() const
{
	if (pointerX < 0)
		return nullptr;
	const long id = layout->NodeAt(pointerX, pointerY + scrollY);
	return id < 0 ? nullptr : document->FromId(static_cast<unsigned>(id));
}

void HTMLView::InjectKeyEvent(bool press, int virtualKeyCode, int, int character, int)
{
	if (script == nullptr)
		return;
	HtmlNode* target = document->Body() != nullptr ? document->Body() : &document->Root();
	PageScript::EventDetails details;
	details.keyCode = virtualKeyCode;
	script->Dispatch(target, press ? "keydown" : "keyup", details);
	if (press && character != 0 && script != nullptr)
	{
		details.keyCode = character;
		details.charCode = character;
		script->Dispatch(document->Body() != nullptr ? document->Body() : &document->Root(), "keypress", details);
	}
}

void HTMLView::InjectMouseMove(float x, float y)
{
	pointerX = static_cast<int>(x);
	pointerY = static_cast<int>(y);
	if (layout->MovePointer(pointerX, pointerY + scrollY))
		needsRender = true;
	DispatchMouse("mousemove", 0);
}

void HTMLView::DispatchMouse(const char* type, int button)
{
	if (script == nullptr)
		return;
	PageScript::EventDetails details;
	details.clientX = pointerX;
	details.clientY = pointerY;
	details.button = button;
	script->Dispatch(NodeUnderPointer(), type, details);
}

void HTMLView::InjectMouseDown(MouseButton button, int)
{
	const int index = std::clamp(static_cast<int>(button), 0, 2);
	HtmlNode* node = NodeUnderPointer();
	pressed[index] = node != nullptr ? static_cast<long>(node->id) : -1;
	DispatchMouse("mousedown", index);
}

void HTMLView::InjectMouseUp(MouseButton button)
{
	const int index = std::clamp(static_cast<int>(button), 0, 2);
	const HtmlNode* node = NodeUnderPointer();
	const long released = node != nullptr ? static_cast<long>(node->id) : -1;
	const long down = std::exchange(pressed[index], -1);
	DispatchMouse("mouseup", index);
	// As in a browser, only the primary button clicks: the game's other buttons (the right one
	// sucks) must not press a page's buttons under the pointer.
	if (button == LeftMouseButton && released >= 0 && released == down)
		DispatchMouse("click", index);
}

void HTMLView::InjectMouseWheel(float amount, float)
{
	if (!allowScrollbars)
		return;
	const int before = scrollY;
	scrollY -= static_cast<int>(amount);
	ClampScroll();
	if (scrollY != before)
		needsPaint = true;
}
