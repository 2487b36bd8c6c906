#include "Systems/Logic/LeafRules.h"

#include "Components/Logic/GameplayRules.h"
#include "Utilities/ValueText.h"

#include <gtest/gtest.h>

namespace
{
	// The milliseconds a node reads back from the text a time is saved as.
	std::uint32_t ReadBack(std::uint32_t milliseconds)
	{
		float seconds = 0.0f;
		EXPECT_TRUE(ValueText::Parse(ValueText::Format(LeafRules::ToSeconds(milliseconds)), seconds));
		return SecondsToMilliseconds(seconds);
	}

	TEST(LeafRules, NodeTimesReadBackAsSavedBelowAHundredSecondsAndSettleAfterOneSaveBeyond)
	{
		for (std::uint32_t milliseconds = 0; milliseconds < 100000; ++milliseconds)
			ASSERT_EQ(ReadBack(milliseconds), milliseconds);
		for (const std::uint32_t milliseconds : {123456u, 999999u, 4000000u, 86400000u, 4294967295u})
		{
			const std::uint32_t once = ReadBack(milliseconds);
			EXPECT_EQ(ReadBack(once), once) << milliseconds;
			EXPECT_NEAR(static_cast<double>(once), milliseconds, milliseconds * 1e-5) << milliseconds;
		}
	}
}
