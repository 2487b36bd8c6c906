// OperVarType<Expression*>: the lazily evaluated argument of a parsed message text. Every read
// (value, text, type id, truth, comparison) evaluates the expression afresh and answers for the
// result, so a message argument reflects the state at the moment a handler reads it. It cannot
// be assigned to, and it does not own its expression.
#pragma once

#include "Utilities/Expression.h"
#include "Utilities/OperatorVariable.h"

template<>
class OperVarType<Expression*> : public ReadOnlyOperatorVariable
{
public:
	explicit OperVarType(Expression* expression) : expression(expression) {}

	std::string ToString() const override;
	OperVarType* CloneInto(void* storage) const override
	{
		return storage ? new (storage) OperVarType(*this) : new OperVarType(*this);
	}
	std::size_t Size() const override { return sizeof(OperVarType); }
	std::size_t Alignment() const override { return alignof(OperVarType); }
	bool Get(const ValueDestination& destination) const override;
	tw::TypeId GetTypeId() const override;
	bool IsValid() const override { return expression != nullptr; }
	const std::string& ValueTypeName() const override;
	bool Compare(tw::Comparison comparison, const Variable& other) const override;
	bool ToBool() const override;

private:
	std::unique_ptr<OperatorVariable> Evaluate() const;

	Expression* expression;
};
