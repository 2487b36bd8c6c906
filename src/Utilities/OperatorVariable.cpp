#include "Utilities/OperatorVariable.h"

#include "Utilities/Diagnostics.h"

namespace tw
{
	void ReportIntegerDivisionByZero(const std::string& typeName)
	{
		// A binding condition is evaluated every frame: printed once, then counted.
		Diagnostics::Report("Expression: integer division by zero (" + typeName + "); the result is 0.");
	}
}
