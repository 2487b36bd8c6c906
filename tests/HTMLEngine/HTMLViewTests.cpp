#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "HtmlTestPage.h"

#include <gtest/gtest.h>

namespace
{
	using HTMLViewTest = test::HtmlTest;

	TEST_F(HTMLViewTest, LoadedPageIsDirtyOnceOverTheWholeTransparentCanvas)
	{
		::HTMLView* view = HTMLEngine::CreateView(64, 32, true, false);
		views.push_back(view);
		view->LoadFile("NoSuchPage.html");
		EXPECT_FALSE(view->IsDirty()) << "nothing is painted before the update";
		HTMLEngine::Update();
		ASSERT_TRUE(view->IsDirty());
		view->LockCanvas(true);
		const ::HTMLView::Rect rect = view->GetDirtyRect();
		EXPECT_EQ(rect.left, 0);
		EXPECT_EQ(rect.top, 0);
		EXPECT_EQ(rect.width, 64);
		EXPECT_EQ(rect.height, 32);
		EXPECT_EQ(view->GetBytesPerRow(), 64 * 4);
		for (int i = 0; i < 64 * 32 * 4; ++i)
			ASSERT_EQ(view->GetPixels()[i], 0) << "byte " << i;
		view->UnlockCanvas();
		HTMLEngine::Update();
		EXPECT_FALSE(view->IsDirty());
	}

	TEST_F(HTMLViewTest, UnlockLeavesTheViewCleanWhateverTheLockSaysUntilTheNextChange)
	{
		for (bool clearDirty : {false, true})
		{
			::HTMLView* view = Load("<body><div id='d'>text</div></body>");
			ASSERT_TRUE(view->IsDirty());
			view->LockCanvas(clearDirty);
			EXPECT_TRUE(view->IsDirty()) << "the pixels are out only at unlock";
			view->UnlockCanvas();
			EXPECT_FALSE(view->IsDirty());
			HTMLEngine::Update();
			EXPECT_FALSE(view->IsDirty()) << "no change, no paint";
			view->ExecuteJavascript("document.getElementById('d').style.color = 'red'; void(0);");
			EXPECT_FALSE(view->IsDirty()) << "changes are painted at the update";
			HTMLEngine::Update();
			EXPECT_TRUE(view->IsDirty());
		}
	}

	TEST_F(HTMLViewTest, TimerStyleChangeDirtiesAtTheUpdateItRunsIn)
	{
		::HTMLView* view = Load("<body><div id='d'>x</div><script>setTimeout(function() {"
								"document.getElementById('d').style.width = '10px'; }, 100);</script></body>");
		Take(*view);
		now = 99;
		HTMLEngine::Update();
		EXPECT_FALSE(view->IsDirty());
		now = 100;
		HTMLEngine::Update();
		EXPECT_TRUE(view->IsDirty());
	}

	TEST_F(HTMLViewTest, SizesOfZeroOrLessGiveOnePixel)
	{
		const int sizes[][2] = {{0, 10}, {10, -5}, {-1, -1}};
		for (const auto& size : sizes)
		{
			::HTMLView* view = HTMLEngine::CreateView(size[0], size[1], false, false);
			views.push_back(view);
			EXPECT_EQ(view->GetBytesPerRow(), std::max(size[0], 1) * 4);
			view->Resize(size[1], size[0]);
			EXPECT_EQ(view->GetWidth(), std::max(size[1], 1));
			EXPECT_EQ(view->GetHeight(), std::max(size[0], 1));
		}
	}

	TEST_F(HTMLViewTest, OnlyFileUrlsLoadOthersGiveABlankPageAndADiagnostic)
	{
		folder.WriteFile("page.html", "<body><script>record('loaded')</script></body>");
		const struct
		{
			std::string url;
			bool loads;
		} cases[] = {
			{"file://" + folder.Path() + "page.html", true},
			{"file:" + folder.Path() + "page.html", true},
			{"http://example.com/page.html", false},
			{"data:text/html,<script>record('loaded')</script>", false},
		};
		for (const auto& c : cases)
		{
			Recorded().clear();
			::HTMLView* view = HTMLEngine::CreateView(10, 10, true, false);
			views.push_back(view);
			::testing::internal::CaptureStderr();
			view->LoadURL(c.url);
			const std::string printed = ::testing::internal::GetCapturedStderr();
			EXPECT_EQ(Recorded().size(), c.loads ? 1u : 0u) << c.url;
			EXPECT_EQ(printed.find("only file: URLs") != std::string::npos, !c.loads) << c.url << ": " << printed;
		}
	}
}
