#include "Utilities/FLException.h"

#include <gtest/gtest.h>

#include <exception>
#include <string>

namespace
{
	// A start-up error that nothing on its way catches reaches a handler of standard exceptions
	// (the test framework's, a thread's) with what failed and where, not as an unknown exception.
	TEST(FLException, ReachesAStandardHandlerSayingWhatFailedAndWhere)
	{
		std::string caught = "nothing";
		int line = 0;
		try
		{
			line = __LINE__ + 1;
			FL_THROW("Failed to set video mode.");
		}
		catch (const std::exception& error)
		{
			caught = error.what();
		}
		catch (...)
		{
			caught = "an exception of unknown type";
		}
		EXPECT_EQ(caught, "Failed to set video mode. (tests/Utilities/FLExceptionTests.cpp:" + std::to_string(line) + ")");
	}
}
