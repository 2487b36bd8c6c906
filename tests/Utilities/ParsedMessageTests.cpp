#include "Utilities/ParsedMessage.h"

#include "Utilities/FLException.h"
#include "Utilities/OperGetterType.h"

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

TEST(ParsedMessage, NameAndSpacedArgumentsAreParsed)
{
	ParsedMessage handle;
	ASSERT_TRUE(ParseMessage("Move( 1 , 2 )", handle));
	const Message& message = *handle.GetMessage();
	EXPECT_STREQ(message.GetName(), "Move");
	Message::Reader reader(message);
	EXPECT_EQ(reader.CurrentTypeId(), tw::TypeIdOf<int>());
	EXPECT_EQ(reader.Read<int>(), 1);
	EXPECT_EQ(reader.Read<int>(), 2);
	EXPECT_FALSE(reader.HasMore());
}

TEST(ParsedMessage, EmptyParenthesesGiveAMessageWithoutArguments)
{
	ParsedMessage handle;
	ASSERT_TRUE(ParseMessage("PauseGame()", handle));
	EXPECT_STREQ(handle.GetMessage()->GetName(), "PauseGame");
	EXPECT_FALSE(Message::Reader(*handle.GetMessage()).HasMore());
	ASSERT_TRUE(ParseMessage(" Spaced Name (", handle));
	EXPECT_STREQ(handle.GetMessage()->GetName(), " Spaced Name ");
}

TEST(ParsedMessage, TextWithoutParenthesisIsRefused)
{
	ParsedMessage handle;
	EXPECT_FALSE(ParseMessage("NoArguments", handle));
	EXPECT_EQ(handle.GetMessage(), nullptr);
}

TEST(ParsedMessage, EmptyArgumentIsRefusedAndEarlierOnesStay)
{
	const struct
	{
		const char* text;
		std::vector<std::string> kept;
	} cases[] = {
		{ "F(,1)", {} },
		{ "F(1,,2)", { "1" } },
		{ "F(1,)", { "1" } },
		{ "F(1, 2,)", { "1", "2" } },
	};
	for (const auto& c : cases)
	{
		ParsedMessage handle;
		EXPECT_FALSE(ParseMessage(c.text, handle)) << c.text;
		EXPECT_EQ(ArgumentTexts(*handle.GetMessage()), c.kept) << c.text;
	}
}

TEST(ParsedMessage, QuotedArgumentsKeepTheirCharacters)
{
	const struct
	{
		const char* text;
		const char* argument;
	} cases[] = {
		{ "Say(\"a,b\")", "a,b" },
		{ "Say(\"a b\")", "a b" },
		{ "Say(\"line\\nfeed\")", "line\nfeed" },
		{ "Say(\"tab\\there\\r\")", "tab\there\r" },
		{ "Say(\"(x)\")", "(x)" },
		{ "Say(\"open to the end", "open to the end" },
	};
	for (const auto& c : cases)
	{
		ParsedMessage handle;
		ASSERT_TRUE(ParseMessage(c.text, handle)) << c.text;
		Message::Reader reader(*handle.GetMessage());
		EXPECT_EQ(reader.Read<std::string>(), c.argument) << c.text;
		EXPECT_FALSE(reader.HasMore()) << c.text;
	}
}

TEST(ParsedMessage, ArgumentsAreEvaluatedAtEveryRead)
{
	Keys keys;
	ParsedMessage handle = WithKeys(keys);
	ASSERT_TRUE(ParseMessage("MoveForward(W_VALUE - S_VALUE)", handle));
	const Message sent(*handle.GetMessage());

	keys.w = 1.0f;
	Message::Reader first(sent);
	EXPECT_EQ(first.CurrentTypeId(), tw::TypeIdOf<float>());
	EXPECT_EQ(first.Read<float>(), 1.0f);

	keys.s = 0.25f;
	EXPECT_EQ(Message::Reader(sent).Read<float>(), 0.75f);
	keys.w = 0.0f;
	EXPECT_EQ(Message::Reader(*handle.GetMessage()).Read<float>(), -0.25f);
	EXPECT_EQ(Message::Reader(sent).Read<int>(), 0);
}

TEST(ParsedMessage, UnknownIdentifierThrowsWhenTheArgumentIsRead)
{
	ParsedMessage handle;
	ASSERT_TRUE(ParseMessage("Jump(HEIGHT)", handle));
	Message::Reader reader(*handle.GetMessage());
	EXPECT_THROW(reader.Read<float>(), FLException);
}

TEST(ParsedMessage, InvalidArgumentRaisesTheExpressionError)
{
	ParsedMessage handle;
	try
	{
		ParseMessage("Move(1, 2 + )", handle);
		FAIL() << "parsing should throw";
	}
	catch (const FLException& error)
	{
		EXPECT_EQ(error.message.rfind("Expected identifier or literal", 0), 0u) << error.message;
	}
	EXPECT_EQ(ArgumentTexts(*handle.GetMessage()), (std::vector<std::string>{ "1" }));
}

TEST(ParsedMessage, CopiesShareTheTargetUntilTheLastGoes)
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
}

TEST(ParsedMessage, VariableNameKeepsItsFirstVariable)
{
	ParsedMessage handle;
	EXPECT_TRUE(handle.AddVariable("SPEED", std::make_unique<OperVarType<int>>(3)));
	EXPECT_FALSE(handle.AddVariable("SPEED", std::make_unique<OperVarType<int>>(9)));
	ASSERT_TRUE(ParseMessage("Run(SPEED)", handle));
	handle.ClearVariables();
	EXPECT_EQ(Message::Reader(*handle.GetMessage()).Read<int>(), 3);
}

TEST(ParsedMessage, ArgumentsBeyondThePayloadAreRefused)
{
	std::string text = "Many(";
	for (int i = 0; i < 40; ++i)
		text += std::to_string(i) + ",";
	text += "40)";
	ParsedMessage handle;
	testing::internal::CaptureStderr();
	EXPECT_FALSE(ParseMessage(text, handle));
	const std::string report = testing::internal::GetCapturedStderr();
	EXPECT_NE(report.find("\"Many\""), std::string::npos) << report;

	const std::vector<std::string> kept = ArgumentTexts(*handle.GetMessage());
	ASSERT_FALSE(kept.empty());
	for (std::size_t i = 0; i < kept.size(); ++i)
		EXPECT_EQ(kept[i], std::to_string(i));
}

TEST(ParsedMessage, MessagesCopiedOutSurviveTheNextParse)
{
	ParsedMessage handle;
	ASSERT_TRUE(ParseMessage("First(1 + 1)", handle));
	const Message first(*handle.GetMessage());
	ASSERT_TRUE(ParseMessage("Second(\"two\")", handle));
	EXPECT_EQ(Message::Reader(first).Read<int>(), 2);
	EXPECT_EQ(Message::Reader(*handle.GetMessage()).Read<std::string>(), "two");
}
