#include "HTMLEngine/PageContainer.h"

#include "HTMLEngine/PageFiles.h"
#include "Utilities/Diagnostics.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <glib.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <set>

namespace
{
	// Taller than any screen: a larger font shows nothing more.
	constexpr int kLargestFontPixels = 4096;

	struct Font
	{
		PangoFontDescription* description;
		unsigned decoration;
		int ascent;
	};

	// Measuring and drawing share one pango context, so that text drawn fits where it was measured.
	PangoContext* SharedContext()
	{
		static PangoContext* context = [] {
			PangoContext* made = pango_font_map_create_context(pango_cairo_font_map_get_default());
			cairo_font_options_t* options = cairo_font_options_create();
			cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
			pango_cairo_context_set_font_options(made, options);
			cairo_font_options_destroy(options);
			return made;
		}();
		return context;
	}

	PangoLayout* Layout(const char* text, const Font& font)
	{
		PangoLayout* layout = pango_layout_new(SharedContext());
		pango_layout_set_font_description(layout, font.description);
		pango_layout_set_text(layout, text, -1);
		return layout;
	}

	void SetColor(cairo_t* cr, const litehtml::web_color& color)
	{
		cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0, color.alpha / 255.0);
	}

	// A rectangle with elliptic corners of the given radii.
	void RoundedRectangle(cairo_t* cr, const litehtml::position& box, const litehtml::border_radiuses& radius)
	{
		const double x = box.x, y = box.y, w = box.width, h = box.height;
		const auto corner = [cr](double cx, double cy, double rx, double ry, double from) {
			if (rx <= 0 || ry <= 0)
			{
				cairo_line_to(cr, cx, cy);
				return;
			}
			cairo_save(cr);
			cairo_translate(cr, cx, cy);
			cairo_scale(cr, rx, ry);
			cairo_arc(cr, 0, 0, 1, from, from + G_PI / 2);
			cairo_restore(cr);
		};
		cairo_new_sub_path(cr);
		corner(x + w - radius.top_right_x, y + radius.top_right_y, radius.top_right_x, radius.top_right_y, 1.5 * G_PI);
		corner(x + w - radius.bottom_right_x, y + h - radius.bottom_right_y, radius.bottom_right_x, radius.bottom_right_y, 0);
		corner(x + radius.bottom_left_x, y + h - radius.bottom_left_y, radius.bottom_left_x, radius.bottom_left_y, G_PI / 2);
		corner(x + radius.top_left_x, y + radius.top_left_y, radius.top_left_x, radius.top_left_y, G_PI);
		cairo_close_path(cr);
	}

	// The game's own fonts sit in "Fonts/" beside the pages' folder (Data/Fonts for Data/HUDElements);
	// fontconfig takes them as application fonts, once per folder.
	void AddGameFonts(const std::string& pageFolder)
	{
		static std::set<std::string> added;
		const std::string fonts = pageFolder + "../Fonts/";
		if (pageFolder.empty() || !added.insert(fonts).second || !std::filesystem::is_directory(fonts))
			return;
		if (FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(fonts.c_str())))
			pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(pango_cairo_font_map_get_default()));
	}

	// An import's URL as written: "'name'" and url("name") stand for name.
	std::string Unquoted(std::string url)
	{
		const auto trim = [&url] {
			const std::size_t first = url.find_first_not_of(" \t\r\n");
			const std::size_t last = url.find_last_not_of(" \t\r\n");
			url = first == std::string::npos ? std::string() : url.substr(first, last - first + 1);
		};
		trim();
		if (url.rfind("url(", 0) == 0 && url.back() == ')')
			url = url.substr(4, url.size() - 5);
		trim();
		if (url.size() >= 2 && (url.front() == '"' || url.front() == '\'') && url.back() == url.front())
			url = url.substr(1, url.size() - 2);
		return url;
	}

	cairo_surface_t* LoadPicture(const std::string& bytes)
	{
		SDL_Surface* loaded = IMG_Load_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
		if (loaded == nullptr)
			return nullptr;
		SDL_Surface* argb = SDL_CreateRGBSurface(SDL_SWSURFACE, loaded->w, loaded->h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
		const bool opaque = loaded->format->Amask == 0;
		// The copy must take the picture's alpha as it is, not blend the picture onto the new surface.
		SDL_SetAlpha(loaded, 0, 255);
		if (argb != nullptr && SDL_BlitSurface(loaded, nullptr, argb, nullptr) != 0)
		{
			SDL_FreeSurface(argb);
			argb = nullptr;
		}
		SDL_FreeSurface(loaded);
		if (argb == nullptr)
			return nullptr;
		cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, argb->w, argb->h);
		cairo_surface_flush(picture);
		unsigned char* target = cairo_image_surface_get_data(picture);
		const int stride = cairo_image_surface_get_stride(picture);
		for (int row = 0; row < argb->h; ++row)
		{
			const auto* source = reinterpret_cast<const uint32_t*>(static_cast<const unsigned char*>(argb->pixels) + row * argb->pitch);
			auto* out = reinterpret_cast<uint32_t*>(target + row * stride);
			for (int column = 0; column < argb->w; ++column)
			{
				// cairo keeps colours premultiplied by alpha.
				const uint32_t pixel = source[column];
				const uint32_t alpha = opaque ? 255 : pixel >> 24;
				const auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
				out[column] = (alpha << 24) | (scale((pixel >> 16) & 0xFF) << 16) | (scale((pixel >> 8) & 0xFF) << 8) | scale(pixel & 0xFF);
			}
		}
		cairo_surface_mark_dirty(picture);
		SDL_FreeSurface(argb);
		return picture;
	}
}

