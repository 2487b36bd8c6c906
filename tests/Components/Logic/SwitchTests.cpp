#include "Components/Logic/Switch.h"

#include "Components/Logic/StoredMessageWorld.h"

namespace
{
	using namespace test;

	std::string SwitchValues(unsigned cooldown, const std::string& on = "On()")
	{
		return "<unsigned>" + std::to_string(cooldown) + "</unsigned>" + Element(Str(on)) + Element(Str("Off()"));
	}

	TEST(Switch, EachAcceptedChangeFiresTheListOfTheNewStateToTheGroup)
	{
		struct Case
		{
			std::vector<Message> messages;
			std::vector<std::string> heard;
		};
		const Case cases[] = {
			{{Message("Toggle"), Message("Toggle"), Message("Toggle")}, {"On", "Off", "On"}},
			{{Message("Set").PushBool(true), Message("Set").PushBool(true)}, {"On"}},
			{{Message("Set").PushBool(false), Message("Toggle"), Message("Set").PushBool(false)}, {"On", "Off"}},
		};
		for (const Case& c : cases)
		{
			StoredMessageWorld world;
			const Object lever = world.Add<Switch>("Lever", SwitchValues(0));
			const Object lamp = CreateObject("Lamp");
			world.AddLoaded(lamp, Listener::TypeId(), Str("On") + Str("Off"));
			lever.object->Start();
			for (const Message& message : c.messages)
				lever.SendMessage(message);
			EXPECT_EQ(world.HeardNames(), c.heard);
		}
	}

	TEST(Switch, AToggleDuringTheCooldownIsIgnoredAndDoesNotRestartIt)
	{
		StoredMessageWorld world;
		const Object lever = world.Add<Switch>("Lever", SwitchValues(1000), Str("On") + Str("Off"));
		lever.object->Start();
		std::vector<bool> states;
		for (const std::uint32_t wait : {500u, 500u, 500u, 500u})
		{
			GameClock::Advance(wait);
			lever.SendMessage(Message("Toggle"));
			states.push_back(world.Of<Switch>(lever).IsOn());
		}
		EXPECT_EQ(states, (std::vector<bool>{false, true, true, false}));
		EXPECT_EQ(world.HeardNames(), (std::vector<std::string>{"On", "Off"}));
	}

	TEST(Switch, AListTogglingItsOwnGroupFiresOnceAndReportsTheNestedToggle)
	{
		StoredMessageWorld world;
		const Object lever = world.Add<Switch>("Lever", SwitchValues(0, "Toggle()"), Str("Off"));
		lever.object->Start();
		const std::string printed = Printed([&] { lever.SendMessage(Message("Toggle")); });
		EXPECT_TRUE(world.Of<Switch>(lever).IsOn());
		EXPECT_TRUE(Listener::Log().empty());
		EXPECT_NE(printed.find("object \"Lever\""), std::string::npos) << printed;
		EXPECT_NE(printed.find("\"Toggle\" arrived while"), std::string::npos) << printed;
	}
}
