#include "Systems/Input/InputTestRig.h"

#include <gtest/gtest.h>

namespace
{
	const std::string kTwoKeysNamedFwd = KeyButtonXml("Fwd", "a") + KeyButtonXml("Fwd", "left");

	// A binding that reports the variables of its arguments whenever the condition holds.
	std::string Report(const std::string& condition, const std::string& arguments)
	{
		return BindingXml("Player", condition, "Report(" + arguments + ")");
	}
}

TEST(ButtonVariable, ANameCombinesItsHeldAndIdleKeys)
{
	InputTestRig rig(kTwoKeysNamedFwd
		+ Report("t", "FWD_DOWN, FWD_UP, FWD_ISDOWN, FWD_ISUP, FWD_VALUE, FWD_PRESSNUM, FWD_DESCRIPTION")
		+ Report("t", "FWD_PRESSED, FWD_TRIGGERED, FWD_RELEASED") + Report("FWD_VALUE", "FWD_VALUE"));
	rig.Frame(1000, {SDLK_LEFT});
	rig.Frame(1016, {});
	EXPECT_EQ(rig.ArgumentsOf("Report"), (ArgumentLists{{"1", "1", "1", "1", "1", "1", "a,left"}, {"1", "1", "0"}, {"1"},
		{"0", "1", "0", "1", "0", "1", "a,left"}, {"0", "0", "1"}}))
		<< "an idle name reads value 0, so a condition of its value alone is false";
}

TEST(ButtonVariable, StateTimeIsTheTimeSinceTheLatestChange)
{
	InputTestRig rig(kTwoKeysNamedFwd + Report("FWD_UP", "FWD_STATETIME"));
	rig.Frame(1000, {SDLK_a});
	rig.Frame(1100, {SDLK_a}); // a's press is stamped at 1100
	rig.Frame(1300, {SDLK_a, SDLK_LEFT});
	rig.Frame(1350, {SDLK_a, SDLK_LEFT}); // left's press is stamped at 1350
	rig.engine.recorder->received.clear();
	rig.Frame(1400, {SDLK_a}); // left's release
	EXPECT_EQ(rig.ArgumentsOf("Report"), (ArgumentLists{{"50"}}));
}

TEST(ButtonVariable, TriggersMarkEachPressOfAQuickRun)
{
	InputTestRig rig(kTwoKeysNamedFwd + Report("FWD_PRESSED", "FWD_TRIGGER1, FWD_TRIGGER2, FWD_TRIGGER3, FWD_TRIGGER4"));
	for (uint32_t press = 1000; press < 1400; press += 100)
	{
		rig.Frame(press, {SDLK_a});
		rig.Frame(press + 16, {});
		rig.Frame(press + 32, {});
	}
	EXPECT_EQ(rig.ArgumentsOf("Report"),
		(ArgumentLists{{"1", "0", "0", "0"}, {"0", "1", "0", "0"}, {"0", "0", "1", "0"}, {"0", "0", "0", "1"}}));
}

TEST(ButtonVariable, ValueKeepsTheLargestMagnitudeWithItsSign)
{
	// With the built-in MOUSEX (scale 0.99) joining them, the three read a motion of 250 pixels
	// as 0.2, -0.495 and 0.495; of two equal magnitudes the earlier button wins.
	InputTestRig rig("<Button><Type>Mouse</Type><Name>MOUSEX</Name><Axis>X</Axis><Scale>0.4</Scale></Button>"
					 "<Button><Type>Mouse</Type><Name>MOUSEX</Name><Axis>X</Axis><Scale>0.99</Scale><Invert>true</Invert>"
					 "</Button>" + Report("MOUSEX_DOWN", "MOUSEX_VALUE"));
	// The last poll of a cycle takes the sample the others read a frame later: with the same
	// motion in two frames, every button reads it in the second.
	for (uint32_t time : {1000u, 1016u})
	{
		rig.device->pendingMotion = {250, 0};
		rig.Frame(time);
	}
	const ArgumentLists reports = rig.ArgumentsOf("Report");
	ASSERT_FALSE(reports.empty());
	EXPECT_NEAR(std::stof(reports.back()[0]), -0.495f, 1e-5);
}
