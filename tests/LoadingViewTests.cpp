#include "LoadingView.h"

#include "HTMLEngine/HTMLView.h"

#include <gtest/gtest.h>

namespace
{
	TEST(LoadingView, ShowsThePageAndEachDrawTakesWhatWasPaintedSinceTheLast)
	{
		LoadingView loading("HUDElements/LoadingScreen.html");
		EXPECT_EQ(loading.GetView().GetLoadedFile(), "HUDElements/LoadingScreen.html");
		// Without a Graphics system there is no screen to take the size of.
		EXPECT_EQ(loading.GetWidth(), 0u);
		EXPECT_EQ(loading.GetHeight(), 0u);
		EXPECT_TRUE(loading.GetView().IsDirty());
		loading.Draw();
		EXPECT_FALSE(loading.GetView().IsDirty());
		loading.Draw();
		EXPECT_FALSE(loading.GetView().IsDirty());
	}
}
