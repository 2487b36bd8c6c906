#include "Systems/Input.h"

#include "Systems/Input/InputTestRig.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

namespace
{
	using InputNames = std::vector<std::string>;

	InputNames ButtonDescriptions(const Input& input, const std::string& name)
	{
		InputNames descriptions;
		if (const ButtonTable::ButtonList* list = input.GetButtons().Find(name))
			for (const auto& button : *list)
				descriptions.push_back(button->Describe());
		return descriptions;
	}

	InputNames BindingNames(const Input& input)
	{
		InputNames names;
		for (size_t i = 0; i < input.GetBindings().Size(); ++i)
			names.push_back(input.GetBindings()[i].message.GetName());
		return names;
	}
}

TEST(Input, EmptySettingsGiveTheBuiltInButtonsAndBindings)
{
	InputTestRig rig;
	std::set<std::string> names;
	for (const auto& [name, list] : rig.input->GetButtons().AllNames())
		names.insert(name);
	EXPECT_EQ(names, (std::set<std::string>{"A", "D", "ESC", "MBTNL", "MBTNR", "MOUSEX", "MOUSEY", "S", "SPACE", "W"}));
	EXPECT_EQ(BindingNames(*rig.input), (InputNames{"PauseGame", "SetLungState", "MoveForward", "Strafe", "RotY", "RotRight",
		"Jump", "SetSucking", "Reflect", "SetLungState", "SetLungState", "ParticleActivate", "ParticleActivate"}));
	EXPECT_EQ(rig.input->GetButtonContext().pressLag, 150u);
}

TEST(Input, SettingsAreReadWithoutRegardToCaseAndSmallSetsAreFollowedByAllBuiltIns)
{
	// Nine names (the Joystick button is skipped but still numbered) and twelve bindings: one
	// short of each built-in set.
	std::string settings = "<PressLag>80</PressLag>"
						   "<Button><Type>key</Type><Name>fire</Name><Key>LCTRL</Key></Button>"
						   "<Button><Type>Joystick</Type></Button>"
						   "<Button><Type>mousebutton</Type><Button>middle</Button></Button>"
						   "<Button><Type>MOUSE</Type><Axis>y</Axis><Scale>0.5</Scale><Invert>true</Invert></Button>"
		+ KeyButtonXml("W", "up") + BindingXml("Player", "FIRE_TRIGGERED", "Fire()");
	for (int i = 1; i <= 11; ++i)
	{
		const std::string number = std::to_string(i);
		if (i <= 5)
			settings += KeyButtonXml("Extra" + number, "f" + number);
		settings += BindingXml("Player", "W_DOWN", "Custom" + number + "()");
	}
	InputTestRig rig(settings);
	EXPECT_EQ(ButtonDescriptions(*rig.input, "FIRE"), (InputNames{"lctrl"}));
	EXPECT_EQ(ButtonDescriptions(*rig.input, "BTN1"), (InputNames{}));
	EXPECT_EQ(ButtonDescriptions(*rig.input, "BTN2"), (InputNames{"Middle"}));
	EXPECT_EQ(ButtonDescriptions(*rig.input, "BTN3"), (InputNames{"Y"}));
	EXPECT_EQ(ButtonDescriptions(*rig.input, "W"), (InputNames{"up", "w"}));
	EXPECT_EQ(rig.input->GetButtonContext().pressLag, 80u);
	const InputNames names = BindingNames(*rig.input);
	ASSERT_EQ(names.size(), 25u);
	EXPECT_EQ(names[11], "Custom11");
	EXPECT_EQ(names[12], "PauseGame");

	rig.Frame(1000, {SDLK_LCTRL});
	EXPECT_EQ(rig.ArgumentsOf("Fire").size(), 1u);
}

