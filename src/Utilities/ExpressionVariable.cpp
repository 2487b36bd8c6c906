#include "Utilities/ExpressionVariable.h"

std::string OperVarType<Expression*>::ToString() const
{
	std::unique_ptr<OperatorVariable> result = Evaluate();
	return result ? result->ToString() : std::string();
}

bool OperVarType<Expression*>::Get(const ValueDestination& destination) const
{
	std::unique_ptr<OperatorVariable> result = Evaluate();
	return result && result->Get(destination);
}

tw::TypeId OperVarType<Expression*>::GetTypeId() const
{
	std::unique_ptr<OperatorVariable> result = Evaluate();
	return result ? result->GetTypeId() : 0;
}

const std::string& OperVarType<Expression*>::ValueTypeName() const
{
	std::unique_ptr<OperatorVariable> result = Evaluate();
	return result ? result->ValueTypeName() : Variable::ValueTypeName();
}

bool OperVarType<Expression*>::Compare(tw::Comparison comparison, const Variable& other) const
{
	std::unique_ptr<OperatorVariable> result = Evaluate();
	return result && result->Compare(comparison, other);
}

bool OperVarType<Expression*>::ToBool() const
{
	std::unique_ptr<OperatorVariable> result = Evaluate();
	return result && result->ToBool();
}

std::unique_ptr<OperatorVariable> OperVarType<Expression*>::Evaluate() const
{
	return expression ? expression->Evaluate() : nullptr;
}
