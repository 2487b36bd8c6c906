#include "Systems/Logic/NavBuildContext.h"

#include "Utilities/Diagnostics.h"

#include <string>

void NavBuildContext::doLog(const rcLogCategory category, const char* message, const int length)
{
	if (category != RC_LOG_ERROR)
		return;
	tw::Diagnostics::Report("Navigation tile (" + std::to_string(tileX) + ", " + std::to_string(tileZ) + "): " +
		std::string(message, static_cast<std::size_t>(length)));
}
