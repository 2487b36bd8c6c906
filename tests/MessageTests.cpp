#include "Message.h"

#include "Utilities/OperatorVariable.h"
#include "Utilities/ScriptClassRegistry.h"
#include "Utilities/Tuple.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
	// What one argument of type T costs when every record is aligned like the link entry.
	template<typename T>
	constexpr std::size_t Cost()
	{
		static_assert(alignof(ConstVarType<T>) == alignof(Message::Argument));
		return sizeof(Message::Argument) + sizeof(ConstVarType<T>);
	}

	std::vector<int> destroyedIds;

	// Records, in order, the destruction of every copy that a message holds.
	struct Tracker
	{
		explicit Tracker(int id) : id(id) {}
		Tracker(const Tracker& other) : id(other.id), isCopy(true) {}
		Tracker& operator=(const Tracker&) = default;
		~Tracker()
		{
			if (isCopy)
				destroyedIds.push_back(id);
		}
		int id;
		bool isCopy = false;
	};

	struct PlacedObject
	{
		float position[3];
		int kind;
		unsigned id;
	};

	const std::string kLongText = "a string long enough to live outside the small-string buffer";
}

TEST(Message, NameKeepsAtMost31Characters)
{
	const std::string exactly31(31, 'n');
	const struct
	{
		std::string given;
		std::string kept;
	} cases[] = {
		{ "SetPos", "SetPos" },
		{ exactly31, exactly31 },
		{ exactly31 + "X", exactly31 },
		{ std::string(60, 'z'), std::string(31, 'z') },
		{ "", "" },
	};
	for (const auto& c : cases)
	{
		const Message fromString(c.given);
		const Message fromText(c.given.c_str());
		EXPECT_EQ(std::string(fromString.GetName()), c.kept);
		EXPECT_EQ(std::string(fromText.GetName()), c.kept);
		EXPECT_EQ(fromString.GetName()[Message::kMaxNameLength], '\0');
	}
	EXPECT_STREQ(Message(static_cast<const char*>(nullptr)).GetName(), "");
}

TEST(Message, EmptyMessageHasNothingToRead)
{
	const Message message("Ping");
	EXPECT_EQ(message.GetWriteOffset(), 0u);
	EXPECT_EQ(message.GetObjectId(), 0u);
	Message::Reader reader(message);
	EXPECT_EQ(reader.current, nullptr);
	EXPECT_FALSE(reader.HasMore());
	EXPECT_EQ(reader.CurrentTypeId(), 0u);
	EXPECT_STREQ(reader.name, "Ping");
}

TEST(Message, ReaderYieldsArgumentsInPushOrder)
{
	Message message("Mixed");
	message.PushFloat(1.5f).PushString(kLongText).PushBool(true);
	EXPECT_EQ(message.GetWriteOffset(), Cost<float>() + Cost<std::string>() + Cost<bool>());
	message.PushInt(-4).PushU32(4000000000u).PushDouble(0.25).PushShort(-300).PushU16(60000);

	Message::Reader reader(message);
	EXPECT_EQ(reader.CurrentTypeId(), tw::TypeIdOf<float>());
	EXPECT_EQ(reader.Read<float>(), 1.5f);
	EXPECT_EQ(reader.Read<std::string>(), kLongText);
	EXPECT_EQ(reader.Read<bool>(), true);
	EXPECT_EQ(reader.Read<int>(), -4);
	EXPECT_EQ(reader.Read<unsigned>(), 4000000000u);
	EXPECT_EQ(reader.Read<double>(), 0.25);
	EXPECT_EQ(reader.Read<short>(), -300);
	EXPECT_EQ(reader.Read<unsigned short>(), 60000);
	EXPECT_FALSE(reader.HasMore());
}

TEST(Message, CharacterStringsArePushedAsStrings)
{
	Message message("Text");
	message.PushString("chars").PushString(static_cast<const char*>(nullptr));
	Message::Reader reader(message);
	EXPECT_EQ(reader.CurrentTypeId(), tw::TypeIdOf<std::string>());
	EXPECT_EQ(reader.Read<std::string>(), "chars");
	EXPECT_EQ(reader.Read<std::string>(), "");
	EXPECT_FALSE(reader.HasMore());
}

