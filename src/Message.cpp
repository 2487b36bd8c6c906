#include "Message.h"

#include "Utilities/Diagnostics.h"
#include "ScriptValues.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace
{
	// Position of an argument in push order, counted from 1, for reports.
	unsigned ArgumentNumber(const Message::Argument* argument)
	{
		unsigned number = 0;
		for (; argument; argument = argument->older)
			++number;
		return number;
	}

	Message* MakeScriptMessage(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		return new Message(JSValueToStdString(info[0]));
	}

	// Scripts build messages with the constructor (the name) and the eight push methods, each
	// returning the message so calls chain, and read the name as "id".
	[[maybe_unused]] const bool messageScriptClassRegistered = [] {
		JSObject<Message>::Bind("Message", 1, &MakeScriptMessage)
			.AddFunction("PushFloat", &Message::PushFloat)
			.AddFunction("PushInt", &Message::PushInt)
			.AddFunction("PushU32", &Message::PushU32)
			.AddFunction("PushDouble", &Message::PushDouble)
			.AddFunction("PushBool", &Message::PushBool)
			.AddFunction("PushShort", &Message::PushShort)
			.AddFunction("PushU16", &Message::PushU16)
			.AddFunction("PushString", static_cast<Message& (Message::*)(const std::string&)>(&Message::PushString))
			.AddGetter("id", &Message::GetName);
		return true;
	}();
}

Message::Message(const char* text)
	: writeOffset(0), objectId(0), name(text), newest(nullptr), oldest(nullptr)
{
}

Message::Message(const std::string& text)
	: writeOffset(0), objectId(0), name(text), newest(nullptr), oldest(nullptr)
{
}

Message::Message(const MessageName& key)
	: writeOffset(0), objectId(0), name((key.Id(), key)), newest(nullptr), oldest(nullptr)
{
}

Message::Message(const Message& other)
	: writeOffset(0), objectId(other.objectId), name(other.name), newest(nullptr), oldest(nullptr)
{
	CopyArgumentsFrom(other);
}

// The arguments are rebuilt rather than copied bytewise: the links and the records' own
// pointers (a string's buffer) must point into this message, not into the other one.
Message& Message::operator=(const Message& other)
{
	if (this != &other)
	{
		DestroyArguments();
		name = other.name;
		objectId = other.objectId;
		CopyArgumentsFrom(other);
	}
	return *this;
}

Message::~Message()
{
	DestroyArguments();
}

Message& Message::PushVariable(const Variable& variable)
{
	const std::size_t size = variable.Size();
	Placement placement;
	if (!FindRoom(size, variable.Alignment(), placement))
	{
		ReportRefusedPush(variable.ValueTypeName(), size);
		return *this;
	}
	Link(placement.entryOffset, variable.CloneInto(payload + placement.recordOffset));
	writeOffset = static_cast<std::uint32_t>(placement.recordOffset + size);
	return *this;
}

void Message::ReportRefusedPush(const std::string& typeName, std::size_t size) const
{
	std::cerr << "Message \"" << name.c_str() << "\": argument " << ArgumentNumber(newest) + 1 << " (" << typeName << ", "
		<< size << " bytes) does not fit in the " << kPayloadBytes << "-byte payload (" << writeOffset
		<< " bytes in use); it is not pushed.\n";
}

// The copy keeps the source's layout, so every entry and record goes at the offset it has
// there and no room needs checking.
void Message::CopyArgumentsFrom(const Message& other)
{
	const auto offsetInOther = [&other](const void* address) {
		return static_cast<std::size_t>(static_cast<const unsigned char*>(address) - other.payload);
	};
	try
	{
		for (const Argument* argument = other.oldest; argument; argument = argument->newer)
			Link(offsetInOther(argument), argument->value->CloneInto(payload + offsetInOther(argument->value)));
	}
	catch (...)
	{
		DestroyArguments();
		throw;
	}
	writeOffset = other.writeOffset;
}

void Message::DestroyArguments()
{
	for (Argument* argument = newest; argument; argument = argument->older)
		argument->value->~Variable();
	newest = nullptr;
	oldest = nullptr;
	writeOffset = 0;
}

bool Message::Reader::ReadInto(const ValueDestination& destination, const std::string& (*requestedTypeName)())
{
	if (!current)
	{
		tw::Diagnostics::Report(std::string("Message \"") + name + "\": no argument left to read as " + requestedTypeName() +
			"; the destination is left unchanged.");
		return false;
	}
	const Argument* argument = current;
	current = current->newer;
	if (argument->value->Get(destination))
		return true;
	// A binding's message is read by its handlers every frame it holds.
	tw::Diagnostics::Report(std::string("Message \"") + name + "\": argument " + std::to_string(ArgumentNumber(argument)) + " holds " +
		argument->value->ValueTypeName() + " and cannot be read as " + requestedTypeName() + "; the destination is left unchanged.");
	return false;
}
