#include "Utilities/Expression.h"

#include "Utilities/OperGetterType.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <tuple>

namespace
{
	struct Gauge
	{
		float Reading() const { return level; }
		float level = 0.0f;
	};

	Expression::VariableTable Table(std::initializer_list<std::pair<std::string, OperatorVariable*>> entries)
	{
		Expression::VariableTable table;
		for (const auto& [name, variable] : entries)
			table[name] = variable;
		return table;
	}

	std::unique_ptr<OperatorVariable> Evaluate(const std::string& text, const Expression::VariableTable& variables = {})
	{
		Expression expression;
		expression.Parse(text);
		expression.ResolveIdentifiers(variables);
		return expression.Evaluate();
	}
}

TEST(Expression, ConstantExpressionsFoldToTypedValues)
{
	const std::tuple<const char*, tw::TypeId, const char*> cases[] = {
		{"2+3*4", tw::TypeIdOf<int>(), "14"}, {"(2 + 3) * 4", tw::TypeIdOf<int>(), "20"}, {"7 / 2", tw::TypeIdOf<int>(), "3"},
		{"10 - 2 - 3", tw::TypeIdOf<int>(), "5"}, {"2 * -3", tw::TypeIdOf<int>(), "-6"}, {"+5", tw::TypeIdOf<int>(), "5"},
		// Literal types follow their suffixes.
		{"1.5f", tw::TypeIdOf<float>(), "1.5"}, {"-.5", tw::TypeIdOf<double>(), "-0.5"}, {"7u", tw::TypeIdOf<unsigned>(), "7"},
		{"7s", tw::TypeIdOf<short>(), "7"}, {"7b", tw::TypeIdOf<char>(), "7"}, {"7ub", tw::TypeIdOf<unsigned char>(), "7"},
		{"7us", tw::TypeIdOf<unsigned short>(), "7"}, {"0x1F", tw::TypeIdOf<unsigned>(), "0"}, {"t", tw::TypeIdOf<bool>(), "1"},
		{"True", tw::TypeIdOf<bool>(), "1"}, {"F", tw::TypeIdOf<bool>(), "0"},
		{"\"a b\"", tw::TypeIdOf<std::string>(), "a b"}, {"\"x+(y)\"", tw::TypeIdOf<std::string>(), "x+(y)"},
		// In a string, \" is a quote and \\ a backslash; other backslashes stay.
		{"\"a\\\"b c\"", tw::TypeIdOf<std::string>(), "a\"b c"}, {"\"a\\\\\"", tw::TypeIdOf<std::string>(), "a\\"},
		{"\"C:\\q\"", tw::TypeIdOf<std::string>(), "C:\\q"},
		// Comparisons and logic give bools; = [ ] { } are == >= <= < >, @ is and, | is or.
		{"3 [ 3", tw::TypeIdOf<bool>(), "1"}, {"2 ] 1", tw::TypeIdOf<bool>(), "0"}, {"1 { 2", tw::TypeIdOf<bool>(), "1"},
		{"2 } 1", tw::TypeIdOf<bool>(), "1"}, {"1 @ 0", tw::TypeIdOf<bool>(), "0"}, {"0 | 2", tw::TypeIdOf<bool>(), "1"},
		{"\"abc\" { \"abd\"", tw::TypeIdOf<bool>(), "1"}, {"1.5 = 1.5", tw::TypeIdOf<bool>(), "1"},
		// Arithmetic and comparison read the right operand as the left one's type; strings add by replacing.
		{"1 = 1.9", tw::TypeIdOf<bool>(), "1"}, {"1 + 2.7", tw::TypeIdOf<int>(), "3"},
		{"2.5 + 1", tw::TypeIdOf<double>(), "3.5"}, {"\"a\" + \"b\"", tw::TypeIdOf<std::string>(), "b"},
	};
	for (const auto& [text, type, value] : cases)
	{
		Expression expression;
		expression.Parse(text);
		EXPECT_TRUE(expression.IsConstant() && expression.Evaluate()->GetTypeId() == type) << text;
		EXPECT_EQ(expression.Evaluate()->ToString(), value) << text;
	}
	Expression withIdentifier;
	withIdentifier.Parse("x + 2 * 3");
	EXPECT_FALSE(withIdentifier.IsConstant());
}

TEST(Expression, OperatorsGroupLeftOnTwoLevelsAndIgnoreTrailingTokens)
{
	OperVarType<int> a(2), b(3), x(4);
	OperVarType<bool> t(true), f(false);
	const Expression::VariableTable variables = Table({{"a", &a}, {"b", &b}, {"x", &x}, {"t", &t}, {"f", &f}});
	const std::pair<const char*, const char*> cases[] = {
		{"x = a + a", "0"}, // (x = a) + a; grouped the other way it would be true
		{"t | f @ f", "0"}, // (t | f) @ f; t | (f @ f) would be true
		{"1 + 2 * 3 - 4 / 2", "5"}, {"-x", "-4"}, {"-(a + b)", "-5"}, {"a - -x", "6"}, {"a-b", "-1"},
		{"x * -a", "-8"}, {"(a", "2"}, {"a b", "2"}, {"(1 + 2) 7", "3"},
	};
	for (const auto& [text, value] : cases)
		EXPECT_EQ(Evaluate(text, variables)->ToString(), value) << text;
}