// Parse and name faults are caught once at load, not raised by every frame's evaluation.
TEST(Input, BindingsThatCannotWorkAreSkippedAtLoadWithADiagnostic)
{
	const std::pair<std::string, std::string> broken[] = {{"", "NoCondition()"}, {"W_DOWN", ""},
		{"W_DOWN |", "BadCondition()"}, {"W_DOWN", "NoParenthesis"}, {"W_DOWNN", "MisspeltCondition()"},
		{"W_DOWN", "MisspeltArgument(W_VALU)"}, {"W_DOWN", "BadArgument(1 +)"}};
	std::string settings = BindingXml("", "W_DOWN", "NoRecipient()");
	for (const auto& [condition, message] : broken)
		settings += BindingXml("Player", condition, message);
	::testing::internal::CaptureStderr();
	InputTestRig rig(settings + BindingXml("Player", "W_DOWN", "Good(W_VALUE)"));
	const std::string diagnostics = ::testing::internal::GetCapturedStderr();
	EXPECT_THAT(diagnostics, ::testing::HasSubstr("Message \"NoRecipient()\") skipped"));
	for (const auto& [condition, message] : broken)
		EXPECT_THAT(diagnostics, ::testing::HasSubstr("Condition \"" + condition + "\", Message \"" + message + "\") skipped"));

	const InputNames names = BindingNames(*rig.input);
	ASSERT_EQ(names.size(), 14u);
	EXPECT_EQ(names[0], "Good");
	rig.Frame(1000, {SDLK_w});
	EXPECT_EQ(rig.ArgumentsOf("Good"), (ArgumentLists{{"1"}}));
}

TEST(Input, HeldKeysSendTheirBindingEveryActiveFrameAndAcrossAReload)
{
	InputTestRig rig;
	rig.Frame(1000, {SDLK_w});
	rig.SendPause(true);
	EXPECT_FALSE(rig.input->IsActive());
	EXPECT_FALSE(rig.input->GetButtonContext().mouseWarp);
	rig.Frame(1016, {SDLK_w});
	rig.SendPause(false);
	EXPECT_TRUE(rig.input->GetButtonContext().mouseWarp);
	rig.Frame(1032, {SDLK_w});

	// A level change frees the pointer and keeps the rest.
	Message editor("LevelEditorActive");
	Engine::SendMessage(editor.PushBool(true));
	rig.input->Reload();
	EXPECT_FALSE(rig.input->GetButtonContext().mouseWarp);
	EXPECT_TRUE(rig.input->IsLevelEditorActive());
	// The editor rests the player's bindings; switched off, they act again.
	Engine::SendMessage(Message("LevelEditorActive").PushBool(false));
	rig.Frame(1048, {SDLK_w, SDLK_s});
	rig.Frame(1064, {});
	EXPECT_EQ(rig.ArgumentsOf("MoveForward"), (ArgumentLists{{"1"}, {"1"}, {"0"}}));
}

