#include "Utilities/ParsedMessage.h"

#include "Utilities/OperGetterType.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

namespace
{
	// Stands in for the state of the W and S buttons.
	struct Keys
	{
		float W() const { return w; }
		float S() const { return s; }
		float w = 0.0f;
		float s = 0.0f;
	};

	ParsedMessage WithKeys(const Keys& keys)
	{
		ParsedMessage handle;
		handle.AddVariable("W_VALUE", std::make_unique<OperGetterType<Keys, float>>(&Keys::W, &keys));
		handle.AddVariable("S_VALUE", std::make_unique<OperGetterType<Keys, float>>(&Keys::S, &keys));
		return handle;
	}

	std::vector<std::string> ArgumentTexts(const Message& message)
	{
		std::vector<std::string> texts;
		for (const Message::Argument* argument = Message::Reader(message).current; argument; argument = argument->newer)
			texts.push_back(argument->value->ToString());
		return texts;
	}
}

TEST(ParsedMessage, NameAndArgumentsSplitAtParenthesisAndCommas)
{
	const struct
	{
		const char* text;
		bool accepted;
		const char* name;
		std::vector<std::string> arguments; // those kept, for a refused text
	} cases[] = {
		{"Move( 1 , 2 )", true, "Move", {"1", "2"}}, {"PauseGame()", true, "PauseGame", {}},
		{" Spaced Name (", true, " Spaced Name ", {}},
		// An empty argument is refused; the ones before it stay.
		{"F(,1)", false, "F", {}}, {"F(1,,2)", false, "F", {"1"}}, {"F(1,)", false, "F", {"1"}},
		{"F(1, 2,)", false, "F", {"1", "2"}},
		// Quoted arguments keep their characters; escapes stand for control characters.
		{"Say(\"a,b\")", true, "Say", {"a,b"}}, {"Say(\"a b\")", true, "Say", {"a b"}},
		{"Say(\"line\\nfeed\")", true, "Say", {"line\nfeed"}}, {"Say(\"tab\\there\\r\")", true, "Say", {"tab\there\r"}},
		{"Say(\"(x)\")", true, "Say", {"(x)"}}, {"Say(\"open to the end", true, "Say", {"open to the end"}},
		// An escaped quote or backslash is a character of the string, not its end.
		{"Say(\"a\\\"b c\")", true, "Say", {"a\"b c"}}, {"Say(\"\\\"\\\"\", 2)", true, "Say", {"\"\"", "2"}},
		{"Say(\"back\\\\\", \"slash\")", true, "Say", {"back\\", "slash"}},
		{"Say(\"a\\\\b\\q\")", true, "Say", {"a\\bq"}},
	};
	for (const auto& c : cases)
	{
		ParsedMessage handle;
		EXPECT_EQ(ParseMessage(c.text, handle), c.accepted) << c.text;
		ASSERT_NE(handle.GetMessage(), nullptr) << c.text;
		EXPECT_STREQ(handle.GetMessage()->GetName(), c.name);
		EXPECT_EQ(ArgumentTexts(*handle.GetMessage()), c.arguments) << c.text;
	}
	ParsedMessage handle;
	ASSERT_TRUE(ParseMessage("Move(1, \"1\")", handle));
	Message::Reader reader(*handle.GetMessage());
	EXPECT_TRUE(reader.CurrentTypeId() == tw::TypeIdOf<int>() && reader.Read<int>() == 1 && reader.CurrentTypeId() == tw::TypeIdOf<std::string>());
	ParsedMessage refused;
	EXPECT_FALSE(ParseMessage("NoArguments", refused) || refused.GetMessage()) << "a name needs its parenthesis";
}

TEST(ParsedMessage, ArgumentsAreEvaluatedAtEveryRead)
{
	Keys keys;
	ParsedMessage handle = WithKeys(keys);
	ASSERT_TRUE(ParseMessage("MoveForward(W_VALUE - S_VALUE)", handle));
	const Message sent(*handle.GetMessage());

	keys.w = 1.0f;
	Message::Reader first(sent);
	EXPECT_TRUE(first.CurrentTypeId() == tw::TypeIdOf<float>() && first.Read<float>() == 1.0f);
	keys.s = 0.25f;
	EXPECT_EQ(Message::Reader(sent).Read<float>(), 0.75f);
	keys.w = 0.0f;
	EXPECT_EQ(Message::Reader(*handle.GetMessage()).Read<float>(), -0.25f);
	EXPECT_EQ(Message::Reader(sent).Read<int>(), 0);

	// A lone identifier is bound to a value too, yet must not be kept like a constant.
	ASSERT_TRUE(ParseMessage("Move(W_VALUE, 2 * 3)", handle));
	for (const float w : {1.0f, 4.0f})
	{
		keys.w = w;
		Message::Reader reader(*handle.GetMessage());
		EXPECT_TRUE(reader.Read<float>() == w && reader.CurrentTypeId() == tw::TypeIdOf<int>() && reader.Read<int>() == 6) << w;
	}
}

TEST(ParsedMessage, BadArgumentsThrowTheExpressionErrors)
{
	ParsedMessage handle;
	ASSERT_TRUE(ParseMessage("Jump(HEIGHT)", handle)) << "an unknown identifier throws only when read";
	EXPECT_THROW(Message::Reader(*handle.GetMessage()).Read<float>(), FLException);
	const std::string error = FLExceptionOf([&] { ParseMessage("Move(1, 2 + )", handle); });
	EXPECT_EQ(error.rfind("Expected identifier or literal", 0), 0u) << error;
	EXPECT_EQ(ArgumentTexts(*handle.GetMessage()), (std::vector<std::string>{"1"}));
}

TEST(ParsedMessage, CopiesShareTheTargetUntilTheLastGoesAndMessagesCopiedOutSurvive)
{
	Keys keys;
	keys.w = 2.0f;
	ParsedMessage copy;
	{
		ParsedMessage original = WithKeys(keys);
		ASSERT_TRUE(ParseMessage("Go(W_VALUE * 2)", original));
		copy = original;
		ParsedMessage assignedToItself = original;
		assignedToItself = original;
	}
	ASSERT_NE(copy.GetMessage(), nullptr);
	EXPECT_EQ(Message::Reader(*copy.GetMessage()).Read<float>(), 4.0f);
	const Message first(*copy.GetMessage());
	ASSERT_TRUE(ParseMessage("Second(\"two\")", copy));
	EXPECT_EQ(Message::Reader(first).Read<float>(), 4.0f) << "a message copied out survives the next parse";
	EXPECT_EQ(Message::Reader(*copy.GetMessage()).Read<std::string>(), "two");
}

TEST(ParsedMessage, ArgumentsBeyondThePayloadAreRefused)
{
	std::string text = "Many(0";
	for (int i = 1; i <= 40; ++i)
		text.append(",").append(std::to_string(i));
	ParsedMessage handle;
	bool accepted = true;
	const std::string report = StderrOf([&] { accepted = ParseMessage(text + ")", handle); });
	EXPECT_FALSE(accepted);
	EXPECT_NE(report.find("\"Many\""), std::string::npos) << report;
	const std::vector<std::string> kept = ArgumentTexts(*handle.GetMessage());
	ASSERT_FALSE(kept.empty());
	for (std::size_t i = 0; i < kept.size(); ++i)
		EXPECT_EQ(kept[i], std::to_string(i));
}