PageContainer::PageContainer(std::string pageFolder, std::string pageName)
	: pageFolder(std::move(pageFolder)), pageName(pageName.empty() ? this->pageFolder : std::move(pageName))
{
	AddGameFonts(this->pageFolder);
}

PageContainer::~PageContainer()
{
	for (auto& [path, picture] : images)
		if (picture != nullptr)
			cairo_surface_destroy(picture);
}

void PageContainer::BeginLayout()
{
	imported.clear();
}

void PageContainer::SetViewSize(int width, int height)
{
	viewWidth = width;
	viewHeight = height;
}

std::string PageContainer::Resolve(const std::string& path, const std::string& base) const
{
	return PageFiles::Resolve(path, base.empty() ? pageFolder : base);
}

litehtml::uint_ptr PageContainer::create_font(const litehtml::tchar_t* faceName, int size, int weight,
	litehtml::font_style italic, unsigned int decoration, litehtml::font_metrics* metrics)
{
	PangoFontDescription* description = pango_font_description_new();
	std::string families = faceName != nullptr ? faceName : "";
	families.erase(std::remove_if(families.begin(), families.end(), [](char c) { return c == '"' || c == '\''; }), families.end());
	pango_font_description_set_family(description, (families.empty() ? std::string("DejaVu Sans") : families + ",DejaVu Sans").c_str());
	// A size from a page's style may be anything; in Pango units a larger one would overflow.
	pango_font_description_set_absolute_size(description, std::clamp(size, 1, kLargestFontPixels) * PANGO_SCALE);
	pango_font_description_set_weight(description, static_cast<PangoWeight>(std::clamp(weight, 100, 1000)));
	pango_font_description_set_style(description, italic == litehtml::fontStyleItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
	PangoFontMetrics* fontMetrics = pango_context_get_metrics(SharedContext(), description, nullptr);
	auto* font = new Font{description, decoration, PANGO_PIXELS(pango_font_metrics_get_ascent(fontMetrics))};
	if (metrics != nullptr)
	{
		metrics->ascent = font->ascent;
		metrics->descent = PANGO_PIXELS(pango_font_metrics_get_descent(fontMetrics));
		metrics->height = metrics->ascent + metrics->descent;
		metrics->x_height = std::max(1, metrics->ascent / 2);
		metrics->draw_spaces = (decoration & (litehtml::font_decoration_underline | litehtml::font_decoration_linethrough)) != 0;
	}
	pango_font_metrics_unref(fontMetrics);
	return reinterpret_cast<litehtml::uint_ptr>(font);
}

void PageContainer::delete_font(litehtml::uint_ptr handle)
{
	auto* font = reinterpret_cast<Font*>(handle);
	if (font == nullptr)
		return;
	pango_font_description_free(font->description);
	delete font;
}

int PageContainer::text_width(const litehtml::tchar_t* text, litehtml::uint_ptr handle)
{
	PangoLayout* layout = Layout(text, *reinterpret_cast<Font*>(handle));
	int width = 0;
	pango_layout_get_pixel_size(layout, &width, nullptr);
	g_object_unref(layout);
	return width;
}

void PageContainer::draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr handle,
	litehtml::web_color color, const litehtml::position& pos)
{
	auto* cr = reinterpret_cast<cairo_t*>(hdc);
	const Font& font = *reinterpret_cast<Font*>(handle);
	BeginDraw(cr);
	SetColor(cr, color);
	PangoLayout* layout = Layout(text, font);
	const int baseline = PANGO_PIXELS(pango_layout_get_baseline(layout));
	cairo_move_to(cr, pos.x, pos.y + font.ascent - baseline);
	pango_cairo_show_layout(cr, layout);
	int width = 0;
	pango_layout_get_pixel_size(layout, &width, nullptr);
	g_object_unref(layout);
	const auto line = [&](int y) {
		cairo_rectangle(cr, pos.x, y, width, 1);
		cairo_fill(cr);
	};
	if (font.decoration & litehtml::font_decoration_underline)
		line(pos.y + font.ascent + 1);
	if (font.decoration & litehtml::font_decoration_linethrough)
		line(pos.y + font.ascent * 2 / 3);
	if (font.decoration & litehtml::font_decoration_overline)
		line(pos.y);
	cairo_restore(cr);
}