// Clicking "Start" or "Resume" leaves the pointer on the button: that offset from the centre, or
// the motion that brought it there while the pointer was free, would turn the view the level gives.
TEST(Input, TheFirstPointerReadingsAfterCaptureAreNoMotionWhereverThePointerWasOrMoved)
{
	// LateUnpause: the level's first frame runs before anything unpauses, the pointer still free.
	enum class Start { LevelChange, Resume, RepeatedUnpause, LateUnpause };
	// motion: read in the click's frame (the last before the pause or the level change), or, for
	// LateUnpause, queued while the level loaded.
	struct Case { Start start; PixelPair pointer; bool warpSeenLate; PixelPair motion; };
	const Case cases[] = {{Start::LevelChange, {300, 222}, false, {}}, {Start::LevelChange, {0, 0}, true, {}},
		{Start::Resume, {650, 590}, false, {}}, {Start::Resume, {400, 299}, true, {}},
		{Start::RepeatedUnpause, {100, 500}, true, {}}, {Start::LevelChange, {400, 156}, false, {0, -144}},
		{Start::LevelChange, {250, 380}, true, {-150, 80}}, {Start::Resume, {420, 200}, false, {20, -100}},
		{Start::LateUnpause, {400, 156}, false, {0, -144}}, {Start::LateUnpause, {0, 0}, true, {-400, -300}}};
	for (const Case& c : cases)
	{
		SCOPED_TRACE("pointer at " + std::to_string(c.pointer.x) + "," + std::to_string(c.pointer.y) + " after a motion of "
			+ std::to_string(c.motion.x) + "," + std::to_string(c.motion.y));
		InputTestRig rig;
		const auto turnsRight = [&rig] { return rig.ArgumentsOf("RotY").size(); };
		const auto turns = [&] { return turnsRight() + rig.ArgumentsOf("RotRight").size(); };
		rig.Frame(1000);
		if (c.start != Start::LateUnpause)
			rig.device->pendingMotion = c.motion;
		rig.Frame(1004);
		if (c.start == Start::Resume)
			rig.SendPause(true);
		if (c.start == Start::RepeatedUnpause)
		{
			rig.SendPause(false);
			rig.Frame(1008);
		}
		if (c.start == Start::LevelChange || c.start == Start::LateUnpause)
			rig.input->Reload();
		const std::size_t turnsBefore = turns();
		const std::size_t turnsRightBefore = turnsRight();
		if (c.start == Start::LateUnpause)
		{
			rig.device->pendingMotion = c.motion;
			rig.Frame(1012);
		}
		rig.device->pointer = c.pointer;
		rig.SendPause(false);
		EXPECT_EQ(rig.device->pointer.x, 400) << "the pointer goes to the centre at once";
		EXPECT_EQ(rig.device->pointer.y, 300);
		if (c.warpSeenLate)
			rig.device->pointer = c.pointer;
		rig.Frame(1016);
		rig.Frame(1024);
		EXPECT_EQ(turns(), turnsBefore);
		rig.device->pointer = {425, 300};
		rig.Frame(1032);
		EXPECT_EQ(turnsRight(), turnsRightBefore + 1) << "later motion still turns";
		EXPECT_EQ(turns(), turnsBefore + 1);
	}
}

TEST(Input, EscapePausesThroughTheObjectNamedGUIOrElseEngineWide)
{
	InputTestRig rig;
	rig.Frame(1000, {SDLK_ESCAPE});
	rig.Frame(1016, {SDLK_ESCAPE});
	EXPECT_EQ(rig.ArgumentsOf("PauseGame").size(), 1u) << "triggered only in the frame of the press";

	test::Probe::Register();
	const Object gui = CreateObject("GUI");
	gui.object->AddComponent(test::Probe::TypeId());
	gui.object->RegisterHandler("PauseGame", &test::Probe::OnAny);
	test::Events().clear();
	rig.Frame(1032, {});
	rig.Frame(1048, {SDLK_ESCAPE});
	const std::string id = std::to_string(gui.id);
	EXPECT_EQ(test::Events(), (InputNames{"PauseGame from " + id + " Probe " + id}));
	EXPECT_EQ(rig.ArgumentsOf("PauseGame").size(), 1u) << "not also sent engine-wide";
}

// A condition is evaluated every frame: its fault is printed once and counted until it stops.
TEST(Binding, AConditionDividingByZeroIsPrintedOnceThenCountedUntilItStops)
{
	const std::string diagnostics = StderrOf([]
	{
		InputTestRig rig(BindingXml("Player", "1 / S_DOWN", "Forward()"));
		for (uint32_t frame = 0; frame < 300; ++frame)
		{
			rig.Frame(1000 + 16 * frame, {});
			tw::Diagnostics::EndFrame();
		}
		rig.Frame(6000, {SDLK_s});
		tw::Diagnostics::EndFrame();
		rig.Frame(6016, {SDLK_s});
		tw::Diagnostics::EndFrame();
		EXPECT_EQ(rig.ArgumentsOf("Forward").size(), 2u);
	});
	const std::string line = "Expression: integer division by zero (int); the result is 0.";
	EXPECT_EQ(diagnostics, line + "\n" + line + " [repeated 300 more times]\n");
}
