#include "LoadingViewPace.h"

#include "EngineTestSupport.h"
#include "Utilities/Timer.h"

namespace
{
	using LoadingViewPace = test::EngineTest;

	// A level of many small groups used to present a whole frame after every group.
	TEST_F(LoadingViewPace, AThousandGroupsRedrawTheLoadingViewAtMostThirtyTimesASecond)
	{
		MakeEngine(kFixtures);
		std::string level = "<Level><string>Next</string><string>Previous</string>";
		for (int group = 0; group < 1000; ++group)
			level += "<ObjectGroup><Object><string>Crate" + std::to_string(group) + "</string></Object></ObjectGroup>";
		userFolder.WriteFile("Levels/ThousandGroups", level + "</Level>");
		const unsigned drawsBefore = ::LoadingViewPace::DrawCount();
		const std::uint32_t start = GetElapsedMilliseconds();
		ASSERT_TRUE(engine->LoadLevel("ThousandGroups"));
		const std::uint32_t elapsed = GetElapsedMilliseconds() - start;
		EXPECT_EQ(ObjectGroup::InCreationOrder().size(), 1000u);
		// The first and the last state always, and between them at most one draw per interval begun.
		const unsigned draws = ::LoadingViewPace::DrawCount() - drawsBefore;
		EXPECT_GE(draws, 2u);
		EXPECT_LE(draws, 3u + elapsed / ::LoadingViewPace::kIntervalMs) << elapsed << " ms";
	}
}
