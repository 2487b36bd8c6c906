#include "Utilities/Variable.h"

#include "Utilities/Diagnostics.h"

const std::string& Variable::ValueTypeName() const
{
	static const std::string noType = "no value";
	return noType;
}

void Variable::ReportTypeMismatch(const std::string& requestedType) const
{
	tw::Diagnostics::Report("Variable: a value of type " + ValueTypeName() + " cannot be read as " + requestedType +
		"; the destination is left unchanged.");
}
