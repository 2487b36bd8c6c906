#include "Components/Logic/DelayMessage.h"
#include "Components/Logic/DestroyOnMessage.h"

#include "Components/Logic/StoredMessageWorld.h"

#include <cmath>
#include <limits>

namespace
{
	using namespace test;

	std::string Delayed(const std::string& text, const std::string& seconds, const std::string& repeat = "")
	{
		return Element(Str(text) + "<float>" + seconds + "</float>" + (repeat.empty() ? "" : "<int>" + repeat + "</int>"));
	}

	// The frames (from 1) in which "Tick" was heard, over count frames.
	std::vector<int> TickFrames(StoredMessageWorld& world, int count)
	{
		std::vector<int> frames;
		for (int frame = 1; frame <= count; ++frame)
		{
			Listener::Log().clear();
			world.Frame();
			if (!Listener::Log().empty())
				frames.push_back(frame);
		}
		return frames;
	}

	// Frame k runs at 16 (k - 1) ms after the start: a delay is over once more than it has passed.
	// After some frames a row may start the component again, which arms the count anew, or hold a
	// one-minute pause by the game or the editor, which does not count towards the delay.
	TEST(DelayMessage, SendsAfterEachDelayAsOftenAsRepeatSaysCountingFromStartAndNotThroughAPause)
	{
		struct Case
		{
			std::string seconds, repeat;
			int before;
			std::size_t ticksBefore;
			std::string interruption;
			int frames;
			std::vector<int> expected;
		};
		const Case cases[] = {
			{"0", "-1", 0, 0, "", 4, {2, 3, 4}},
			{"0.5", "3", 0, 0, "", 150, {33, 65, 97}},
			{"0.1", "-1", 0, 0, "", 30, {8, 15, 22, 29}},
			{"0", "0", 0, 0, "", 5, {}},
			{"0.5", "3", 150, 3, "Start", 100, {33, 65, 97}},
			// 160 ms ran before the pause: more than 1000 have run in the 54th frame after it.
			{"1", "", 10, 0, "Pause", 60, {54}},
			{"1", "", 10, 0, "PauseLogic", 60, {54}},
		};
		for (const Case& c : cases)
		{
			SCOPED_TRACE(c.seconds + " s, repeat " + c.repeat + ", " + c.interruption);
			StoredMessageWorld world;
			const Object object = world.Add<DelayMessage>("Timer", Delayed("Tick()", c.seconds, c.repeat), Str("Tick"));
			object.object->Start();
			EXPECT_EQ(TickFrames(world, c.before).size(), c.ticksBefore);
			if (c.interruption == "Start")
				object.object->Start();
			else if (!c.interruption.empty())
			{
				Engine::SendMessage(Message(c.interruption).PushBool(true));
				GameClock::Advance(60000);
				world.Frame();
				Engine::SendMessage(Message(c.interruption).PushBool(false));
			}
			EXPECT_EQ(TickFrames(world, c.frames), c.expected);
		}
	}

	TEST(DelayMessage, DelaysAreWholeMillisecondsNeverNegativeAndClamped)
	{
		const std::pair<float, std::uint32_t> cases[] = {{1.0009f, 1000u}, {-2.0f, 0u}, {5e6f, 4294967295u},
			{std::numeric_limits<float>::quiet_NaN(), 0u}, {0.0005f, 0u}, {0.007f, 7u}};
		for (const auto& [seconds, milliseconds] : cases)
			EXPECT_EQ(DelayMessage::ToMilliseconds(seconds), milliseconds) << seconds;
		// A delay saved and read back saves the same again, at every size.
		for (const float seconds : {0.007f, 1.0009f, 9999.0f, 12345.678f, 1e5f, 3.3e6f})
		{
			const float saved = static_cast<float>(DelayMessage::ToMilliseconds(seconds) / 1000.0);
			EXPECT_EQ(static_cast<float>(DelayMessage::ToMilliseconds(saved) / 1000.0), saved) << seconds;
		}
		StoredMessageWorld world;
		const Object object = world.Add<DelayMessage>("Timer", Delayed("Tick()", "1.0009"));
		EXPECT_NE(world.Saved(world.Of<DelayMessage>(object)).find("<float name=\"fireIn\">1</float>"), std::string::npos);
	}

	TEST(DelayMessage, ASecondMessageOfOneNameIsDroppedWithOneDiagnostic)
	{
		StoredMessageWorld world;
		Object object{};
		const std::string printed = Printed(
			[&] { object = world.Add<DelayMessage>("Timer", Delayed("Tick(1)", "1") + Delayed("Tick(2)", "2"), Str("Tick")); });
		EXPECT_NE(printed.find("\"Tick\" (\"Tick(2)\") is dropped"), std::string::npos) << printed;
		ASSERT_EQ(world.Of<DelayMessage>(object).GetMessages().Entries().size(), 1u);
		EXPECT_EQ(world.Of<DelayMessage>(object).GetMessages().Entries()[0].second.message.rawData, "Tick(1)");
	}

	TEST(DestroyOnMessage, DestroysOnItsNamesOrByDefaultOnDestroyThis)
	{
		struct Case
		{
			std::string values, message;
			bool destroyed;
		};
		const Case cases[] = {
			{"", "DestroyThis", true},
			{Str("Smash") + Str("Burn"), "Smash", true},
			{Str("Smash") + Str("Burn"), "Burn", true},
			{Str("Smash") + Str("Burn"), "DestroyThis", false},
		};
		for (const Case& c : cases)
		{
			StoredMessageWorld world;
			const Object object = world.Add<DestroyOnMessage>("Vase", c.values);
			const unsigned id = object.id;
			object.SendMessage(Message(c.message));
			if (c.values.empty())
				EXPECT_NE(world.Saved(world.Of<DestroyOnMessage>(object)).find(">DestroyThis<"), std::string::npos);
			world.Frame();
			EXPECT_EQ(ObjectFromId(id).IsDummy(), c.destroyed) << c.message;
		}
	}
}
