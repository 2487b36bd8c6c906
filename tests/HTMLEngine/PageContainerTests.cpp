#include "Components/Graphics/GoldenImage.h"
#include "HtmlTestPage.h"
#include "PageShot.h"

#include <cairo.h>
#include <gtest/gtest.h>

namespace
{
	using HtmlPaint = test::HtmlTest;
	using Bgra = std::array<int, 4>;

	constexpr const char* kRedBox = "<body><div style='position: absolute; left: 10px; top: 10px; width: 50px; height: 50px;"
									"background-color: #ff0000'></div></body>";

	TEST_F(HtmlPaint, ARedDivIsRedInsideAndTheViewsBackgroundOutside)
	{
		for (bool transparent : {true, false})
		{
			HTMLView* view = Load(kRedBox, 100, 100, transparent);
			const Bgra outside = transparent ? Bgra{0, 0, 0, 0} : Bgra{255, 255, 255, 255};
			const struct
			{
				int x, y;
				Bgra expected;
			} points[] = {{10, 10, {0, 0, 255, 255}}, {59, 59, {0, 0, 255, 255}}, {35, 35, {0, 0, 255, 255}},
				{9, 35, outside}, {60, 35, outside}, {35, 60, outside}, {90, 90, outside}};
			for (const auto& point : points)
				EXPECT_EQ(Pixel(*view, point.x, point.y), point.expected) << point.x << "," << point.y << " transparent " << transparent;
		}
	}

	TEST_F(HtmlPaint, TranslucentColoursAreHandedOutStraightNotPremultiplied)
	{
		// From x 1 to 21: clear and translucent pixels share the first and last runs the pass looks at.
		HTMLView* view = Load("<body><div style='position: absolute; left: 1px; top: 0; width: 21px; height: 20px;"
							  "background-color: rgba(255, 128, 0, 0.5)'></div></body>");
		for (int x : {1, 2, 5, 20, 21})
		{
			const Bgra pixel = Pixel(*view, x, 5);
			EXPECT_NEAR(pixel[2], 255, 2) << x;
			EXPECT_NEAR(pixel[1], 128, 2) << x;
			EXPECT_EQ(pixel[0], 0) << x;
			EXPECT_NEAR(pixel[3], 128, 2) << x;
		}
		EXPECT_EQ(Pixel(*view, 0, 5), (Bgra{0, 0, 0, 0}));
		EXPECT_EQ(Pixel(*view, 22, 5), (Bgra{0, 0, 0, 0}));
	}

	// What cairo paints for the colour, made straight again by rounding division.
	Bgra StraightFromCairo(int red, int green, int blue, double alpha)
	{
		cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
		cairo_t* cr = cairo_create(surface);
		cairo_set_source_rgba(cr, red / 255.0, green / 255.0, blue / 255.0, alpha);
		cairo_paint(cr);
		cairo_destroy(cr);
		cairo_surface_flush(surface);
		const uint8_t* painted = cairo_image_surface_get_data(surface);
		const int a = painted[3];
		Bgra straight{0, 0, 0, a};
		for (int channel = 0; channel < 3 && a > 0; ++channel)
			straight[channel] = std::min(255, (painted[channel] * 255 + a / 2) / a);
		cairo_surface_destroy(surface);
		return straight;
	}

	TEST_F(HtmlPaint, TranslucentPixelsAreExactlyCairosPaintMadeStraight)
	{
		// Alphas whose byte is exact, so the page and cairo are handed the same one.
		const struct
		{
			int red, green, blue;
			double alpha;
		} colours[] = {{200, 100, 30, 0.2}, {255, 1, 77, 0.4}, {9, 250, 128, 0.6}, {3, 199, 254, 0.8}};
		for (const auto& colour : colours)
		{
			const std::string rgba = std::to_string(colour.red) + "," + std::to_string(colour.green) + "," +
				std::to_string(colour.blue) + "," + std::to_string(colour.alpha);
			HTMLView* view = Load("<body><div style='position: absolute; left: 0; top: 0; width: 8px; height: 8px;"
								  "background-color: rgba(" + rgba + ")'></div></body>", 16, 16);
			EXPECT_EQ(Pixel(*view, 3, 3), StraightFromCairo(colour.red, colour.green, colour.blue, colour.alpha)) << rgba;
		}
	}

	int CountDark(const HTMLView& view, int left, int top, int right, int bottom)
	{
		int dark = 0;
		for (int y = top; y < bottom; ++y)
			for (int x = left; x < right; ++x)
			{
				const uint8_t* pixel = view.GetPixels() + y * view.GetBytesPerRow() + x * 4;
				dark += pixel[3] > 128 && pixel[0] < 100 && pixel[1] < 100 && pixel[2] < 100 ? 1 : 0;
			}
		return dark;
	}

