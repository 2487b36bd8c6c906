// The shipped menu pages as the engine paints them: what a player must be able to read and tell apart.
#include "HtmlTestPage.h"
#include "Utilities/JavaScript.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
	// From Menu.css: a chosen toggle's fill, and the options panel's backdrop (straight RGB).
	constexpr int kChosenFill[3] = {0x3f, 0x9b, 0x4a};
	constexpr int kPanelBackdrop[3] = {18, 24, 40};
	// A plain button's fill.
	constexpr int kButtonFill[3] = {0x2a, 0x3a, 0x5c};
	// Fewer pixels than one toggle's fill, more than its border.
	constexpr int kOneToggle = 800;

	class MenuPages : public test::HtmlTest
	{
	protected:
		void SetUp() override
		{
			HtmlTest::SetUp();
			JavaScript::Instance().RegisterWithHTMLEngine();
		}

		// The main menu's options panel, as "Options" shows it, at the menu's 4:3 size.
		HTMLView* OptionsPanel()
		{
			HTMLView* view = HTMLEngine::CreateView(1024, 768, true, false);
			views.push_back(view);
			view->LoadFile(TW_TEST_DATA_DIR "../../Data/HUDElements/MainMenu.html");
			view->ExecuteJavascript("document.getElementById('main').style.display = 'none';"
									"document.getElementById('optionsPanel').style.display = 'block';", nullptr);
			HTMLEngine::Update();
			return view;
		}

		// A BGRA pixel, opaque and of the colour (straight RGB).
		static bool Near(const std::array<int, 4>& pixel, const int (&colour)[3])
		{
			return pixel[3] == 255 && std::abs(pixel[2] - colour[0]) <= 8 && std::abs(pixel[1] - colour[1]) <= 8 &&
				std::abs(pixel[0] - colour[2]) <= 8;
		}

		static int PixelsNear(const HTMLView& view, const int (&colour)[3], int minimumAlpha)
		{
			int count = 0;
			for (int y = 0; y < view.GetHeight(); ++y)
				for (int x = 0; x < view.GetWidth(); ++x)
				{
					const std::array<int, 4> pixel = Pixel(view, x, y);
					count += pixel[3] >= minimumAlpha && std::abs(pixel[2] - colour[0]) <= 8 && std::abs(pixel[1] - colour[1]) <= 8 &&
							std::abs(pixel[0] - colour[2]) <= 8 ? 1 : 0;
				}
			return count;
		}
	};

	TEST_F(MenuPages, EachOptionsToggleThatIsOnShowsTheChosenFill)
	{
		HTMLView* view = OptionsPanel();
		const struct
		{
			bool mute, fullScreen;
			int togglesOn;
		} states[] = {{false, false, 0}, {true, false, 1}, {false, true, 1}, {true, true, 2}};
		int lastOne = 0;
		for (const auto& state : states)
		{
			view->ExecuteJavascript(std::string("Mark('mute', ") + (state.mute ? "true" : "false") + "); Mark('fullScreen', " +
				(state.fullScreen ? "true" : "false") + ");", nullptr);
			HTMLEngine::Update();
			const int filled = PixelsNear(*view, kChosenFill, 255);
			SCOPED_TRACE(std::to_string(state.mute) + " " + std::to_string(state.fullScreen));
			if (state.togglesOn == 0)
				EXPECT_EQ(filled, 0);
			else
				EXPECT_GT(filled, state.togglesOn * kOneToggle);
			if (state.togglesOn == 1)
				lastOne = filled;
			if (state.togglesOn == 2)
				EXPECT_GT(filled, lastOne + kOneToggle);
		}
	}

	// A menu that comes with a level comes under a pointer aimed at the page before it: the main menu
	// after the won page, whose "Main menu" lies over "Options", and the won page after the lair. A
	// click on the menu's first button as it appears (the second of a double click) does nothing;
	// one once the menu has been on screen for a moment does what the button says.
	TEST_F(MenuPages, AMenuThatComesWithALevelTakesNoClickUntilItHasBeenOnScreenForAMoment)
	{
		const struct
		{
			const char* page;
			// Run before the click: lets the test see what the button asks of the engine.
			const char* watch;
			// Records what the click did.
			const char* outcome;
			const char* ignored;
			const char* taken;
		} kPages[] = {
			{"MainMenu.html", "", "record(document.getElementById('optionsPanel').style.display);", "none", "block"},
			{"Won.html", "asked = 'nothing'; engine.LoadLevel = function(level) { asked = level; };", "record(asked);", "nothing", "MainMenu"},
		};
		// Milliseconds since the menu's first frame.
		for (const std::uint32_t shownFor : {0u, 299u, 300u})
			for (const auto& page : kPages)
			{
				SCOPED_TRACE(std::string(page.page) + " after " + std::to_string(shownFor) + " ms");
				HTMLView* view = HTMLEngine::CreateView(1024, 768, true, false);
				views.push_back(view);
				view->LoadFile(std::string(TW_TEST_DATA_DIR "../../Data/HUDElements/") + page.page);
				HTMLEngine::Update();
				now += shownFor;
				HTMLEngine::Update();
				// The first band of the plain buttons' fill down the middle is the first button that
				// leads on ("Options" on the main menu, whose "Start" is red).
				int top = 0;
				while (top < view->GetHeight() && !Near(Pixel(*view, 512, top), kButtonFill))
					++top;
				int bottom = top;
				while (bottom + 1 < view->GetHeight() && Near(Pixel(*view, 512, bottom + 1), kButtonFill))
					++bottom;
				ASSERT_LT(top, bottom);
				view->ExecuteJavascript(page.watch, nullptr);
				view->InjectMouseMove(512.0f, static_cast<float>(top + bottom) / 2.0f);
				view->InjectMouseDown(HTMLView::LeftMouseButton, 1);
				view->InjectMouseUp(HTMLView::LeftMouseButton);
				Recorded().clear();
				view->ExecuteJavascript(page.outcome, nullptr);
				EXPECT_EQ(Recorded(), std::vector<std::string>{shownFor >= 300 ? page.taken : page.ignored});
			}
	}

	TEST_F(MenuPages, TheOptionsPanelStandsOnANearlyOpaqueDarkBackdrop)
	{
		// The backdrop's share of the page, around the panel's few lines of text and buttons.
		EXPECT_GT(PixelsNear(*OptionsPanel(), kPanelBackdrop, 210), 1024 * 768 / 40);
	}
}
