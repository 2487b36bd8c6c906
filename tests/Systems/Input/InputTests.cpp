#include "Systems/Input.h"

#include "Systems/Input/InputTestRig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
	std::string KeyButton(const std::string& name, const std::string& key)
	{
		return "<Button><Type>Key</Type><Name>" + name + "</Name><Key>" + key + "</Key></Button>";
	}

	std::string Binding(const std::string& recipient, const std::string& condition, const std::string& message)
	{
		return "<Binding><Recipient>" + recipient + "</Recipient><Condition>" + condition
			+ "</Condition><Message>" + message + "</Message></Binding>";
	}

	std::vector<std::string> Descriptions(const Input& input, const std::string& name)
	{
		std::vector<std::string> descriptions;
		if (const ButtonTable::ButtonList* list = input.GetButtons().Find(name))
			for (const auto& button : *list)
				descriptions.push_back(button->Describe());
		return descriptions;
	}

	std::vector<std::string> BindingNames(const Input& input)
	{
		std::vector<std::string> names;
		for (size_t i = 0; i < input.GetBindings().Size(); ++i)
			names.push_back(input.GetBindings()[i].message.GetName());
		return names;
	}
}

TEST(Input, EmptySettingsGiveTheBuiltInButtonsAndBindings)
{
	InputTestRig rig;
	std::vector<std::string> names;
	for (const auto& [name, list] : rig.input->GetButtons().AllNames())
		names.push_back(name);
	std::sort(names.begin(), names.end());
	EXPECT_EQ(names, (std::vector<std::string>{"A", "D", "ESC", "MBTNL", "MBTNR", "MOUSEX", "MOUSEY", "S", "SPACE", "W"}));
	EXPECT_EQ(BindingNames(*rig.input),
		(std::vector<std::string>{"PauseGame", "SetLungState", "MoveForward", "Strafe", "RotY", "RotRight", "Jump",
			"SetSucking", "Reflect", "SetLungState", "SetLungState", "ParticleActivate", "ParticleActivate"}));
	EXPECT_EQ(rig.input->GetButtonContext().pressLag, 150u);
}

TEST(Input, FewerThanThirteenBindingsAreFollowedByAllBuiltIns)
{
	std::string settings;
	for (int i = 0; i < 12; ++i)
		settings += Binding("Player", "W_DOWN", "Custom" + std::to_string(i) + "()");
	InputTestRig rig(settings);
	const std::vector<std::string> names = BindingNames(*rig.input);
	ASSERT_EQ(names.size(), 25u);
	EXPECT_EQ(names[0], "Custom0");
	EXPECT_EQ(names[11], "Custom11");
	EXPECT_EQ(names[12], "PauseGame");
	EXPECT_EQ(names[24], "ParticleActivate");
}

TEST(Input, FewerThanTenNamesJoinTheBuiltInButtons)
{
	std::string settings = KeyButton("W", "up");
	for (int i = 1; i < 9; ++i)
	{
		const std::string number = std::to_string(i);
		settings += KeyButton("Extra" + number, "f" + number);
	}
	InputTestRig rig(settings);
	EXPECT_EQ(Descriptions(*rig.input, "W"), (std::vector<std::string>{"up", "w"}));
	EXPECT_EQ(Descriptions(*rig.input, "EXTRA3"), (std::vector<std::string>{"f3"}));
	EXPECT_EQ(Descriptions(*rig.input, "MBTNL"), (std::vector<std::string>{"Left"}));
}

TEST(Input, ButtonSettingsAreReadWithoutRegardToCase)
{
	InputTestRig rig("<PressLag>80</PressLag>"
					 "<Button><Type>key</Type><Name>fire</Name><Key>LCTRL</Key></Button>"
					 "<Button><Type>Joystick</Type></Button>"
					 "<Button><Type>mousebutton</Type><Button>middle</Button></Button>"
					 "<Button><Type>MOUSE</Type><Axis>y</Axis><Scale>0.5</Scale><Invert>true</Invert></Button>"
		+ Binding("Player", "FIRE_TRIGGERED", "Fire()"));
	EXPECT_EQ(Descriptions(*rig.input, "FIRE"), (std::vector<std::string>{"lctrl"}));
	EXPECT_EQ(Descriptions(*rig.input, "BTN1"), (std::vector<std::string>{}));
	EXPECT_EQ(Descriptions(*rig.input, "BTN2"), (std::vector<std::string>{"Middle"}));
	EXPECT_EQ(Descriptions(*rig.input, "BTN3"), (std::vector<std::string>{"Y"}));
	EXPECT_EQ(rig.input->GetButtonContext().pressLag, 80u);

	rig.Frame(1000, {SDLK_LCTRL});
	EXPECT_EQ(rig.ArgumentsOf("Fire").size(), 1u);
}

