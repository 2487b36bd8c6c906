// The shipped menu pages as the engine paints them: what a player must be able to read and tell apart.
#include "HtmlTestPage.h"
#include "Utilities/JavaScript.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace
{
	// From Menu.css: a chosen toggle's fill, and the options panel's backdrop (straight RGB).
	constexpr int kChosenFill[3] = {0x3f, 0x9b, 0x4a};
	constexpr int kPanelBackdrop[3] = {18, 24, 40};
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

	TEST_F(MenuPages, TheOptionsPanelStandsOnANearlyOpaqueDarkBackdrop)
	{
		// The backdrop's share of the page, around the panel's few lines of text and buttons.
		EXPECT_GT(PixelsNear(*OptionsPanel(), kPanelBackdrop, 210), 1024 * 768 / 40);
	}
}
