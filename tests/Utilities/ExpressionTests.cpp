#include "Utilities/Expression.h"

#include "Utilities/FLException.h"
#include "Utilities/OperGetterType.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	struct Gauge
	{
		float Reading() const { return level; }
		float level = 0.0f;
	};

	// Named variables owned by the test, in the table form that binding takes.
	struct Variables
	{
		template<typename T>
		Variables& Add(const std::string& name, T value)
		{
			owned.push_back(std::make_unique<OperVarType<T>>(value));
			table[name] = owned.back().get();
			return *this;
		}
		std::vector<std::unique_ptr<OperatorVariable>> owned;
		Expression::VariableTable table;
	};

	std::unique_ptr<OperatorVariable> Evaluate(const std::string& text, const Variables& variables = {})
	{
		Expression expression;
		expression.Parse(text);
		expression.ResolveIdentifiers(variables.table);
		return expression.Evaluate();
	}

	// The message of the FLException that parsing the text raises, or "" when none is raised.
	std::string ParseError(const std::string& text)
	{
		try
		{
			Expression expression;
			expression.Parse(text);
		}
		catch (const FLException& error)
		{
			return error.message;
		}
		return "";
	}
}

TEST(Expression, ConstantPartsFoldAtParseTime)
{
	const struct
	{
		const char* text;
		tw::TypeId type;
		const char* value;
	} cases[] = {
		{ "2+3*4", tw::TypeIdOf<int>(), "14" },
		{ "(2 + 3) * 4", tw::TypeIdOf<int>(), "20" },
		{ "1 = 1", tw::TypeIdOf<bool>(), "1" },
		{ "7 / 2", tw::TypeIdOf<int>(), "3" },
		{ "2 * -3", tw::TypeIdOf<int>(), "-6" },
		{ "10 - 2 - 3", tw::TypeIdOf<int>(), "5" },
		{ "+5", tw::TypeIdOf<int>(), "5" },
	};
	for (const auto& c : cases)
	{
		Expression expression;
		expression.Parse(c.text);
		EXPECT_TRUE(expression.IsConstant()) << c.text;
		std::unique_ptr<OperatorVariable> result = expression.Evaluate();
		EXPECT_EQ(result->GetTypeId(), c.type) << c.text;
		EXPECT_EQ(result->ToString(), c.value) << c.text;
	}
	Expression withIdentifier;
	withIdentifier.Parse("x + 2 * 3");
	EXPECT_FALSE(withIdentifier.IsConstant());
}

TEST(Expression, LiteralTypesFollowTheirSuffixes)
{
	const struct
	{
		const char* text;
		tw::TypeId type;
		const char* value;
	} cases[] = {
		{ "1.5f", tw::TypeIdOf<float>(), "1.5" },
		{ "1.5", tw::TypeIdOf<double>(), "1.5" },
		{ "-.5", tw::TypeIdOf<double>(), "-0.5" },
		{ "7u", tw::TypeIdOf<unsigned>(), "7" },
		{ "7s", tw::TypeIdOf<short>(), "7" },
		{ "7b", tw::TypeIdOf<char>(), "7" },
		{ "7ub", tw::TypeIdOf<unsigned char>(), "7" },
		{ "7us", tw::TypeIdOf<unsigned short>(), "7" },
		{ "0x1F", tw::TypeIdOf<unsigned>(), "0" },
		{ "-5", tw::TypeIdOf<int>(), "-5" },
		{ "T", tw::TypeIdOf<bool>(), "1" },
		{ "t", tw::TypeIdOf<bool>(), "1" },
		{ "TRUE", tw::TypeIdOf<bool>(), "1" },
		{ "True", tw::TypeIdOf<bool>(), "1" },
		{ "false", tw::TypeIdOf<bool>(), "0" },
		{ "F", tw::TypeIdOf<bool>(), "0" },
		{ "\"a b\"", tw::TypeIdOf<std::string>(), "a b" },
		{ "\"x+(y)\"", tw::TypeIdOf<std::string>(), "x+(y)" },
	};
	for (const auto& c : cases)
	{
		std::unique_ptr<OperatorVariable> result = Evaluate(c.text);
		EXPECT_EQ(result->GetTypeId(), c.type) << c.text;
		EXPECT_EQ(result->ToString(), c.value) << c.text;
	}
}

TEST(Expression, SumLevelOperatorsShareOneLevelAndGroupLeft)
{
	Variables variables;
	variables.Add("a", 6).Add("b", 1).Add("c", 5);
	// (a = b) + c: false, whatever c adds; grouped the other way it would be true.
	EXPECT_FALSE(Evaluate("a = b + c", variables)->ToBool());

	Variables logic;
	logic.Add("a", true).Add("b", false).Add("c", false);
	// (a | b) @ c: false; a | (b @ c) would be true.
	EXPECT_FALSE(Evaluate("a | b @ c", logic)->ToBool());
	EXPECT_EQ(Evaluate("1 + 2 * 3 - 4 / 2", variables)->ToString(), "5");
}

TEST(Expression, UnaryMinusBeforeIdentifiersAndParentheses)
{
	Variables variables;
	variables.Add("x", 4).Add("a", 2).Add("b", 3);
	EXPECT_EQ(Evaluate("-x", variables)->ToString(), "-4");
	EXPECT_EQ(Evaluate("-(a + b)", variables)->ToString(), "-5");
	EXPECT_EQ(Evaluate("a - -x", variables)->ToString(), "6");
	EXPECT_EQ(Evaluate("a-b", variables)->ToString(), "-1");
	EXPECT_EQ(Evaluate("x * -a", variables)->ToString(), "-8");
}

