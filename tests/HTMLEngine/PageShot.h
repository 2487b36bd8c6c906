// A page rendered once at a given size, as the engine shows it (straight BGRA rows), and written
// as a PNG: shared by the HtmlShot tool, the golden-image tests and the loading-view test.
#pragma once

#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace test
{
	inline std::vector<uint8_t> RenderPage(const std::string& path, int width, int height, bool transparent,
		float pointerX = -1.0f, float pointerY = -1.0f)
	{
		HTMLView* view = HTMLEngine::CreateView(width, height, transparent, false);
		view->LoadFile(path);
		if (pointerX >= 0.0f)
		{
			HTMLEngine::Update();
			view->InjectMouseMove(pointerX, pointerY);
		}
		HTMLEngine::Update();
		const uint8_t* pixels = view->GetPixels();
		std::vector<uint8_t> bgra(pixels, pixels + view->GetBytesPerRow() * view->GetHeight());
		view->Destroy();
		return bgra;
	}

	// Straight BGRA rows to a PNG with alpha (cairo wants them premultiplied).
	inline bool WriteBgraPng(const std::vector<uint8_t>& bgra, int width, int height, const std::string& path)
	{
		cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
		cairo_surface_flush(surface);
		uint8_t* target = cairo_image_surface_get_data(surface);
		const int stride = cairo_image_surface_get_stride(surface);
		for (int y = 0; y < height; ++y)
			for (int x = 0; x < width; ++x)
			{
				const uint8_t* in = &bgra[(static_cast<std::size_t>(y) * width + x) * 4];
				uint8_t* out = target + y * stride + x * 4;
				for (int channel = 0; channel < 3; ++channel)
					out[channel] = static_cast<uint8_t>((in[channel] * in[3] + 127) / 255);
				out[3] = in[3];
			}
		cairo_surface_mark_dirty(surface);
		const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
		cairo_surface_destroy(surface);
		return written;
	}
}
