#include "Systems/Input/InputTestRig.h"

#include <gtest/gtest.h>

namespace
{
	const std::string kTwoKeysNamedFwd = "<Button><Type>Key</Type><Name>Fwd</Name><Key>a</Key></Button>"
										 "<Button><Type>Key</Type><Name>Fwd</Name><Key>left</Key></Button>";

	// A binding that reports the variables of its arguments every frame.
	std::string Report(const std::string& condition, const std::string& arguments)
	{
		return "<Binding><Recipient>Player</Recipient><Condition>" + condition + "</Condition><Message>Report("
			+ arguments + ")</Message></Binding>";
	}

	// Key buttons under names of their own, enough to keep the built-in buttons out.
	std::string FillerButtons(int count)
	{
		std::string buttons;
		for (int i = 1; i <= count; ++i)
			buttons += "<Button><Type>Key</Type><Name>Filler" + std::to_string(i) + "</Name><Key>f" + std::to_string(i)
				+ "</Key></Button>";
		return buttons;
	}

	using Reports = std::vector<std::vector<std::string>>;
}

TEST(ButtonVariable, NameWithOneHeldAndOneIdleKey)
{
	InputTestRig rig(kTwoKeysNamedFwd
		+ Report("t", "FWD_DOWN, FWD_UP, FWD_ISDOWN, FWD_ISUP, FWD_VALUE, FWD_PRESSNUM, FWD_DESCRIPTION"));
	rig.Frame(1000, {SDLK_LEFT});
	EXPECT_EQ(rig.ArgumentsOf("Report"), (Reports{{"1", "1", "1", "1", "1", "1", "a,left"}}));
}

TEST(ButtonVariable, StateTimeIsTheTimeSinceTheLatestChange)
{
	InputTestRig rig(kTwoKeysNamedFwd + Report("FWD_UP", "FWD_STATETIME"));
	rig.Frame(1000, {SDLK_a});
	rig.Frame(1100, {SDLK_a});		// a's press is stamped at 1100
	rig.Frame(1300, {SDLK_a, SDLK_LEFT});
	rig.Frame(1350, {SDLK_a, SDLK_LEFT}); // left's press is stamped at 1350
	rig.ClearReceived();
	rig.Frame(1400, {SDLK_a});			// left's release
	EXPECT_EQ(rig.ArgumentsOf("Report"), (Reports{{"50"}}));
}

TEST(ButtonVariable, IdleNameReadsValueZeroAndItsConditionIsFalse)
{
	InputTestRig rig(kTwoKeysNamedFwd + Report("FWD_VALUE", "FWD_VALUE") + Report("FWD_UP", "FWD_VALUE"));
	rig.Frame(1000, {});
	EXPECT_EQ(rig.ArgumentsOf("Report"), (Reports{{"0"}}));
}

TEST(ButtonVariable, ValueKeepsTheLargestMagnitudeWithItsSign)
{
	// Both read the same pointer motion of 250 pixels: 0.5 * 0.4 = 0.2 and -(0.5 * 0.99).
	InputTestRig rig(FillerButtons(9) + "<Button><Type>Mouse</Type><Name>MOUSEX</Name><Axis>X</Axis><Scale>0.4</Scale></Button>"
					 "<Button><Type>Mouse</Type><Name>MOUSEX</Name><Axis>X</Axis><Scale>0.99</Scale>"
					 "<Invert>true</Invert></Button>"
		+ Report("MOUSEX_DOWN", "MOUSEX_VALUE"));
	// Each button reads every sample once, the first of a cycle one frame late: with the same
	// motion in two frames, both read it in the second.
	rig.device->pendingMotion = {250, 0};
	rig.Frame(1000);
	rig.device->pendingMotion = {250, 0};
	rig.Frame(1016);
	const Reports reports = rig.ArgumentsOf("Report");
	ASSERT_FALSE(reports.empty());
	EXPECT_NEAR(std::stof(reports.back()[0]), -0.495f, 1e-5);
}

TEST(ButtonVariable, TriggerTwoMarksTheSecondPressOfADoublePress)
{
	InputTestRig rig(kTwoKeysNamedFwd + Report("FWD_PRESSED", "FWD_TRIGGER1, FWD_TRIGGER2, FWD_PRESSNUM"));
	rig.Frame(1000, {SDLK_a});
	rig.Frame(1016, {});
	rig.Frame(1032, {});
	rig.Frame(1100, {SDLK_a});
	EXPECT_EQ(rig.ArgumentsOf("Report"), (Reports{{"1", "0", "1"}, {"0", "1", "2"}}));
}

TEST(ButtonVariable, ReleasedAndMouseButtonDescription)
{
	InputTestRig rig(Report("MBTNL_RELEASED", "MBTNL_DESCRIPTION, MBTNL_RELEASED"));
	rig.device->mouseButtons = 1u;
	rig.Frame(1000);
	rig.device->mouseButtons = 0u;
	rig.Frame(1016);
	rig.Frame(1032);
	EXPECT_EQ(rig.ArgumentsOf("Report"), (Reports{{"Left", "1"}}));
}
