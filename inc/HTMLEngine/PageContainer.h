// PageContainer: what litehtml asks of its host, answered with pango fonts, cairo drawing and
// SDL_image pictures: fonts and text measures, backgrounds, borders, images, clips, style sheets
// linked from the page, and the view's size. Relative URLs resolve against the page's folder;
// only files inside the game's folders are read (no network), as PageFiles says. Style sheets a
// layout imports are bounded: each once, and at most kMaxImports in all.
#pragma once

#include <litehtml/litehtml.h>

#include <cairo.h>

#include <map>
#include <string>
#include <vector>

class PageContainer : public litehtml::document_container
{
public:
	static constexpr int kMaxImports = 32;

	// pageName names the page in diagnostics (the folder when empty).
	explicit PageContainer(std::string pageFolder, std::string pageName = {});
	~PageContainer();
	PageContainer(const PageContainer&) = delete;
	PageContainer& operator=(const PageContainer&) = delete;

	void SetViewSize(int width, int height);
	// A new layout starts: style sheets may be imported again.
	void BeginLayout();
	// path resolved against base (a folder or a file in it), else against the page's folder.
	std::string Resolve(const std::string& path, const std::string& base) const;

	litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight, litehtml::font_style italic,
		unsigned int decoration, litehtml::font_metrics* metrics) override;
	void delete_font(litehtml::uint_ptr font) override;
	int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr font) override;
	void draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr font, litehtml::web_color color,
		const litehtml::position& pos) override;
	int pt_to_px(int pt) const override;
	int get_default_font_size() const override;
	const litehtml::tchar_t* get_default_font_name() const override;
	void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override;
	void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, bool redrawOnReady) override;
	void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, litehtml::size& size) override;
	void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& background) override;
	void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders, const litehtml::position& drawPos,
		bool root) override;
	void set_caption(const litehtml::tchar_t*) override
	{
	}
	void set_base_url(const litehtml::tchar_t*) override
	{
	}
	void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override
	{
	}
	// Clicks are dispatched by the view's own hit test.
	void on_anchor_click(const litehtml::tchar_t*, const litehtml::element::ptr&) override
	{
	}
	void set_cursor(const litehtml::tchar_t*) override
	{
	}
	void transform_text(litehtml::tstring& text, litehtml::text_transform transform) override;
	void import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl) override;
	void set_clip(const litehtml::position& pos, const litehtml::border_radiuses& radius, bool validX, bool validY) override;
	void del_clip() override;
	void get_client_rect(litehtml::position& client) const override;
	std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t*, const litehtml::string_map&,
		const std::shared_ptr<litehtml::document>&) override
	{
		return nullptr;
	}
	void get_media_features(litehtml::media_features& media) const override;
	void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override;

private:
	struct Clip
	{
		litehtml::position box;
		litehtml::border_radiuses radius;
	};

	// Saves the cairo state and clips to every clip litehtml has set.
	void BeginDraw(cairo_t* cr) const;
	cairo_surface_t* Image(const std::string& src, const std::string& base);

	std::string pageFolder;
	std::string pageName;
	std::vector<std::string> imported;
	int viewWidth = 1;
	int viewHeight = 1;
	std::vector<Clip> clips;
	// By resolved path; null for a picture that failed to load (asked for once).
	std::map<std::string, cairo_surface_t*> images;
};
