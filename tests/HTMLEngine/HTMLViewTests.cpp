#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"

#include <gtest/gtest.h>

TEST(HTMLView, LoadedPageIsDirtyOnceOverTheWholeTransparentCanvas)
{
	HTMLView* view = HTMLEngine::CreateView(64, 32, true, false);
	EXPECT_FALSE(view->IsDirty());
	view->LoadFile("NoSuchPage.html");
	ASSERT_TRUE(view->IsDirty());

	view->LockCanvas(true);
	HTMLView::Rect rect = view->GetDirtyRect();
	EXPECT_EQ(rect.left, 0);
	EXPECT_EQ(rect.top, 0);
	EXPECT_EQ(rect.width, 64);
	EXPECT_EQ(rect.height, 32);
	EXPECT_EQ(view->GetBytesPerRow(), 64 * 4);
	const uint8_t* pixels = view->GetPixels();
	for (int i = 0; i < 64 * 32 * 4; ++i)
		ASSERT_EQ(pixels[i], 0) << "byte " << i;
	view->UnlockCanvas();

	HTMLEngine::Update();
	EXPECT_FALSE(view->IsDirty());
	view->Destroy();
}