	TEST_F(HtmlPaint, TextPaintsGlyphsWhereItIsLaidOut)
	{
		HTMLView* view = Load("<body style='margin: 0; color: black; font-size: 20px'>Loading</body>", 200, 50, false);
		EXPECT_GT(CountDark(*view, 0, 0, 100, 25), 40) << "glyphs of the first line";
		EXPECT_EQ(CountDark(*view, 0, 30, 200, 50), 0) << "nothing below the line";
		EXPECT_EQ(CountDark(*view, 120, 0, 200, 50), 0) << "nothing right of the word";
	}

	TEST_F(HtmlPaint, APngBackgroundAndAnImagePaintFromThePagesFolder)
	{
		folder.WriteFile("Images/.keep", "");
		for (const auto& [name, alpha] : {std::pair{"green", 1.0}, std::pair{"half", 0.5}})
		{
			cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
			cairo_t* cr = cairo_create(picture);
			cairo_set_source_rgba(cr, 0, 1, 0, alpha);
			cairo_paint(cr);
			cairo_destroy(cr);
			ASSERT_EQ(cairo_surface_write_to_png(picture, (folder.Path() + "Images/" + name + ".png").c_str()), CAIRO_STATUS_SUCCESS);
			cairo_surface_destroy(picture);
		}
		folder.WriteFile("style.css", "#bg { background-image: url(Images/green.png); }");
		HTMLView* view = Load("<head><link rel='stylesheet' href='style.css'></head><body style='margin: 0'>"
							  "<div id='bg' style='position: absolute; left: 0; top: 0; width: 20px; height: 20px'></div>"
							  "<img src='Images/half.png' style='position: absolute; left: 50px; top: 0; width: 8px; height: 8px'></body>");
		EXPECT_EQ(Pixel(*view, 2, 2), (Bgra{0, 255, 0, 255}));
		EXPECT_EQ(Pixel(*view, 17, 17), (Bgra{0, 255, 0, 255})) << "the background repeats";
		const Bgra image = Pixel(*view, 53, 3);
		EXPECT_EQ(image[1], 255) << "the image";
		EXPECT_NEAR(image[3], 128, 2) << "keeps its own alpha";
		EXPECT_EQ(Pixel(*view, 30, 3), (Bgra{0, 0, 0, 0}));
	}

	TEST_F(HtmlPaint, ARoundedCornerLeavesTheCornerClear)
	{
		HTMLView* view = Load("<body><div style='position: absolute; left: 0; top: 0; width: 40px; height: 40px;"
							  "border-radius: 15px; background-color: #0000ff; border: 2px solid #00ff00'></div></body>");
		EXPECT_EQ(Pixel(*view, 1, 1)[3], 0) << "outside the rounding";
		EXPECT_EQ(Pixel(*view, 22, 22), (Bgra{255, 0, 0, 255}));
		EXPECT_EQ(Pixel(*view, 22, 0), (Bgra{0, 255, 0, 255})) << "the top border";
	}

	TEST_F(HtmlPaint, ResizeLaysThePageOutAgainAtTheNewSize)
	{
		HTMLView* view = Load("<body style='margin: 0'><div style='width: 100%; height: 100%; background-color: #ff0000'>"
							  "</div></body><style>html, body { height: 100%; }</style>", 100, 100);
		EXPECT_EQ(Pixel(*view, 99, 50)[2], 255);
		view->Resize(320, 200);
		HTMLEngine::Update();
		ASSERT_TRUE(view->IsDirty());
		EXPECT_EQ(view->GetBytesPerRow(), 320 * 4);
		EXPECT_EQ(Pixel(*view, 310, 190), (Bgra{0, 0, 255, 255}));
	}
}

namespace
{
	// The page's pixels over mid grey, so that transparency shows in the RGB golden image.
	test::Image OverGrey(const std::vector<uint8_t>& bgra, int width, int height)
	{
		test::Image image{width, height, {}};
		for (std::size_t i = 0; i < bgra.size(); i += 4)
			for (int channel = 2; channel >= 0; --channel)
				image.rgb.push_back(static_cast<unsigned char>((bgra[i + channel] * bgra[i + 3] + 128 * (255 - bgra[i + 3]) + 127) / 255));
		return image;
	}

	TEST_F(HtmlPaint, PagesMatchTheirGoldenImages)
	{
		const struct
		{
			const char* page;
			bool transparent;
			float hoverX, hoverY;
		} pages[] = {
			{"BoxAndText", false, -1.0f, -1.0f},
			{"Hover", true, 150.0f, 30.0f},
			{"Overlay", true, -1.0f, -1.0f},
		};
		for (const auto& page : pages)
		{
			const auto pixels = test::RenderPage(TW_TEST_DATA_DIR "Html/" + std::string(page.page) + ".html", 320, 160,
				page.transparent, page.hoverX, page.hoverY);
			test::ExpectMatchesGolden(OverGrey(pixels, 320, 160), std::string("Html") + page.page);
		}
	}
}
