#include "Message.h"

#include "Utilities/ScriptClassRegistry.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace
{
	std::size_t AlignUp(std::size_t offset, std::size_t alignment)
	{
		return (offset + alignment - 1) / alignment * alignment;
	}

	// Position of an argument in push order, counted from 1, for reports.
	unsigned ArgumentNumber(const Message::Argument* argument)
	{
		unsigned number = 0;
		for (; argument; argument = argument->older)
			++number;
		return number;
	}

	// Scripts build messages with the constructor (the name) and the eight push methods, each
	// returning the message so calls chain, and read the name as "id".
	[[maybe_unused]] const bool messageScriptClassRegistered = [] {
		ScriptClassRegistry::Instance()
			.Register("Message", 1)
			.AddFunction("PushFloat", 1)
			.AddFunction("PushInt", 1)
			.AddFunction("PushU32", 1)
			.AddFunction("PushDouble", 1)
			.AddFunction("PushBool", 1)
			.AddFunction("PushShort", 1)
			.AddFunction("PushU16", 1)
			.AddFunction("PushString", 1)
			.AddReadOnlyProperty("id");
		return true;
	}();
}

Message::Message(const char* text)
	: writeOffset(0), objectId(0), newest(nullptr), oldest(nullptr)
{
	SetName(text, text ? std::strlen(text) : 0);
}

Message::Message(const std::string& text)
	: writeOffset(0), objectId(0), newest(nullptr), oldest(nullptr)
{
	SetName(text.c_str(), text.size());
}

Message::Message(const Message& other)
	: writeOffset(0), objectId(other.objectId), newest(nullptr), oldest(nullptr)
{
	std::memcpy(name, other.name, sizeof name);
	try
	{
		CopyArgumentsFrom(other);
	}
	catch (...)
	{
		DestroyArguments();
		throw;
	}
}

// The arguments are rebuilt rather than copied bytewise: the links and the records' own
// pointers (a string's buffer) must point into this message, not into the other one.
Message& Message::operator=(const Message& other)
{
	if (this != &other)
	{
		DestroyArguments();
		std::memcpy(name, other.name, sizeof name);
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
	std::size_t recordOffset = 0;
	if (!FindRoom(size, variable.Alignment(), recordOffset))
	{
		ReportRefusedPush(variable.ValueTypeName(), size);
		return *this;
	}
	Link(variable.CloneInto(payload + recordOffset), recordOffset + size);
	return *this;
}

bool Message::FindRoom(std::size_t size, std::size_t alignment, std::size_t& recordOffset) const
{
	if (alignment > kPayloadAlignment)
		return false;
	const std::size_t entryOffset = AlignUp(writeOffset, alignof(Argument));
	recordOffset = AlignUp(entryOffset + sizeof(Argument), alignment);
	return recordOffset + size <= kPayloadBytes;
}

void Message::Link(Variable* record, std::size_t recordEnd)
{
	const std::size_t entryOffset = AlignUp(writeOffset, alignof(Argument));
	Argument* argument = new (payload + entryOffset) Argument{ newest, nullptr, record };
	if (newest)
		newest->newer = argument;
	else
		oldest = argument;
	newest = argument;
	writeOffset = static_cast<std::uint32_t>(recordEnd);
}

void Message::ReportRefusedPush(const std::string& typeName, std::size_t size) const
{
	std::cerr << "Message \"" << name << "\": argument " << ArgumentNumber(newest) + 1 << " (" << typeName << ", "
		<< size << " bytes) does not fit in the " << kPayloadBytes << "-byte payload (" << writeOffset
		<< " bytes in use); it is not pushed.\n";
}

void Message::CopyArgumentsFrom(const Message& other)
{
	for (const Argument* argument = other.oldest; argument; argument = argument->newer)
		PushVariable(*argument->value);
}

void Message::DestroyArguments()
{
	for (Argument* argument = newest; argument; argument = argument->older)
		argument->value->~Variable();
	newest = nullptr;
	oldest = nullptr;
	writeOffset = 0;
}

void Message::SetName(const char* text, std::size_t length)
{
	const std::size_t kept = std::min(length, kMaxNameLength);
	if (kept)
		std::memcpy(name, text, kept);
	std::fill(name + kept, name + sizeof name, '\0');
}

bool Message::Reader::ReadInto(const ValueDestination& destination, const std::string& requestedType)
{
	if (!current)
	{
		std::cerr << "Message \"" << name << "\": no argument left to read as " << requestedType
			<< "; the destination is left unchanged.\n";
		return false;
	}
	const Argument* argument = current;
	current = current->newer;
	if (argument->value->Get(destination))
		return true;
	std::cerr << "Message \"" << name << "\": argument " << ArgumentNumber(argument) << " holds "
		<< argument->value->ValueTypeName() << " and cannot be read as " << requestedType
		<< "; the destination is left unchanged.\n";
	return false;
}
