// ParsedMessage: a message described by text, "Name(arg, ...)", parsed once into a ready
// Message whose arguments are expressions evaluated each time a handler reads them (an argument
// without identifiers is kept as its value, which every read would give), plus the named
// variables those expressions bind to. Handles are reference-counted: copies share one
// target, and the last one to go frees the message, the variables and the expressions.
#pragma once

#include "Message.h"
#include "Utilities/Expression.h"

#include <memory>
#include <string>

class ParsedMessage
{
public:
	ParsedMessage();

	// Enters a named variable for argument identifiers to bind to; the handle owns it. A name
	// that is already present keeps its first variable (the new one is dropped): false then.
	bool AddVariable(const std::string& name, std::unique_ptr<OperatorVariable> variable);
	// Deletes every named variable; arguments parsed earlier keep their own copies.
	void ClearVariables();
	// Parses an argument expression (FLException on a syntax error), binds it against the
	// variables and appends it to the message. False for an empty text, before any message
	// was parsed, or when the message has no room left for it.
	bool AddArgument(const std::string& text);
	// The message of the latest parse, or null before the first. Senders copy it; the copies
	// read expressions that the handle owns, so a handle must outlive its messages' sending.
	const Message* GetMessage() const;

private:
	friend bool ParseMessage(const std::string& text, ParsedMessage& handle);
	struct Target;

	std::shared_ptr<Target> target;
};

// Parses "Name(arg, ...)" into the handle, replacing its message. False when the text has no
// "(" (the handle is unchanged) or holds an empty argument (earlier arguments stay);
// FLException when an argument is not a valid expression. Inside double quotes, commas,
// parentheses and spaces are kept, \n, \r, \t stand for line feed, carriage return and tab, and
// \" and \\ for a quote and a backslash.
bool ParseMessage(const std::string& text, ParsedMessage& handle);

// Reads every argument of the message once, which evaluates its expression; the reason when one
// of them cannot be evaluated (a name no variable took), else empty. Parsing accepts such an
// argument, whose every later read would throw inside the handler reading it.
std::string FirstFailingArgument(const Message& message);
