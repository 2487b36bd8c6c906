#include "Systems/Input/BindingList.h"

#include "Utilities/Config.h"
#include "Utilities/FLException.h"
#include "Utilities/ParsedMessage.h"

#include <iostream>

namespace
{
	void ReportSkipped(const std::string& recipient, const std::string& messageText,
		const std::string& conditionText, const std::string& reason)
	{
		std::cerr << "Input: binding (Recipient \"" << recipient << "\", Condition \"" << conditionText
				  << "\", Message \"" << messageText << "\") skipped: " << reason << "\n";
	}
}

bool BindingList::AddBindingFromConfig(const Config& element)
{
	return AddBinding(element.GetString("Recipient", ""), element.GetString("Message", ""),
		element.GetString("Condition", ""));
}

bool BindingList::AddBinding(const std::string& recipient, const std::string& messageText, const std::string& conditionText)
{
	if (recipient.empty() || messageText.empty() || conditionText.empty())
	{
		ReportSkipped(recipient, messageText, conditionText, "Recipient, Condition and Message must all be given");
		return false;
	}

	// Faults are caught here, once, rather than raised by every frame's evaluation.
	auto condition = std::make_unique<Expression>();
	try
	{
		condition->Parse(conditionText);
		condition->ResolveIdentifiers(variables);
		condition->Evaluate();
	}
	catch (const FLException& error)
	{
		ReportSkipped(recipient, messageText, conditionText, "condition: " + error.Message());
		return false;
	}

	bool parsed = false;
	try
	{
		parsed = ParseMessage(messageText, parser);
	}
	catch (const FLException& error)
	{
		ReportSkipped(recipient, messageText, conditionText, "message: " + error.Message());
		return false;
	}
	if (!parsed)
	{
		ReportSkipped(recipient, messageText, conditionText, "message is not of the form Name(argument, ...)");
		return false;
	}
	const std::string failure = FirstFailingArgument(*parser.GetMessage());
	if (!failure.empty())
	{
		ReportSkipped(recipient, messageText, conditionText, "message: " + failure);
		return false;
	}

	bindings.push_back(BoundKey{*parser.GetMessage(), recipient, std::move(condition)});
	return true;
}
