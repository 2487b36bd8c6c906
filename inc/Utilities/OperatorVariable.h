// Operator variables: the variables an expression computes with. OperatorVariable adds
// assignment, arithmetic, comparison and truth to Variable; OperVarType<T> is the writable box
// of a number, bool or string; OperConstVarType<bool> the read-only bool of literals and of
// comparison results. The right operand is always read as the left operand's type.
#pragma once

#include "Utilities/Variable.h"

#include <memory>
#include <type_traits>

namespace tw
{
	enum class Comparison { Equal, LessOrEqual, GreaterOrEqual, Less, Greater };
	enum class ArithmeticOperation { Add, Subtract, Multiply, Divide };
}

class OperatorVariable : public Variable
{
public:
	OperatorVariable* CloneInto(void* storage) const override = 0;

	virtual OperatorVariable& Assign(const Variable& other) = 0;
	// Applies the operation with the other variable in place and returns this variable.
	virtual OperatorVariable& Calculate(tw::ArithmeticOperation operation, const Variable& other) = 0;
	virtual bool Compare(tw::Comparison comparison, const Variable& other) const = 0;
	virtual bool ToBool() const = 0;
	// A new heap copy; a variable that reads live state (a button) gives a snapshot of it.
	virtual std::unique_ptr<OperatorVariable> Clone() const
	{
		return std::unique_ptr<OperatorVariable>(CloneInto(nullptr));
	}

	OperatorVariable& AddAssign(const Variable& other) { return Calculate(tw::ArithmeticOperation::Add, other); }
	OperatorVariable& SubtractAssign(const Variable& other) { return Calculate(tw::ArithmeticOperation::Subtract, other); }
	OperatorVariable& MultiplyAssign(const Variable& other) { return Calculate(tw::ArithmeticOperation::Multiply, other); }
	OperatorVariable& DivideAssign(const Variable& other) { return Calculate(tw::ArithmeticOperation::Divide, other); }
	bool Equal(const Variable& other) const { return Compare(tw::Comparison::Equal, other); }
	bool LessOrEqual(const Variable& other) const { return Compare(tw::Comparison::LessOrEqual, other); }
	bool GreaterOrEqual(const Variable& other) const { return Compare(tw::Comparison::GreaterOrEqual, other); }
	bool Less(const Variable& other) const { return Compare(tw::Comparison::Less, other); }
	bool Greater(const Variable& other) const { return Compare(tw::Comparison::Greater, other); }
};

// An operator variable that cannot be changed: assignment and arithmetic leave it as it is,
// and it reads nothing from text.
class ReadOnlyOperatorVariable : public OperatorVariable
{
public:
	void Read(std::istream&) override {}
	OperatorVariable& Assign(const Variable&) override { return *this; }
	OperatorVariable& Calculate(tw::ArithmeticOperation, const Variable&) override { return *this; }
};

namespace tw
{
	template<typename T>
	concept OperatorValue = Arithmetic<T> || std::is_same_v<T, std::string>;

	// Reported on stderr when an integer division by zero yields 0 instead of trapping.
	void ReportIntegerDivisionByZero(const std::string& typeName);

	template<OperatorValue T>
	bool IsTrue(const T& value)
	{
		if constexpr (std::is_same_v<T, std::string>)
			return !value.empty();
		else
			return value != T{};
	}

	// Compares a value with the other variable read as the value's type; false when the other
	// cannot be read as that type.
	template<OperatorValue T>
	bool CompareWith(const T& value, Comparison comparison, const Variable& other)
	{
		T operand{};
		if (!other.GetValue(operand))
			return false;
		switch (comparison)
		{
		case Comparison::Equal: return value == operand;
		case Comparison::LessOrEqual: return value <= operand;
		case Comparison::GreaterOrEqual: return value >= operand;
		case Comparison::Less: return value < operand;
		case Comparison::Greater: return value > operand;
		}
		return false;
	}