TEST(Message, PushThatDoesNotFitIsRefusedAndEarlierArgumentsStay)
{
	constexpr std::size_t fitting = Message::kPayloadBytes / Cost<int>();
	Message message("Crowded");
	testing::internal::CaptureStderr();
	for (std::size_t i = 0; i <= fitting; ++i)
		message.PushInt(static_cast<int>(i) * 10);
	const std::string report = testing::internal::GetCapturedStderr();

	EXPECT_EQ(message.GetWriteOffset(), fitting * Cost<int>());
	EXPECT_NE(report.find("\"Crowded\""), std::string::npos) << report;
	EXPECT_NE(report.find("argument " + std::to_string(fitting + 1)), std::string::npos) << report;

	Message::Reader reader(message);
	for (std::size_t i = 0; i < fitting; ++i)
		EXPECT_EQ(reader.Read<int>(), static_cast<int>(i) * 10);
	EXPECT_FALSE(reader.HasMore());
}

TEST(Message, RefusedLargeArgumentLeavesRoomForSmallerOnes)
{
	// Enough ints first that, once strings fill the rest, an int fits where a string does not.
	std::size_t ints = 0;
	while ((Message::kPayloadBytes - ints * Cost<int>()) % Cost<std::string>() < Cost<int>())
		ASSERT_LT(++ints * Cost<int>(), Message::kPayloadBytes);
	const std::size_t strings = (Message::kPayloadBytes - ints * Cost<int>()) / Cost<std::string>();

	Message message("Squeeze");
	for (std::size_t i = 0; i < ints; ++i)
		message.PushInt(1);
	for (std::size_t i = 0; i < strings; ++i)
		message.PushString("fits");
	const std::uint32_t used = message.GetWriteOffset();

	testing::internal::CaptureStderr();
	Message& chained = message.PushString(kLongText);
	testing::internal::GetCapturedStderr();
	EXPECT_EQ(&chained, &message);
	EXPECT_EQ(message.GetWriteOffset(), used);

	message.PushInt(99);
	EXPECT_EQ(message.GetWriteOffset(), used + Cost<int>());
	Message::Reader reader(message);
	for (std::size_t i = 0; i < ints; ++i)
		EXPECT_EQ(reader.Read<int>(), 1);
	for (std::size_t i = 0; i < strings; ++i)
		EXPECT_EQ(reader.Read<std::string>(), "fits");
	EXPECT_EQ(reader.Read<int>(), 99);
	EXPECT_FALSE(reader.HasMore());
}

TEST(Message, CopyIsIndependentOfItsSource)
{
	auto source = std::make_unique<Message>("Copied");
	source->PushString(kLongText).PushInt(7);
	const Message copy(*source);
	source.reset();
	const Message copyOfCopy(copy);

	for (const Message* message : { &copy, &copyOfCopy })
	{
		Message::Reader reader(*message);
		EXPECT_STREQ(reader.name, "Copied");
		EXPECT_EQ(reader.Read<std::string>(), kLongText);
		EXPECT_EQ(reader.Read<int>(), 7);
		EXPECT_FALSE(reader.HasMore());
	}
	EXPECT_EQ(copy.GetWriteOffset(), Cost<std::string>() + Cost<int>());
}

TEST(Message, CopyAssignmentRebuildsTheArguments)
{
	Message target("Old");
	target.PushString(kLongText + " (old)").PushFloat(1.0f);
	{
		Message source("New");
		source.PushInt(3).PushString(kLongText);
		target = source;
	}
	const Message& sameTarget = target;
	target = sameTarget;

	Message::Reader reader(target);
	EXPECT_STREQ(reader.name, "New");
	EXPECT_EQ(reader.Read<int>(), 3);
	EXPECT_EQ(reader.Read<std::string>(), kLongText);
	EXPECT_FALSE(reader.HasMore());
}

TEST(Message, DestructionDestroysEachArgumentOnceNewestFirst)
{
	destroyedIds.clear();
	{
		Message message("Tracked");
		message.Push(Tracker(1)).Push(Tracker(2)).Push(Tracker(3));
		EXPECT_TRUE(destroyedIds.empty());
	}
	EXPECT_EQ(destroyedIds, (std::vector<int>{ 3, 2, 1 }));
}