TEST(Input, BindingsThatCannotWorkAreSkippedAtLoad)
{
	InputTestRig rig(Binding("", "W_DOWN", "NoRecipient()") + Binding("Player", "", "NoCondition()")
		+ Binding("Player", "W_DOWN", "") + Binding("Player", "W_DOWN |", "BadCondition()")
		+ Binding("Player", "W_DOWN", "NoParenthesis") + Binding("Player", "W_DOWNN", "MisspeltCondition()")
		+ Binding("Player", "W_DOWN", "MisspeltArgument(W_VALU)") + Binding("Player", "W_DOWN", "BadArgument(1 +)")
		+ Binding("Player", "W_DOWN", "Good(W_VALUE)"));
	const std::vector<std::string> names = BindingNames(*rig.input);
	ASSERT_EQ(names.size(), 14u);
	EXPECT_EQ(names[0], "Good");

	rig.Frame(1000, {SDLK_w});
	EXPECT_EQ(rig.ArgumentsOf("Good"), (std::vector<std::vector<std::string>>{{"1"}}));
}

TEST(Input, HeldKeysSendTheirBindingEveryFrame)
{
	InputTestRig rig;
	rig.Frame(1000, {SDLK_w});
	rig.Frame(1016, {SDLK_w});
	rig.Frame(1032, {SDLK_w, SDLK_s});
	rig.Frame(1048, {});
	EXPECT_EQ(rig.ArgumentsOf("MoveForward"), (std::vector<std::vector<std::string>>{{"1"}, {"1"}, {"0"}}));
}

TEST(Input, EscapeSendsPauseGameEngineWideWhenNoObjectIsNamedGUI)
{
	InputTestRig rig;
	rig.Frame(1000, {});
	EXPECT_TRUE(rig.ArgumentsOf("PauseGame").empty());
	rig.Frame(1016, {SDLK_ESCAPE});
	EXPECT_EQ(rig.ArgumentsOf("PauseGame").size(), 1u);
	rig.Frame(1032, {SDLK_ESCAPE});
	EXPECT_EQ(rig.ArgumentsOf("PauseGame").size(), 1u) << "triggered only in the frame of the press";
}

TEST(Input, BindingGoesToTheObjectBearingTheRecipientName)
{
	InputTestRig rig;
	test::Probe::Register();
	const Object gui = CreateObject("GUI");
	gui.object->AddComponent(test::Probe::TypeId());
	gui.object->RegisterHandler("PauseGame", &test::Probe::OnAny);
	test::Events().clear();
	rig.Frame(1000, {SDLK_ESCAPE});
	const std::string id = std::to_string(gui.id);
	EXPECT_EQ(test::Events(), (std::vector<std::string>{"PauseGame from " + id + " Probe " + id}));
	EXPECT_TRUE(rig.ArgumentsOf("PauseGame").empty()) << "not also sent engine-wide";
}

TEST(Input, WhilePausedNoBindingFires)
{
	InputTestRig rig;
	rig.SendPause(true);
	EXPECT_FALSE(rig.input->IsActive());
	EXPECT_FALSE(rig.input->GetButtonContext().mouseWarp);
	rig.Frame(1000, {SDLK_ESCAPE, SDLK_w});
	EXPECT_TRUE(rig.ArgumentsOf("PauseGame").empty());
	EXPECT_TRUE(rig.ArgumentsOf("MoveForward").empty());

	rig.SendPause(false);
	EXPECT_TRUE(rig.input->GetButtonContext().mouseWarp);
	rig.Frame(1016, {SDLK_ESCAPE, SDLK_w});
	EXPECT_EQ(rig.ArgumentsOf("PauseGame").size(), 1u);
	EXPECT_EQ(rig.ArgumentsOf("MoveForward").size(), 1u);
}

TEST(Input, LevelEditorStateIsStored)
{
	InputTestRig rig;
	Message active("LevelEditorActive");
	active.PushBool(true);
	Engine::SendMessage(active);
	EXPECT_TRUE(rig.input->IsLevelEditorActive());
}

TEST(Input, ReloadFreesThePointerAndKeepsTheBindings)
{
	InputTestRig rig;
	rig.SendPause(false);
	rig.input->Reload();
	EXPECT_FALSE(rig.input->GetButtonContext().mouseWarp);
	EXPECT_TRUE(rig.input->IsActive());
	EXPECT_EQ(rig.input->GetBindings().Size(), Input::kBuiltInBindingCount);
}