int PageContainer::pt_to_px(int pt) const
{
	// A length from a page's style may be anything: the pixels are clamped, not overflowed.
	const long long pixels = static_cast<long long>(pt) * 96 / 72;
	return static_cast<int>(std::clamp<long long>(pixels, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int PageContainer::get_default_font_size() const
{
	return 16;
}

const litehtml::tchar_t* PageContainer::get_default_font_name() const
{
	return "DejaVu Sans";
}

void PageContainer::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker)
{
	if (marker.marker_type == litehtml::list_style_type_none)
		return;
	auto* cr = reinterpret_cast<cairo_t*>(hdc);
	BeginDraw(cr);
	SetColor(cr, marker.color);
	const litehtml::position& box = marker.pos;
	if (marker.marker_type == litehtml::list_style_type_circle)
	{
		cairo_arc(cr, box.x + box.width / 2.0, box.y + box.height / 2.0, box.width / 2.0 - 0.5, 0, 2 * G_PI);
		cairo_set_line_width(cr, 1);
		cairo_stroke(cr);
	}
	else if (marker.marker_type == litehtml::list_style_type_square)
	{
		cairo_rectangle(cr, box.x, box.y, box.width, box.height);
		cairo_fill(cr);
	}
	else
	{
		cairo_arc(cr, box.x + box.width / 2.0, box.y + box.height / 2.0, box.width / 2.0, 0, 2 * G_PI);
		cairo_fill(cr);
	}
	cairo_restore(cr);
}

cairo_surface_t* PageContainer::Image(const std::string& src, const std::string& base)
{
	const std::string path = Resolve(src, base);
	const auto found = images.find(path);
	if (found != images.end())
		return found->second;
	std::string bytes;
	return images[path] = PageFiles::Read(pageName, pageFolder, path, "", PageFiles::Kind::Image, bytes) ? LoadPicture(bytes) : nullptr;
}

void PageContainer::load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, bool)
{
	Image(src, baseurl != nullptr ? baseurl : "");
}

void PageContainer::get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, litehtml::size& size)
{
	cairo_surface_t* picture = Image(src, baseurl != nullptr ? baseurl : "");
	size.width = picture != nullptr ? cairo_image_surface_get_width(picture) : 0;
	size.height = picture != nullptr ? cairo_image_surface_get_height(picture) : 0;
}