TEST(Message, RecordsAndPointersTravelByValue)
{
	bool answered = false;
	const PlacedObject placed{ { 1.0f, 2.0f, 3.0f }, 4, 5u };
	Message message("Query");
	message.Push(&answered).Push(placed);

	Message::Reader reader(message);
	*reader.Read<bool*>() = true;
	const PlacedObject received = reader.Read<PlacedObject>();
	EXPECT_TRUE(answered);
	EXPECT_EQ(received.position[2], 3.0f);
	EXPECT_EQ(received.id, 5u);
}

TEST(Message, TuplesTravelWholeAndReadOnlyAsThemselves)
{
	Message message("SetPos");
	message.AddArgument(Tuple3f(1.0f, -2.5f, 3.0f)).AddArgument(Tuple2i(640, 480)).Push(Tuple4i(1, 2, 3, 4));
	EXPECT_EQ(Message::Reader(message).current->value->ToString(), "1 -2.5 3");

	Message::Reader reader(message);
	EXPECT_EQ(reader.CurrentTypeId(), tw::TypeIdOf<Tuple3f>());
	EXPECT_EQ(reader.Read<Tuple3f>(), Tuple3f(1.0f, -2.5f, 3.0f));
	Tuple2f wrongType(9.0f, 9.0f);
	testing::internal::CaptureStderr();
	EXPECT_FALSE(reader.Read(wrongType));
	testing::internal::GetCapturedStderr();
	EXPECT_EQ(wrongType, Tuple2f(9.0f, 9.0f));
	EXPECT_EQ(reader.Read<Tuple4i>(), Tuple4i(1, 2, 3, 4));
}

TEST(Message, PushVariableAppendsTheVariablesOwnCopy)
{
	Message message("Variables");
	message.PushVariable(OperVarType<double>(2.5)).PushVariable(OperConstVarType<bool>(true));
	Message::Reader reader(message);
	EXPECT_EQ(reader.CurrentTypeId(), tw::TypeIdOf<double>());
	EXPECT_EQ(reader.Read<double>(), 2.5);
	EXPECT_EQ(reader.Read<bool>(), true);
}

TEST(Message, ReadsConvertNumbersOnly)
{
	Message message("Typed");
	message.PushFloat(2.75f).PushFloat(1.0f).PushInt(3);
	Message::Reader reader(message);

	int whole = 0;
	EXPECT_TRUE(reader.Read(whole));
	EXPECT_EQ(whole, 2);

	std::string text = "unchanged";
	testing::internal::CaptureStderr();
	EXPECT_FALSE(reader.Read(text));
	const std::string report = testing::internal::GetCapturedStderr();
	EXPECT_EQ(text, "unchanged");
	EXPECT_NE(report.find("\"Typed\": argument 2 holds float"), std::string::npos) << report;

	EXPECT_EQ(reader.Read<double>(), 3.0);
}

TEST(Message, ReadPastTheLastArgumentLeavesTheDestination)
{
	Message message("Short");
	message.PushInt(1);
	Message::Reader reader(message);
	reader.Read<int>();

	int destination = 42;
	testing::internal::CaptureStderr();
	EXPECT_FALSE(reader.Read(destination));
	EXPECT_EQ(reader.Read<std::string>(), "");
	const std::string report = testing::internal::GetCapturedStderr();
	EXPECT_EQ(destination, 42);
	EXPECT_NE(report.find("\"Short\": no argument left"), std::string::npos) << report;
}

TEST(Message, ScriptClassIsRegisteredAtProgramStart)
{
	const ScriptClass* scriptClass = ScriptClassRegistry::Instance().Find("Message");
	ASSERT_NE(scriptClass, nullptr);
	EXPECT_EQ(scriptClass->GetConstructorArgumentCount(), 1u);
	std::vector<std::string> names;
	for (const ScriptFunction& function : scriptClass->GetFunctions())
	{
		names.push_back(function.name);
		EXPECT_EQ(function.argumentCount, 1u);
	}
	EXPECT_EQ(names, (std::vector<std::string>{ "PushFloat", "PushInt", "PushU32", "PushDouble", "PushBool",
						 "PushShort", "PushU16", "PushString" }));
	ASSERT_EQ(scriptClass->GetProperties().size(), 1u);
	EXPECT_EQ(scriptClass->GetProperties()[0].name, "id");
	EXPECT_FALSE(scriptClass->GetProperties()[0].writable);
}
