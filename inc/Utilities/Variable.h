// Variable: a small polymorphic box around one value of a fixed type with a run-time type id.
// Variables carry message arguments (cloned into a message's payload), input button states,
// expression literals and results. ConstVarType<T> is the read-only box. A typed read never
// reinterprets memory: numbers convert to numbers, anything else must match exactly.
#pragma once

#include "Utilities/Number.h"
#include "Utilities/TypeId.h"

#include <cstddef>
#include <istream>
#include <locale>
#include <new>
#include <sstream>
#include <string>

// Where a typed read writes: the caller's T, its type id, and (when T is a number) how to
// store a number of another type there.
struct ValueDestination
{
	void* address;
	tw::TypeId type;
	void (*storeNumber)(void* address, const tw::Number& value);

	template<typename T>
	static ValueDestination For(T& destination)
	{
		void (*store)(void*, const tw::Number&) = nullptr;
		if constexpr (tw::Arithmetic<T>)
			store = [](void* address, const tw::Number& value) { *static_cast<T*>(address) = value.As<T>(); };
		return { &destination, tw::TypeIdOf<T>(), store };
	}
};

// What a typed store reads from: the caller's value, its type id, and the value as a number
// when it is one.
struct ValueSource
{
	const void* address;
	tw::TypeId type;
	bool isNumber;
	tw::Number number;

	template<typename T>
	static ValueSource For(const T& source)
	{
		if constexpr (tw::Arithmetic<T>)
			return { &source, tw::TypeIdOf<T>(), true, tw::Number::Of(source) };
		else
			return { &source, tw::TypeIdOf<T>(), false, {} };
	}
};

class Variable
{
public:
	virtual ~Variable() = default;

	// Reads the value from a stream (only writable variables take it).
	virtual void Read(std::istream& input) = 0;
	virtual std::string ToString() const = 0;
	// Copies the variable into storage (Size() bytes aligned to Alignment()), or into new
	// heap storage when storage is null; returns the copy, always of this variable's class.
	virtual Variable* CloneInto(void* storage) const = 0;
	virtual std::size_t Size() const = 0;
	virtual std::size_t Alignment() const = 0;
	// Writes the value into the destination; false (destination untouched) when the types
	// neither match nor are both numbers.
	virtual bool Get(const ValueDestination& destination) const { return false; }
	// Stores the value from the source under the same rule; false when nothing was stored.
	virtual bool Set(const ValueSource& source) { return false; }
	virtual tw::TypeId GetTypeId() const { return 0; }
	virtual bool IsWritable() const { return false; }
	virtual bool IsValid() const { return false; }
	// The value type's readable name, for reports; it lives as long as the program.
	virtual const std::string& ValueTypeName() const;

	// Typed read without a report: false, destination unchanged, on a type mismatch.
	template<typename T>
	bool TryGetValue(T& destination) const
	{
		return Get(ValueDestination::For(destination));
	}

	// Typed read; a mismatch leaves the destination unchanged and is reported on stderr.
	template<typename T>
	bool GetValue(T& destination) const
	{
		if (TryGetValue(destination))
			return true;
		ReportTypeMismatch(tw::TypeName<T>());
		return false;
	}

	// Typed read giving a default T on a mismatch.
	template<typename T>
	T GetValue() const
	{
		T value{};
		GetValue(value);
		return value;
	}

	template<typename T>
	bool SetValue(const T& value)
	{
		return Set(ValueSource::For(value));
	}

protected:
	Variable() = default;
	Variable(const Variable&) = default;
	Variable& operator=(const Variable&) = default;

private:
	void ReportTypeMismatch(const std::string& requestedType) const;
};

// After inlining, g++ follows the same-type branch below into callers whose destination has
// another type, a branch the run-time type-id check never takes; it then warns of a bounds
// overrun that cannot happen.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif

namespace tw
{
	// Copies a value of type T into a destination of the same type, or converts between numbers.
	template<typename T>
	bool WriteValue(const T& value, const ValueDestination& destination)
	{
		if (destination.type == TypeIdOf<T>())
		{
			*static_cast<T*>(destination.address) = value;
			return true;
		}
		if constexpr (Arithmetic<T>)
		{
			if (destination.storeNumber)
			{
				destination.storeNumber(destination.address, Number::Of(value));
				return true;
			}
		}
		return false;
	}

	// Stores a source of type T, or a number of another type, into a value of type T.
	template<typename T>
	bool ReadValue(T& value, const ValueSource& source)
	{
		if (source.type == TypeIdOf<T>())
		{
			value = *static_cast<const T*>(source.address);
			return true;
		}
		if constexpr (Arithmetic<T>)
		{
			if (source.isNumber)
			{
				value = source.number.As<T>();
				return true;
			}
		}
		return false;
	}

	template<typename T>
	concept Streamable = requires(std::ostream& output, const T& value) { output << value; };

	// The text of a value: numbers in decimal with the stream's default precision (8-bit
	// integers too) in the classic locale, bool as 1 or 0, pointers as addresses, strings as
	// they are, tuples as their components separated by spaces.
	template<typename T>
	std::string TextOf(const T& value)
	{
		if constexpr (std::is_same_v<T, std::string>)
			return value;
		else
		{
			std::ostringstream text;
			text.imbue(std::locale::classic());
			if constexpr (std::is_pointer_v<T>)
				text << static_cast<const void*>(value);
			else if constexpr (std::is_integral_v<T> && sizeof(T) == 1 && !std::is_same_v<T, bool>)
				text << static_cast<int>(value);
			else if constexpr (Streamable<T>)
				text << value;
			else
				text << '(' << TypeName<T>() << ')';
			return text.str();
		}
	}
}

// The read-only box of a value of type T: message arguments are ConstVarTypes.
template<typename T>
class ConstVarType : public Variable
{
public:
	explicit ConstVarType(const T& value) : value(value) {}

	void Read(std::istream&) override {}
	std::string ToString() const override { return tw::TextOf(value); }
	ConstVarType* CloneInto(void* storage) const override
	{
		return storage ? new (storage) ConstVarType(*this) : new ConstVarType(*this);
	}
	std::size_t Size() const override { return sizeof(ConstVarType); }
	std::size_t Alignment() const override { return alignof(ConstVarType); }
	bool Get(const ValueDestination& destination) const override { return tw::WriteValue(value, destination); }
	tw::TypeId GetTypeId() const override { return tw::TypeIdOf<T>(); }
	bool IsValid() const override { return true; }
	const std::string& ValueTypeName() const override { return tw::TypeName<T>(); }

	const T& Value() const { return value; }

private:
	T value;
};

#pragma GCC diagnostic pop
