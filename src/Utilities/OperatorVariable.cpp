#include "Utilities/OperatorVariable.h"

#include <iostream>

namespace tw
{
	void ReportIntegerDivisionByZero(const std::string& typeName)
	{
		std::cerr << "Expression: integer division by zero (" << typeName << "); the result is 0.\n";
	}
}