TEST(Expression, SyntaxErrorsRaiseExpectedIdentifierOrLiteral)
{
	for (const char* text : { "", "-", "- 5", "1 +", "* 2", "()", "(", "_x", "\"unterminated" })
	{
		const std::string error = ParseError(text);
		EXPECT_EQ(error.rfind("Expected identifier or literal", 0), 0u) << "text: " << text << ", error: " << error;
	}
	Expression expression;
	expression.Parse("1");
	EXPECT_THROW(expression.Parse("1 + * 2"), FLException);
	EXPECT_EQ(expression.Evaluate(), nullptr);
}

TEST(Expression, TokensAfterTheExpressionAreIgnored)
{
	Variables variables;
	variables.Add("a", 1).Add("b", 2);
	EXPECT_EQ(Evaluate("(a", variables)->ToString(), "1");
	EXPECT_EQ(Evaluate("a b", variables)->ToString(), "1");
	EXPECT_EQ(Evaluate("(1 + 2) 7", variables)->ToString(), "3");
}

TEST(Expression, UnboundIdentifierThrowsOnlyWhenEvaluated)
{
	Expression expression;
	expression.Parse("1 | missing");
	expression.ResolveIdentifiers({});
	try
	{
		expression.Evaluate();
		FAIL() << "evaluation should throw";
	}
	catch (const FLException& error)
	{
		EXPECT_EQ(error.message, "Identifier: missing still in tree during evaluation.");
	}
}

TEST(Expression, BoundPlainVariableKeepsItsValueFromBindingTime)
{
	OperVarType<int> count(3);
	Expression::VariableTable table;
	table["count"] = &count;
	Expression expression;
	expression.Parse("count * 2");
	expression.ResolveIdentifiers(table);
	count.SetValue(10);
	EXPECT_EQ(expression.Evaluate()->GetValue<int>(), 6);
}

TEST(Expression, BoundGetterChangeIsSeenAtTheNextEvaluation)
{
	Gauge gauge;
	OperGetterType<Gauge, float> level(&Gauge::Reading, &gauge);
	Expression::VariableTable table;
	table["LEVEL"] = &level;
	Expression expression;
	expression.Parse("LEVEL } 0.5f");
	expression.ResolveIdentifiers(table);

	EXPECT_FALSE(expression.Evaluate()->ToBool());
	gauge.level = 0.75f;
	EXPECT_TRUE(expression.Evaluate()->ToBool());
	gauge.level = 0.25f;
	EXPECT_FALSE(expression.Evaluate()->ToBool());
}

TEST(Expression, IntegerDivisionByZeroGivesZero)
{
	Variables variables;
	variables.Add("x", 8);
	testing::internal::CaptureStderr();
	Expression folded;
	folded.Parse("1/0");
	const std::unique_ptr<OperatorVariable> foldedResult = folded.Evaluate();
	const std::unique_ptr<OperatorVariable> boundResult = Evaluate("x / (x - 8)", variables);
	const std::string report = testing::internal::GetCapturedStderr();

	EXPECT_TRUE(folded.IsConstant());
	EXPECT_EQ(foldedResult->GetValue<int>(), 0);
	EXPECT_EQ(boundResult->GetValue<int>(), 0);
	EXPECT_NE(report.find("division by zero"), std::string::npos);
	EXPECT_TRUE(std::isinf(Evaluate("1.0 / 0")->GetValue<double>()));
}

TEST(Expression, ComparisonAndLogicOperators)
{
	const struct
	{
		const char* text;
		bool expected;
	} cases[] = {
		{ "3 [ 3", true }, { "2 ] 1", false }, { "1 { 2", true }, { "2 } 1", true },
		{ "1 @ 0", false }, { "2 @ 3", true }, { "0 | 2", true }, { "0 | 0", false },
		{ "\"abc\" { \"abd\"", true }, { "1.5 = 1.5", true }, { "1 = 1.9", true },
	};
	for (const auto& c : cases)
	{
		std::unique_ptr<OperatorVariable> result = Evaluate(c.text);
		EXPECT_EQ(result->GetTypeId(), tw::TypeIdOf<bool>()) << c.text;
		EXPECT_EQ(result->ToBool(), c.expected) << c.text;
	}
}

TEST(Expression, ArithmeticResultHasTheLeftOperandsType)
{
	std::unique_ptr<OperatorVariable> integer = Evaluate("1 + 2.7");
	EXPECT_EQ(integer->GetTypeId(), tw::TypeIdOf<int>());
	EXPECT_EQ(integer->GetValue<int>(), 3);
	std::unique_ptr<OperatorVariable> real = Evaluate("2.5 + 1");
	EXPECT_EQ(real->GetTypeId(), tw::TypeIdOf<double>());
	EXPECT_EQ(real->GetValue<double>(), 3.5);
	EXPECT_EQ(Evaluate("\"a\" + \"b\"")->ToString(), "b");
}

TEST(Expression, NestingBeyondTheLimitIsRefused)
{
	const auto nested = [](unsigned depth) { return std::string(depth, '(') + "1" + std::string(depth, ')'); };
	EXPECT_EQ(Evaluate(nested(100))->GetValue<int>(), 1);
	EXPECT_THROW(Evaluate(nested(Expression::kMaxDepth + 1)), FLException);

	std::string longChain = "x";
	for (unsigned i = 0; i <= Expression::kMaxDepth; ++i)
		longChain += "+x";
	EXPECT_THROW(Evaluate(longChain), FLException);
}
