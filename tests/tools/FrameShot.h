// What the end-to-end probes read off the game's screen: the frame last drawn, kept as a PNG, and
// the rectangle that a colour of a pane's page covers in window pixels (the menu's start button).
#pragma once

#include "Components/GUI/HTMLPane.h"
#include "Composition.h"
#include "HTMLEngine/HTMLView.h"
#include "HTMLEngine/PageShot.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace test
{
	// How near a pixel must come to a colour of a page's style sheet to show it.
	constexpr int kColourTolerance = 8;

	inline bool Near(const int (&colour)[3], int r, int g, int b)
	{
		return std::abs(r - colour[0]) <= kColourTolerance && std::abs(g - colour[1]) <= kColourTolerance &&
			std::abs(b - colour[2]) <= kColourTolerance;
	}

	struct Rect
	{
		int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
	};

	// The frame last drawn, RGBA rows bottom first.
	inline std::vector<unsigned char> ReadFrame(int width, int height)
	{
		std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
		glBindFramebuffer(GL_FRAMEBUFFER, 0);
		glReadBuffer(GL_BACK);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
		return pixels;
	}

	// A frame as ReadFrame returns it, written as a PNG (top row first).
	inline void WriteFramePng(const std::vector<unsigned char>& frame, int width, int height, const std::string& path)
	{
		std::vector<std::uint8_t> bgra(frame.size());
		for (int y = 0; y < height; ++y)
			for (int x = 0; x < width; ++x)
				for (int c = 0; c < 4; ++c)
					bgra[(static_cast<std::size_t>(y) * width + x) * 4 + c] =
						frame[(static_cast<std::size_t>(height - 1 - y) * width + x) * 4 + (c == 3 ? 3 : 2 - c)];
		WriteBgraPng(bgra, width, height, path);
	}

	// Where the page of the pane shows exactly that colour, in window pixels, one rectangle for each
	// run of rows that show it (a menu's buttons stacked one under the other): the pane is a plane
	// centred across the window, one page pixel a window pixel.
	inline std::vector<Rect> ColourBandsOnPane(Composition& paneObject, const int (&colour)[3], int windowWidth)
	{
		const HTMLView* view = paneObject.GetComponent<HTMLPane>()->GetView();
		const int offsetX = (windowWidth - view->GetWidth()) / 2;
		std::vector<Rect> bands;
		bool inBand = false;
		for (int y = 0; y < view->GetHeight(); ++y)
		{
			Rect row;
			for (int x = 0; x < view->GetWidth(); ++x)
			{
				const std::uint8_t* pixel = view->GetPixels() + y * view->GetBytesPerRow() + x * 4;
				if (pixel[2] == colour[0] && pixel[1] == colour[1] && pixel[0] == colour[2])
					row = {std::min(row.left, x + offsetX), y, std::max(row.right, x + offsetX + 1), y + 1};
			}
			if (row.right < 0)
			{
				inBand = false;
				continue;
			}
			if (!inBand)
				bands.push_back(row);
			Rect& band = bands.back();
			band = {std::min(band.left, row.left), band.top, std::max(band.right, row.right), row.bottom};
			inBand = true;
		}
		return bands;
	}

	// The rectangle around every band of that colour.
	inline Rect ColourOnPane(Composition& paneObject, const int (&colour)[3], int windowWidth)
	{
		Rect found;
		for (const Rect& band : ColourBandsOnPane(paneObject, colour, windowWidth))
			found = {std::min(found.left, band.left), std::min(found.top, band.top), std::max(found.right, band.right),
				std::max(found.bottom, band.bottom)};
		return found;
	}

	// How many pixels of the pane's page come near that colour.
	inline int PixelsNear(Composition& paneObject, const int (&colour)[3])
	{
		const HTMLView* view = paneObject.GetComponent<HTMLPane>()->GetView();
		int count = 0;
		for (int y = 0; y < view->GetHeight(); ++y)
			for (int x = 0; x < view->GetWidth(); ++x)
			{
				const std::uint8_t* pixel = view->GetPixels() + y * view->GetBytesPerRow() + x * 4;
				count += pixel[3] > 0 && Near(colour, pixel[2], pixel[1], pixel[0]) ? 1 : 0;
			}
		return count;
	}
}