void PageContainer::draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& background)
{
	auto* cr = reinterpret_cast<cairo_t*>(hdc);
	BeginDraw(cr);
	cairo_rectangle(cr, background.clip_box.x, background.clip_box.y, background.clip_box.width, background.clip_box.height);
	cairo_clip(cr);
	RoundedRectangle(cr, background.border_box, background.border_radius);
	cairo_clip(cr);
	if (background.color.alpha > 0)
	{
		SetColor(cr, background.color);
		cairo_paint(cr);
	}
	cairo_surface_t* picture = background.image.empty() ? nullptr : Image(background.image, background.baseurl);
	if (picture != nullptr && background.image_size.width > 0 && background.image_size.height > 0)
	{
		const int width = cairo_image_surface_get_width(picture);
		const int height = cairo_image_surface_get_height(picture);
		cairo_pattern_t* pattern = cairo_pattern_create_for_surface(picture);
		cairo_matrix_t matrix;
		cairo_matrix_init_scale(&matrix, static_cast<double>(width) / background.image_size.width,
			static_cast<double>(height) / background.image_size.height);
		cairo_matrix_translate(&matrix, -background.position_x, -background.position_y);
		cairo_pattern_set_matrix(pattern, &matrix);
		const litehtml::position& clip = background.clip_box;
		const litehtml::size& size = background.image_size;
		litehtml::position area(background.position_x, background.position_y, size.width, size.height);
		switch (background.repeat)
		{
		case litehtml::background_repeat_repeat: area = clip; break;
		case litehtml::background_repeat_repeat_x: area = {clip.x, background.position_y, clip.width, size.height}; break;
		case litehtml::background_repeat_repeat_y: area = {background.position_x, clip.y, size.width, clip.height}; break;
		case litehtml::background_repeat_no_repeat: break;
		}
		cairo_pattern_set_extend(pattern, background.repeat == litehtml::background_repeat_no_repeat ? CAIRO_EXTEND_NONE : CAIRO_EXTEND_REPEAT);
		cairo_set_source(cr, pattern);
		cairo_rectangle(cr, area.x, area.y, area.width, area.height);
		cairo_fill(cr);
		cairo_pattern_destroy(pattern);
	}
	cairo_restore(cr);
}

