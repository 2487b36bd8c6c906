// Messages are built, sent and read several times per frame, and input conditions evaluate
// expressions every poll. References beside each case: the same three arguments in a
// std::vector<std::any> (a heap-backed dynamically typed list), and the expression computed
// directly in C++.
#include "Message.h"
#include "Utilities/Expression.h"

#include <benchmark/benchmark.h>

#include <any>
#include <vector>

namespace
{
	void BuildMessage(benchmark::State& state)
	{
		unsigned id = 1;
		for (auto _ : state)
		{
			Message message("Collision");
			message.PushU32(id++).PushFloat(0.5f).PushBool(true);
			benchmark::DoNotOptimize(message);
		}
	}
	BENCHMARK(BuildMessage);

	void BuildAnyVector(benchmark::State& state)
	{
		unsigned id = 1;
		for (auto _ : state)
		{
			std::vector<std::any> arguments;
			arguments.reserve(3);
			arguments.emplace_back(id++);
			arguments.emplace_back(0.5f);
			arguments.emplace_back(true);
			benchmark::DoNotOptimize(arguments);
		}
	}
	BENCHMARK(BuildAnyVector);

	// A handler as the delivery code calls one: through a pointer, with a reader by value.
	[[gnu::noinline]] float HandleCollision(Message::Reader reader)
	{
		const unsigned id = reader.Read<unsigned>();
		const float impulse = reader.Read<float>();
		const bool hard = reader.Read<bool>();
		return hard ? impulse * static_cast<float>(id) : impulse;
	}

	void SendMessageByCopy(benchmark::State& state)
	{
		Message original("Collision");
		original.PushU32(7).PushFloat(0.5f).PushBool(true);
		float (*volatile handler)(Message::Reader) = &HandleCollision;
		for (auto _ : state)
		{
			const Message sent(original);
			benchmark::DoNotOptimize(handler(Message::Reader(sent)));
		}
	}
	BENCHMARK(SendMessageByCopy);

	void SendAnyVectorByCopy(benchmark::State& state)
	{
		const std::vector<std::any> original{ 7u, 0.5f, true };
		for (auto _ : state)
		{
			const std::vector<std::any> sent(original);
			const float impulse = std::any_cast<float>(sent[1]);
			benchmark::DoNotOptimize(std::any_cast<bool>(sent[2]) ? impulse * static_cast<float>(std::any_cast<unsigned>(sent[0])) : impulse);
		}
	}
	BENCHMARK(SendAnyVectorByCopy);

	void ReadMessage(benchmark::State& state)
	{
		Message message("Collision");
		message.PushU32(7).PushFloat(0.5f).PushBool(true);
		for (auto _ : state)
		{
			Message::Reader reader(message);
			benchmark::DoNotOptimize(reader.Read<unsigned>());
			benchmark::DoNotOptimize(reader.Read<float>());
			benchmark::DoNotOptimize(reader.Read<bool>());
		}
	}
	BENCHMARK(ReadMessage);

	// Eleven nodes: six operands (variables, so nothing folds) and five operators.
	constexpr const char* kExpressionText = "(a + b) * c - d / e { f";

	void EvaluateExpression(benchmark::State& state)
	{
		OperVarType<float> a(1.0f), b(2.0f), c(3.0f), d(8.0f), e(2.0f), f(10.0f);
		Expression::VariableTable table;
		table["a"] = &a;
		table["b"] = &b;
		table["c"] = &c;
		table["d"] = &d;
		table["e"] = &e;
		table["f"] = &f;
		Expression expression;
		expression.Parse(kExpressionText);
		expression.ResolveIdentifiers(table);
		for (auto _ : state)
			benchmark::DoNotOptimize(expression.Evaluate()->ToBool());
	}
	BENCHMARK(EvaluateExpression);

	void EvaluateDirectly(benchmark::State& state)
	{
		volatile float a = 1.0f, b = 2.0f, c = 3.0f, d = 8.0f, e = 2.0f, f = 10.0f;
		for (auto _ : state)
			benchmark::DoNotOptimize((a + b) * c - d / e < f);
	}
	BENCHMARK(EvaluateDirectly);
}