TEST(Expression, UnaryMinusBindsTighterThanEveryBinaryOperator)
{
	OperVarType<int> x(2);
	const Expression::VariableTable variables = Table({{"x", &x}});
	// With x = 2, "-x" and "-(x)" after each operator must read as the literal -2 does.
	for (const char* operation : {"*", "/", "+", "-", "=", "[", "]", "{", "}", "@", "|"})
		for (const char* left : {"10", "-2", "0"})
		{
			const std::string literal = std::string(left) + " " + operation + " -2";
			const std::string expected = Evaluate(literal)->ToString();
			for (const char* negated : {"-x", "-(x)", "-(x + 0)"})
			{
				const std::string text = std::string(left) + " " + operation + " " + negated;
				EXPECT_EQ(Evaluate(text, variables)->ToString(), expected) << text << " against " << literal;
			}
		}
	const std::pair<const char*, const char*> chains[] = {
		{"10 / -x * 3", "-15"}, {"12 / -x / -x", "3"}, {"-x * -x", "4"}, {"--x", "2"}, {"12 / --x", "6"}, {"-x / 2", "-1"},
	};
	for (const auto& [text, value] : chains)
		EXPECT_EQ(Evaluate(text, variables)->ToString(), value) << text;
}

TEST(Expression, ComparisonsOfEqualOperandsAcrossTypes)
{
	OperVarType<int> i(3);
	OperVarType<float> level(0.25f);
	OperVarType<std::string> s("abc");
	const Expression::VariableTable variables = Table({{"i", &i}, {"level", &level}, {"s", &s}});
	// Equal operands: = [ ] hold, { } do not; folded and bound alike.
	for (const char* operands : {"3 %c 3", "i %c 3", "3 %c i", "0.25f %c level", "level %c 0.25f", "\"abc\" %c s", "s %c \"abc\"", "-1 %c -1", "t %c t"})
		for (const auto& [operation, holds] : {std::pair{'=', "1"}, {'[', "1"}, {']', "1"}, {'{', "0"}, {'}', "0"}})
		{
			char text[32];
			std::snprintf(text, sizeof text, operands, operation);
			EXPECT_EQ(Evaluate(text, variables)->ToString(), holds) << text;
		}
}

TEST(Expression, SyntaxErrorsAndUnboundIdentifiersThrow)
{
	for (const char* text : {"", "-", "- 5", "1 +", "* 2", "()", "(", "_x", "\"unterminated"})
	{
		const std::string error = FLExceptionOf([&] { Expression().Parse(text); });
		EXPECT_EQ(error.rfind("Expected identifier or literal", 0), 0u) << "text: " << text << ", error: " << error;
	}
	Expression expression;
	expression.Parse("1");
	EXPECT_THROW(expression.Parse("1 + * 2"), FLException);
	EXPECT_EQ(expression.Evaluate(), nullptr);
	// An unbound identifier is refused only when evaluated.
	expression.Parse("1 | missing");
	expression.ResolveIdentifiers({});
	EXPECT_EQ(FLExceptionOf([&] { expression.Evaluate(); }), "Identifier: missing still in tree during evaluation.");
}

TEST(Expression, BoundGetterChangeIsSeenAtTheNextEvaluationAndAPlainValueIsCopied)
{
	Gauge gauge;
	OperGetterType<Gauge, float> level(&Gauge::Reading, &gauge);
	OperVarType<float> threshold(0.5f);
	const Expression::VariableTable table = Table({{"LEVEL", &level}, {"THRESHOLD", &threshold}});
	Expression expression;
	expression.Parse("LEVEL } THRESHOLD");
	expression.ResolveIdentifiers(table);
	threshold.SetValue(0.0f);

	EXPECT_FALSE(expression.Evaluate()->ToBool());
	gauge.level = 0.75f;
	EXPECT_TRUE(expression.Evaluate()->ToBool());
	gauge.level = 0.25f;
	EXPECT_FALSE(expression.Evaluate()->ToBool()) << "the threshold keeps its value from binding time";
}

TEST(Expression, IntegerDivisionByZeroGivesZero)
{
	OperVarType<int> x(8);
	Expression folded;
	std::unique_ptr<OperatorVariable> foldedResult, boundResult;
	const std::string report = StderrOf([&] {
		folded.Parse("1/0");
		foldedResult = folded.Evaluate();
		boundResult = Evaluate("x / (x - 8)", Table({{"x", &x}}));
	});
	EXPECT_TRUE(folded.IsConstant() && foldedResult->GetValue<int>() == 0 && boundResult->GetValue<int>() == 0);
	EXPECT_NE(report.find("division by zero"), std::string::npos);
	EXPECT_TRUE(std::isinf(Evaluate("1.0 / 0")->GetValue<double>()));
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
	EXPECT_THROW(Evaluate(std::string(100000, '-') + "x"), FLException) << "a chain of unary minuses";
}