	// Integer arithmetic wraps instead of overflowing (expressions come from data files, and
	// signed overflow would be undefined); division by zero gives 0, and the one quotient that
	// overflows, the lowest value divided by -1, wraps as well.
	template<Arithmetic T>
	T Calculate(ArithmeticOperation operation, T left, T right)
	{
		if constexpr (std::is_floating_point_v<T>)
		{
			switch (operation)
			{
			case ArithmeticOperation::Add: return left + right;
			case ArithmeticOperation::Subtract: return left - right;
			case ArithmeticOperation::Multiply: return left * right;
			case ArithmeticOperation::Divide: return left / right;
			}
			return left;
		}
		else
		{
			using Wrapping = std::make_unsigned_t<decltype(left + right)>;
			const Wrapping a = static_cast<Wrapping>(left);
			const Wrapping b = static_cast<Wrapping>(right);
			switch (operation)
			{
			case ArithmeticOperation::Add: return static_cast<T>(a + b);
			case ArithmeticOperation::Subtract: return static_cast<T>(a - b);
			case ArithmeticOperation::Multiply: return static_cast<T>(a * b);
			case ArithmeticOperation::Divide:
				if (right == 0)
				{
					ReportIntegerDivisionByZero(TypeName<T>());
					return 0;
				}
				if constexpr (std::is_signed_v<T>)
				{
					if (right == T(-1))
						return static_cast<T>(Wrapping(0) - a);
				}
				return static_cast<T>(left / right);
			}
			return left;
		}
	}
}

// The writable box of a number, a bool or a string. Numbers compute in their own type; a bool
// ignores assignment and arithmetic; a string takes the other string on = and + (+ does not
// concatenate) and ignores -, * and /.
template<typename T>
class OperVarType : public OperatorVariable
{
	static_assert(tw::OperatorValue<T>, "OperVarType holds a number, a bool or a std::string");

public:
	OperVarType() = default;
	explicit OperVarType(const T& value) : value(value) {}

	void Read(std::istream& input) override
	{
		if constexpr (std::is_integral_v<T> && sizeof(T) == 1 && !std::is_same_v<T, bool>)
		{
			int number = 0;
			input >> number;
			value = static_cast<T>(number);
		}
		else
			input >> value;
	}
	std::string ToString() const override { return tw::TextOf(value); }
	OperVarType* CloneInto(void* storage) const override
	{
		return storage ? new (storage) OperVarType(*this) : new OperVarType(*this);
	}
	std::size_t Size() const override { return sizeof(OperVarType); }
	std::size_t Alignment() const override { return alignof(OperVarType); }
	bool Get(const ValueDestination& destination) const override { return tw::WriteValue(value, destination); }
	bool Set(const ValueSource& source) override { return tw::ReadValue(value, source); }
	tw::TypeId GetTypeId() const override { return tw::TypeIdOf<T>(); }
	bool IsWritable() const override { return true; }
	bool IsValid() const override { return true; }
	const std::string& ValueTypeName() const override { return tw::TypeName<T>(); }

	OperatorVariable& Assign(const Variable& other) override
	{
		if constexpr (!std::is_same_v<T, bool>)
			other.GetValue(value);
		return *this;
	}
	OperatorVariable& Calculate(tw::ArithmeticOperation operation, const Variable& other) override
	{
		if constexpr (std::is_same_v<T, std::string>)
		{
			if (operation == tw::ArithmeticOperation::Add)
				other.GetValue(value);
		}
		else if constexpr (!std::is_same_v<T, bool>)
		{
			T operand{};
			if (other.GetValue(operand))
				value = tw::Calculate(operation, value, operand);
		}
		return *this;
	}
	bool Compare(tw::Comparison comparison, const Variable& other) const override
	{
		return tw::CompareWith(value, comparison, other);
	}
	bool ToBool() const override { return tw::IsTrue(value); }

private:
	T value{};
};

template<typename T>
class OperConstVarType;

// The read-only bool of boolean literals and of the results of comparisons and logical operators.
template<>
class OperConstVarType<bool> : public ReadOnlyOperatorVariable
{
public:
	explicit OperConstVarType(bool value) : value(value) {}

	std::string ToString() const override { return value ? "1" : "0"; }
	OperConstVarType* CloneInto(void* storage) const override
	{
		return storage ? new (storage) OperConstVarType(*this) : new OperConstVarType(*this);
	}
	std::size_t Size() const override { return sizeof(OperConstVarType); }
	std::size_t Alignment() const override { return alignof(OperConstVarType); }
	bool Get(const ValueDestination& destination) const override { return tw::WriteValue(value, destination); }
	tw::TypeId GetTypeId() const override { return tw::TypeIdOf<bool>(); }
	bool IsValid() const override { return true; }
	const std::string& ValueTypeName() const override { return tw::TypeName<bool>(); }

	bool Compare(tw::Comparison comparison, const Variable& other) const override
	{
		return tw::CompareWith(value, comparison, other);
	}
	bool ToBool() const override { return value; }

private:
	bool value;
};
