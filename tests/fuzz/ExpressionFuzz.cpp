// Parses arbitrary text as an expression, binds it against variables of several types and
// evaluates it. Syntax errors and unbound identifiers raise FLException, which is expected.
#include "Utilities/Expression.h"
#include "Utilities/FLException.h"
#include "Utilities/OperGetterType.h"

#include <cstddef>
#include <cstdint>

namespace
{
	struct Gauge
	{
		float Reading() const { return 0.5f; }
	};

	const Gauge gauge;
	OperVarType<int> integer(-7);
	OperVarType<unsigned> natural(3u);
	OperVarType<float> real(2.5f);
	OperVarType<std::string> text("word");
	OperVarType<bool> flag(true);
	OperVarType<char> small(-128);
	OperGetterType<Gauge, float> live(&Gauge::Reading, &gauge);

	const Expression::VariableTable& Variables()
	{
		static const Expression::VariableTable table = [] {
			Expression::VariableTable variables;
			variables["x"] = &integer;
			variables["n"] = &natural;
			variables["r"] = &real;
			variables["s"] = &text;
			variables["b"] = &flag;
			variables["c"] = &small;
			variables["LIVE"] = &live;
			return variables;
		}();
		return table;
	}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	const std::string source(reinterpret_cast<const char*>(data), size);
	try
	{
		Expression expression;
		expression.Parse(source);
		expression.ResolveIdentifiers(Variables());
		if (std::unique_ptr<OperatorVariable> result = expression.Evaluate())
		{
			result->ToString();
			result->ToBool();
			int asInteger = 0;
			std::string asText;
			result->TryGetValue(asInteger);
			result->TryGetValue(asText);
		}
	}
	catch (const FLException&)
	{
	}
	return 0;
}
