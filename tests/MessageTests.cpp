#include "Message.h"

#include "Utilities/OperatorVariable.h"
#include "Utilities/TestHelpers.h"
#include "Utilities/Tuple.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <tuple>
#include <type_traits>
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
		unsigned id;
	};

	const std::string kLongText = "a string long enough to live outside the small-string buffer";
}

TEST(Message, NameKeepsAtMost31Characters)
{
	const std::string exactly31(31, 'n');
	const std::pair<std::string, std::string> cases[] = {
		{"SetPos", "SetPos"}, {exactly31, exactly31}, {exactly31 + "X", exactly31}, {std::string(60, 'z'), std::string(31, 'z')}, {"", ""}};
	for (const auto& [given, kept] : cases)
	{
		EXPECT_EQ(std::string(Message(given).GetName()), kept);
		EXPECT_EQ(std::string(Message(given.c_str()).GetName()), kept);
	}
	EXPECT_STREQ(Message(static_cast<const char*>(nullptr)).GetName(), "");
}

// A message carries the key its handlers are filed under: the same name, cut or not, gives the
// same key; a name one character apart, anywhere in the 31, gives another.
TEST(Message, KeyIsTheNameItsHandlersAreFiledUnder)
{
	const std::string exactly31(31, 'n');
	const std::string lastDiffers = std::string(30, 'n') + "m";
	const struct
	{
		std::string sent;
		std::string filed;
		bool found;
	} cases[] = {
		{"Damage", "Damage", true},
		{exactly31 + "X", exactly31 + "Y", true},
		{std::string("Damage\0Taken", 12), "Damage", true},
		{exactly31, lastDiffers, false},
		{"Damage", "DamageTaken", false},
		{"Damagf", "Damage", false},
		{"", "", true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.sent + " / " + c.filed);
		const Message message(c.sent);
		const Message copy = message;
		const MessageName filed(c.filed);
		EXPECT_EQ(message.GetKey() == filed, c.found);
		EXPECT_EQ(copy.GetKey() == filed, c.found);
		if (c.found)
			EXPECT_EQ(MessageNameHash()(message.GetKey()), MessageNameHash()(filed));
	}
}

TEST(Message, EveryKindOfArgumentReadsBackInPushOrder)
{
	bool answered = false;
	Message message("Mixed");
	message.PushFloat(1.5f).PushString(kLongText).PushBool(true);
	EXPECT_EQ(message.GetWriteOffset(), Cost<float>() + Cost<std::string>() + Cost<bool>());
	message.PushInt(-4).PushU32(4000000000u).PushDouble(0.25).PushShort(-300).PushU16(60000);
	Message more("More");
	more.PushString("chars").PushString(static_cast<const char*>(nullptr));
	more.PushVariable(OperVarType<double>(2.5)).AddArgument(Tuple3f(1.0f, -2.5f, 3.0f));
	more.Push(&answered).Push(PlacedObject{{1.0f, 2.0f, 3.0f}, 5u});

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

	reader = Message::Reader(more);
	EXPECT_EQ(reader.CurrentTypeId(), tw::TypeIdOf<std::string>());
	EXPECT_EQ(reader.Read<std::string>(), "chars");
	EXPECT_EQ(reader.Read<std::string>(), "");
	EXPECT_EQ(reader.Read<double>(), 2.5);
	EXPECT_EQ(reader.Read<Tuple3f>(), Tuple3f(1.0f, -2.5f, 3.0f));
	*reader.Read<bool*>() = true;
	EXPECT_TRUE(answered);
	EXPECT_EQ(reader.Read<PlacedObject>().id, 5u);
	EXPECT_FALSE(reader.HasMore());
	EXPECT_FALSE(Message::Reader(Message("Empty")).HasMore());
}

TEST(Message, PushThatDoesNotFitIsRefusedAndEarlierArgumentsStay)
{
	constexpr std::size_t fitting = Message::kPayloadBytes / Cost<int>();
	Message message("Crowded");
	const std::string report = StderrOf([&] {
		for (std::size_t i = 0; i <= fitting; ++i)
			message.PushInt(static_cast<int>(i) * 10);
	});
	EXPECT_EQ(message.GetWriteOffset(), fitting * Cost<int>());
	EXPECT_NE(report.find("\"Crowded\""), std::string::npos) << report;
	EXPECT_NE(report.find("argument " + std::to_string(fitting + 1)), std::string::npos) << report;

	Message::Reader reader(message);
	for (std::size_t i = 0; i < fitting; ++i)
		EXPECT_EQ(reader.Read<int>(), static_cast<int>(i) * 10);
	EXPECT_FALSE(reader.HasMore());
}

namespace
{
	// Pushes `ints` ints, then a block of `bytes` bytes; whether the block was taken.
	template<std::size_t bytes>
	bool PushIntsThenABlock(std::size_t ints)
	{
		Message message("Full");
		for (std::size_t i = 0; i < ints; ++i)
			message.PushInt(static_cast<int>(i));
		std::array<unsigned char, bytes> block{};
		block.back() = 7;
		StderrOf([&] { message.Push(block); });
		Message::Reader reader(message);
		for (std::size_t i = 0; i < ints; ++i)
			reader.Read<int>();
		if (!reader.HasMore())
			return false;
		EXPECT_EQ(message.GetWriteOffset(), Message::kPayloadBytes) << ints << " ints: a block that fits fills the payload";
		return reader.Read<std::array<unsigned char, bytes>>().back() == 7;
	}
}

