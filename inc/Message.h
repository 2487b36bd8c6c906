// Message: a named request or event that components, objects, systems, the engine and scripts
// send each other. Its typed arguments are Variables built in place in the message's own
// payload, so building, copying and destroying a message never touches the heap. Handlers read
// the arguments oldest first through a Message::Reader.
#pragma once

#include "MessageName.h"
#include "Utilities/Variable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <typeinfo>

class Message
{
public:
	static constexpr std::size_t kMaxNameLength = MessageName::kMaxLength;
	// Room for the arguments: three times the original 128 bytes, which assumed 4-byte
	// pointers; every argument costs a link entry plus its record, each aligned for itself.
	static constexpr std::size_t kPayloadBytes = 384;
	static constexpr std::size_t kPayloadAlignment = 16;

	// One argument: links in push order and the record built behind the entry.
	struct Argument
	{
		Argument* older;
		Argument* newer;
		Variable* value;
	};

	// What a handler receives: the next argument to read, the message name and the id of the
	// object on whose behalf the message is handled. Reads convert between numbers only; a
	// mismatch or a read past the last argument leaves the destination as it was and is
	// reported with the message's name.
	class Reader
	{
	public:
		explicit Reader(const Message& message) : Reader(message, message.GetObjectId()) {}
		Reader(const Message& message, unsigned objectId)
			: current(message.oldest), name(message.name.c_str()), objectId(objectId)
		{
		}

		// Reads the current argument into the destination and moves to the next one.
		template<typename T>
		bool Read(T& destination)
		{
			// Most handlers read an argument as the very type it was pushed as: that is a plain
			// copy, without the virtual read and its conversions. The same type_info object means
			// the same class; a class whose type_info is repeated in another library only misses
			// the shortcut.
			if (current != nullptr && &typeid(*current->value) == &typeid(ConstVarType<T>))
			{
				destination = static_cast<const ConstVarType<T>*>(current->value)->Value();
				current = current->newer;
				return true;
			}
			return ReadInto(ValueDestination::For(destination), &tw::TypeName<T>);
		}

		// Reads the current argument as a T (a default T when it cannot) and moves on.
		template<typename T>
		T Read()
		{
			T value{};
			Read(value);
			return value;
		}

		bool HasMore() const { return current != nullptr; }
		// The type id of the argument that the next read takes; 0 when none is left.
		tw::TypeId CurrentTypeId() const { return current ? current->value->GetTypeId() : 0; }

		const Argument* current;
		const char* name;
		unsigned objectId;

	private:
		// The requested type's name is only looked up for a report.
		bool ReadInto(const ValueDestination& destination, const std::string& (*requestedTypeName)());
	};

	explicit Message(const char* name = "");
	explicit Message(const std::string& name);
	// For a name kept and sent over and over: its id is looked up once, in the kept name.
	explicit Message(const MessageName& name);
	Message(const Message& other);
	Message& operator=(const Message& other);
	~Message();

	const char* GetName() const { return name.c_str(); }
	// The name as the handler tables file it, hashed when the message was named.
	const MessageName& GetKey() const { return name; }
	unsigned GetObjectId() const { return objectId; }
	// Bytes of the payload in use.
	std::uint32_t GetWriteOffset() const { return writeOffset; }

	// Every push appends one argument and returns the message so pushes chain. A push that does
	// not fit in the payload is refused with a report on stderr; the message stays as it was.
	Message& PushBool(bool value) { return Push(value); }
	Message& PushFloat(float value) { return Push(value); }
	Message& PushInt(int value) { return Push(value); }
	Message& PushU32(unsigned int value) { return Push(value); }
	Message& PushDouble(double value) { return Push(value); }
	Message& PushShort(short value) { return Push(value); }
	Message& PushU16(unsigned short value) { return Push(value); }
	Message& PushString(const std::string& value) { return Push(value); }
	// A null string is pushed as the empty string.
	Message& PushString(const char* value) { return Push(std::string(value ? value : "")); }

	// Any copyable value: tuples, records, and pointers through which a handler answers.
	template<typename T>
	Message& Push(const T& value)
	{
		using Record = ConstVarType<T>;
		Placement placement;
		if (!FindRoom(sizeof(Record), alignof(Record), placement))
		{
			ReportRefusedPush(tw::TypeName<T>(), sizeof(Record));
			return *this;
		}
		Link(placement.entryOffset, new (payload + placement.recordOffset) Record(value));
		writeOffset = static_cast<std::uint32_t>(placement.recordOffset + sizeof(Record));
		return *this;
	}

	template<typename T>
	Message& AddArgument(const T& value)
	{
		return Push(value);
	}

	// Appends the copy that the variable builds of itself (the message-text parser's
	// expression arguments arrive this way).
	Message& PushVariable(const Variable& variable);

private:
	struct Placement
	{
		std::size_t entryOffset;
		std::size_t recordOffset;
	};

	// Alignments are powers of two.
	static std::size_t AlignUp(std::size_t offset, std::size_t alignment)
	{
		return (offset + alignment - 1) & ~(alignment - 1);
	}

	// Where the entry and a record of that size and alignment would go behind the arguments
	// in use; false when they would pass the end of the payload.
	bool FindRoom(std::size_t size, std::size_t alignment, Placement& placement) const
	{
		placement.entryOffset = AlignUp(writeOffset, alignof(Argument));
		placement.recordOffset = AlignUp(placement.entryOffset + sizeof(Argument), alignment);
		return alignment <= kPayloadAlignment && placement.recordOffset + size <= kPayloadBytes;
	}

	// Places the entry of a record just built and links it as the newest argument.
	void Link(std::size_t entryOffset, Variable* record)
	{
		Argument* argument = new (payload + entryOffset) Argument{ newest, nullptr, record };
		if (newest)
			newest->newer = argument;
		else
			oldest = argument;
		newest = argument;
	}
	void ReportRefusedPush(const std::string& typeName, std::size_t size) const;
	void CopyArgumentsFrom(const Message& other);
	void DestroyArguments();

	alignas(kPayloadAlignment) unsigned char payload[kPayloadBytes];
	std::uint32_t writeOffset;
	std::uint32_t objectId;
	MessageName name;
	Argument* newest;
	Argument* oldest;
};
