// The Input system's bindings: each sends a message, parsed once from text such as
// "MoveForward(W_VALUE - S_VALUE)", whenever its condition over the button variables
// ("W_DOWN | S_DOWN") holds. A binding that holds sends its message again every frame.
#pragma once

#include "Message.h"
#include "Utilities/Expression.h"

#include <memory>
#include <string>
#include <vector>

class Config;
class ParsedMessage;

struct BoundKey
{
	// Its arguments evaluate their expressions each time a handler reads them.
	Message message;
	// The name of the object that receives the message; engine-wide when no object bears it.
	std::string recipient;
	std::unique_ptr<Expression> condition;
};

class BindingList
{
public:
	// Conditions bind to the variables of the table, message arguments to those of the
	// parser, which receives each parsed binding message; both hold the button variables.
	BindingList(ParsedMessage& parser, const Expression::VariableTable& variables)
		: parser(parser), variables(variables)
	{
	}

	// Appends a binding. False, with a diagnostic naming the binding, when a text is empty,
	// when the condition or the message does not parse, or when either names a variable no
	// button provides.
	bool AddBinding(const std::string& recipient, const std::string& messageText, const std::string& conditionText);
	// The same from a "Binding" element: "Recipient", "Condition" and "Message".
	bool AddBindingFromConfig(const Config& element);

	// Calls deliver(recipient, message) for every binding whose condition holds, in list order.
	template<typename Deliver>
	void SendHolding(Deliver&& deliver) const
	{
		for (const BoundKey& binding : bindings)
		{
			const std::unique_ptr<OperatorVariable> holds = binding.condition->Evaluate();
			if (holds && holds->ToBool())
				deliver(binding.recipient, binding.message);
		}
	}

	size_t Size() const { return bindings.size(); }
	const BoundKey& operator[](size_t index) const { return bindings[index]; }
	void Clear() { bindings.clear(); }

private:
	ParsedMessage& parser;
	const Expression::VariableTable& variables;
	std::vector<BoundKey> bindings;
};
