#include "Components/Logic/Relay.h"

#include "Components/Logic/StoredMessageWorld.h"

namespace
{
	using namespace test;

	TEST(Relay, TwoChildrenWithOneNameMakeOneEntrySentInOrderAndSavedAsOneChild)
	{
		StoredMessageWorld world;
		const Object relay = world.Add<Relay>("Relay", Element(Str("Go") + Str("A()")) + Element(Str("Quiet")) +
			Element(Str("Go") + Str("B()")), Str("A") + Str("B"));
		relay.SendMessage(Message("Go"));
		relay.SendMessage(Message("Quiet"));
		EXPECT_EQ(world.HeardNames(), (std::vector<std::string>{"A", "B"}));
		const Object reloaded = world.Reloaded<Relay>(relay);
		ASSERT_EQ(world.Of<Relay>(reloaded).GetTable().Entries().size(), 2u);
		EXPECT_EQ(world.Of<Relay>(reloaded).GetTable().Entries()[0].second.messages.size(), 2u);
	}

	TEST(Relay, AStoredMessageArrivesWithItsArgumentsAsTheSameMessageEachTime)
	{
		StoredMessageWorld world;
		const Object relay = world.Add<Relay>("Relay", Element(Str("Go") + Str("Hit(3, 4.5)")), Str("Hit"));
		relay.SendMessage(Message("Go").PushInt(7));
		relay.SendMessage(Message("Go"));
		const std::vector<Heard>& log = Listener::Log();
		ASSERT_EQ(log.size(), 2u);
		EXPECT_EQ(log[0].args, (std::vector<float>{3.0f, 4.5f}));
		EXPECT_EQ(log[1].args, log[0].args);
		EXPECT_EQ(log[0].message, log[1].message);
	}

	TEST(Relay, AnEntryLeadingBackToItselfSendsOnceAndReportsTheNestedArrival)
	{
		StoredMessageWorld world;
		const Object relay = world.Add<Relay>("Loop", Element(Str("Go") + Str("Go()")), Str("Go"));
		const std::string printed = Printed([&] { relay.SendMessage(Message("Go")); });
		EXPECT_EQ(world.HeardNames(), (std::vector<std::string>{"Go", "Go"}));
		EXPECT_NE(printed.find("\"Loop\""), std::string::npos) << printed;
		EXPECT_NE(printed.find("\"Go\" arrived again"), std::string::npos) << printed;
	}

	TEST(Relay, TextsThatDoNotParseAreReportedNeverSentAndSavedBackUnchanged)
	{
		// A bare name is an expression naming a variable no message has: every read of it would throw.
		for (const std::string text : {"NoParenthesis", "Bad(1 +)", "Empty(1, )", "Animate(Walk)"})
		{
			StoredMessageWorld world;
			Object relay{};
			const std::string printed =
				Printed([&] { relay = world.Add<Relay>("Relay", Element(Str("Go") + Str(text)), Str("NoParenthesis") + Str("Bad") + Str("Empty") + Str("Animate")); });
			EXPECT_NE(printed.find("object \"Relay\""), std::string::npos) << printed;
			EXPECT_NE(printed.find(", Relay: the message \"" + text + "\" does not parse"), std::string::npos) << printed;
			relay.SendMessage(Message("Go"));
			EXPECT_TRUE(Listener::Log().empty()) << text;
			EXPECT_EQ(world.Saved(world.Of<Relay>(world.Reloaded<Relay>(relay))), world.Saved(world.Of<Relay>(relay)));
			EXPECT_NE(world.Saved(world.Of<Relay>(relay)).find(text), std::string::npos);
		}
	}
}
