#include "Utilities/ParsedMessage.h"

#include "Utilities/ExpressionVariable.h"
#include "Utilities/FLException.h"

#include <vector>

struct ParsedMessage::Target
{
	~Target()
	{
		message.reset();
		DeleteVariables();
	}

	void DeleteVariables()
	{
		for (auto& entry : variables)
			delete entry.second;
		variables.clear();
	}

	std::vector<std::unique_ptr<Expression>> expressions;
	Expression::VariableTable variables;
	std::unique_ptr<Message> message;
};

namespace
{
	char EscapedCharacter(char character)
	{
		switch (character)
		{
		case 'n': return '\n';
		case 'r': return '\r';
		case 't': return '\t';
		default: return character;
		}
	}

	using ExpressionArgument = OperVarType<Expression*>;

	bool IsMessageBlank(char character)
	{
		return character == ' ' || character == '\t' || character == '\r' || character == '\n';
	}
}

ParsedMessage::ParsedMessage() : target(std::make_shared<Target>())
{
}

bool ParsedMessage::AddVariable(const std::string& name, std::unique_ptr<OperatorVariable> variable)
{
	if (!target->variables.insert({ name, variable.get() }).second)
		return false;
	variable.release();
	return true;
}

void ParsedMessage::ClearVariables()
{
	target->DeleteVariables();
}

bool ParsedMessage::AddArgument(const std::string& text)
{
	if (text.empty() || !target->message)
		return false;
	auto expression = std::make_unique<Expression>();
	expression->Parse(text);
	Message& message = *target->message;
	const std::uint32_t usedBefore = message.GetWriteOffset();
	// Asked before binding, which turns identifiers into values too: an argument without
	// identifiers reads the same at every send, so its value is kept instead of evaluated anew
	// at each read. Only a value no larger than the expression's record is kept (numbers, not
	// strings), so a text fits the payload exactly as far as before.
	if (expression->IsConstant())
	{
		const std::unique_ptr<OperatorVariable> value = expression->Evaluate();
		if (value->Size() <= sizeof(ExpressionArgument) && value->Alignment() <= alignof(ExpressionArgument))
		{
			message.PushVariable(*value);
			return message.GetWriteOffset() != usedBefore;
		}
	}
	expression->ResolveIdentifiers(target->variables);
	target->expressions.push_back(std::move(expression));
	message.PushVariable(ExpressionArgument(target->expressions.back().get()));
	if (message.GetWriteOffset() != usedBefore)
		return true;
	target->expressions.pop_back();
	return false;
}

const Message* ParsedMessage::GetMessage() const
{
	return target->message.get();
}

bool ParseMessage(const std::string& text, ParsedMessage& handle)
{
	const std::size_t open = text.find('(');
	if (open == std::string::npos)
		return false;
	handle.target->message = std::make_unique<Message>(text.substr(0, open));

	std::string argument;
	bool inQuotes = false;
	bool escaping = false;
	bool afterComma = false;
	for (std::size_t index = open + 1; index < text.size(); ++index)
	{
		const char character = text[index];
		if (inQuotes)
		{
			if (escaping)
			{
				// A quote or backslash stays escaped for the expression parser, which would
				// otherwise end the string at the quote.
				if (character == '"' || character == '\\')
					argument += '\\';
				argument += EscapedCharacter(character);
				escaping = false;
			}
			else if (character == '\\')
				escaping = true;
			else
			{
				argument += character;
				inQuotes = character != '"';
			}
			continue;
		}
		if (character == ')')
			break;
		if (character == ',')
		{
			if (!handle.AddArgument(argument))
				return false;
			argument.clear();
			afterComma = true;
		}
		else if (!IsMessageBlank(character))
		{
			argument += character;
			inQuotes = character == '"';
		}
	}
	if (inQuotes)
		argument += '"';
	// A comma right before ")" leaves an empty last argument, which is refused like any other.
	if (argument.empty())
		return !afterComma;
	return handle.AddArgument(argument);
}

std::string FirstFailingArgument(const Message& message)
{
	for (const Message::Argument* argument = Message::Reader(message).current; argument; argument = argument->newer)
	{
		try
		{
			argument->value->ToString();
		}
		catch (const FLException& error)
		{
			return error.Message();
		}
	}
	return {};
}