TEST(Message, APushThatFillsThePayloadExactlyIsTakenAndOneMoreByteIsNot)
{
	// Each block is sized so that its record ends exactly at the payload's end; one more byte,
	// rounded up to the record's alignment, passes it.
	static_assert(sizeof(Message::Argument) + sizeof(ConstVarType<std::array<unsigned char, 352>>) == Message::kPayloadBytes);
	EXPECT_TRUE(PushIntsThenABlock<352>(0));
	EXPECT_FALSE(PushIntsThenABlock<353>(0));
	static_assert(Cost<int>() + sizeof(Message::Argument) + sizeof(ConstVarType<std::array<unsigned char, 312>>) == Message::kPayloadBytes);
	EXPECT_TRUE(PushIntsThenABlock<312>(1));
	EXPECT_FALSE(PushIntsThenABlock<313>(1));
	static_assert(3 * Cost<int>() + sizeof(Message::Argument) + sizeof(ConstVarType<std::array<unsigned char, 232>>) == Message::kPayloadBytes);
	EXPECT_TRUE(PushIntsThenABlock<232>(3));
	EXPECT_FALSE(PushIntsThenABlock<233>(3));
}

TEST(Message, CopiesAndAssignmentsAreIndependentOfTheirSource)
{
	auto source = std::make_unique<Message>("Copied");
	source->PushString(kLongText).PushInt(7);
	const Message copy(*source);
	Message assigned("Old");
	assigned.PushString(kLongText + " (old)").PushFloat(1.0f);
	assigned = *source;
	source.reset();
	const Message copyOfCopy(copy);
	const Message& sameMessage = assigned;
	assigned = sameMessage;

	for (const Message* message : {&copy, &copyOfCopy, static_cast<const Message*>(&assigned)})
	{
		Message::Reader reader(*message);
		EXPECT_STREQ(reader.name, "Copied");
		EXPECT_EQ(reader.Read<std::string>(), kLongText);
		EXPECT_EQ(reader.Read<int>(), 7);
		EXPECT_FALSE(reader.HasMore());
		EXPECT_EQ(message->GetWriteOffset(), Cost<std::string>() + Cost<int>());
	}
}

TEST(Message, DestructionDestroysEachArgumentOnceNewestFirst)
{
	destroyedIds.clear();
	{
		Message message("Tracked");
		message.Push(Tracker(1)).Push(Tracker(2)).Push(Tracker(3));
		EXPECT_TRUE(destroyedIds.empty());
	}
	EXPECT_EQ(destroyedIds, (std::vector<int>{3, 2, 1}));
}

TEST(Message, ReadsConvertNumbersOnlyAndAFailedReadLeavesTheDestination)
{
	Message message("Typed");
	message.PushFloat(2.75f).PushFloat(1.0f).AddArgument(Tuple3f(1.0f, 2.0f, 3.0f)).PushInt(3);
	Message::Reader reader(message);

	int whole = 0;
	EXPECT_TRUE(reader.Read(whole));
	EXPECT_EQ(whole, 2);

	std::string text = "unchanged";
	std::string report = StderrOf([&] { EXPECT_FALSE(reader.Read(text)); });
	EXPECT_EQ(text, "unchanged");
	EXPECT_NE(report.find("\"Typed\": argument 2 holds float"), std::string::npos) << report;

	// Tuples read only as themselves.
	Tuple2f otherTuple(9.0f, 9.0f);
	StderrOf([&] { EXPECT_FALSE(reader.Read(otherTuple)); });
	EXPECT_EQ(otherTuple, Tuple2f(9.0f, 9.0f));
	EXPECT_EQ(reader.Read<double>(), 3.0);

	int pastTheEnd = 42;
	report = StderrOf([&] { EXPECT_FALSE(reader.Read(pastTheEnd)); });
	EXPECT_EQ(pastTheEnd, 42);
	EXPECT_NE(report.find("\"Typed\": no argument left"), std::string::npos) << report;
}

// An argument read as the type it was pushed as is copied directly; the same values held by
// variables of another kind take the general read. Both give the same bits, converted or not.
TEST(Message, AReadAsThePushedTypeGivesWhatTheGeneralReadGives)
{
	const auto values = std::make_tuple(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<int>::min(), 4000000000u,
		-1e300, true, -1);
	Message direct("Direct");
	Message general("General");
	const auto push = [&](const auto& value) {
		direct.Push(value);
		general.PushVariable(OperVarType<std::decay_t<decltype(value)>>(value));
	};
	std::apply([&](const auto&... value) { (push(value), ...); }, values);
	push(kLongText);
	Message::Reader fast(direct);
	Message::Reader slow(general);
	const auto expectSame = [&](auto pushed) {
		decltype(pushed) value{}, other{};
		EXPECT_TRUE(fast.Read(value) && slow.Read(other));
		EXPECT_EQ(std::memcmp(&value, &other, sizeof(value)), 0) << sizeof(value) << "-byte " << pushed;
	};
	std::apply([&](auto... value) { (expectSame(value), ...); }, values);
	EXPECT_EQ(fast.Read<std::string>(), slow.Read<std::string>());
	EXPECT_FALSE(fast.HasMore() || slow.HasMore());
}