void PageContainer::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders, const litehtml::position& drawPos, bool)
{
	auto* cr = reinterpret_cast<cairo_t*>(hdc);
	BeginDraw(cr);
	const auto visible = [](const litehtml::border& side) {
		return side.width > 0 && side.style != litehtml::border_style_none && side.style != litehtml::border_style_hidden;
	};
	// Each side fills the band between the outer rounded box and the inner one, clipped to its own
	// trapezoid, so that rounded corners and mixed colours both hold.
	const litehtml::position inner(drawPos.x + (visible(borders.left) ? borders.left.width : 0),
		drawPos.y + (visible(borders.top) ? borders.top.width : 0),
		drawPos.width - (visible(borders.left) ? borders.left.width : 0) - (visible(borders.right) ? borders.right.width : 0),
		drawPos.height - (visible(borders.top) ? borders.top.width : 0) - (visible(borders.bottom) ? borders.bottom.width : 0));
	litehtml::border_radiuses innerRadius = borders.radius;
	innerRadius.top_left_x = std::max(0, innerRadius.top_left_x - borders.left.width);
	innerRadius.top_left_y = std::max(0, innerRadius.top_left_y - borders.top.width);
	innerRadius.top_right_x = std::max(0, innerRadius.top_right_x - borders.right.width);
	innerRadius.top_right_y = std::max(0, innerRadius.top_right_y - borders.top.width);
	innerRadius.bottom_right_x = std::max(0, innerRadius.bottom_right_x - borders.right.width);
	innerRadius.bottom_right_y = std::max(0, innerRadius.bottom_right_y - borders.bottom.width);
	innerRadius.bottom_left_x = std::max(0, innerRadius.bottom_left_x - borders.left.width);
	innerRadius.bottom_left_y = std::max(0, innerRadius.bottom_left_y - borders.bottom.width);
	const double cx = inner.x + inner.width / 2.0, cy = inner.y + inner.height / 2.0;
	const double left = drawPos.left(), top = drawPos.top(), right = drawPos.right(), bottom = drawPos.bottom();
	const struct
	{
		const litehtml::border& side;
		double corners[4][2];
	} sides[] = {
		{borders.top, {{left, top}, {right, top}, {cx, cy}, {cx, cy}}},
		{borders.right, {{right, top}, {right, bottom}, {cx, cy}, {cx, cy}}},
		{borders.bottom, {{right, bottom}, {left, bottom}, {cx, cy}, {cx, cy}}},
		{borders.left, {{left, bottom}, {left, top}, {cx, cy}, {cx, cy}}},
	};
	for (const auto& [side, corners] : sides)
	{
		if (!visible(side))
			continue;
		cairo_save(cr);
		cairo_move_to(cr, corners[0][0], corners[0][1]);
		for (int i = 1; i < 4; ++i)
			cairo_line_to(cr, corners[i][0], corners[i][1]);
		cairo_close_path(cr);
		cairo_clip(cr);
		cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
		RoundedRectangle(cr, drawPos, borders.radius);
		RoundedRectangle(cr, inner, innerRadius);
		SetColor(cr, side.color);
		cairo_fill(cr);
		cairo_restore(cr);
	}
	cairo_restore(cr);
}

void PageContainer::transform_text(litehtml::tstring& text, litehtml::text_transform transform)
{
	gchar* changed = nullptr;
	if (transform == litehtml::text_transform_uppercase)
		changed = g_utf8_strup(text.c_str(), -1);
	else if (transform == litehtml::text_transform_lowercase)
		changed = g_utf8_strdown(text.c_str(), -1);
	else if (transform == litehtml::text_transform_capitalize && !text.empty())
		text[0] = static_cast<char>(g_ascii_toupper(text[0]));
	if (changed != nullptr)
	{
		text = changed;
		g_free(changed);
	}
}

void PageContainer::import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl)
{
	const std::string path = Resolve(Unquoted(url), baseurl);
	text.clear();
	// A sheet importing itself, or sheets importing each other, would recurse until the stack ends.
	if (std::find(imported.begin(), imported.end(), path) != imported.end())
		return;
	if (imported.size() >= kMaxImports)
	{
		tw::Diagnostics::Report("HTMLView: page \"" + pageName + "\": more than " + std::to_string(kMaxImports) +
			" style sheets; \"" + url + "\" is not imported");
		return;
	}
	imported.push_back(path);
	PageFiles::Read(pageName, pageFolder, path, "", PageFiles::Kind::Stylesheet, text);
	baseurl = path;
}

void PageContainer::set_clip(const litehtml::position& pos, const litehtml::border_radiuses& radius, bool, bool)
{
	clips.push_back(Clip{pos, radius});
}

void PageContainer::del_clip()
{
	if (!clips.empty())
		clips.pop_back();
}

void PageContainer::BeginDraw(cairo_t* cr) const
{
	cairo_save(cr);
	for (const Clip& clip : clips)
	{
		RoundedRectangle(cr, clip.box, clip.radius);
		cairo_clip(cr);
	}
}

void PageContainer::get_client_rect(litehtml::position& client) const
{
	client = litehtml::position(0, 0, viewWidth, viewHeight);
}

void PageContainer::get_media_features(litehtml::media_features& media) const
{
	media.type = litehtml::media_type_screen;
	media.width = media.device_width = viewWidth;
	media.height = media.device_height = viewHeight;
	media.color = 8;
	media.monochrome = 0;
	media.color_index = 256;
	media.resolution = 96;
}

void PageContainer::get_language(litehtml::tstring& language, litehtml::tstring& culture) const
{
	language = "en";
	culture.clear();
}
