#include "Utilities/FLException.h"

#include "Utilities/Expression.h"

#include <gmock/gmock.h>

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

	// A message completed on the way up is what a handler of standard exceptions reports: an
	// expression's syntax error names the text it was found in.
	TEST(FLException, WhatSaysTheMessageAsCompletedOnTheWayUp)
	{
		std::string caught = "nothing";
		try
		{
			Expression().Parse("1 + ");
		}
		catch (const std::exception& error)
		{
			caught = error.what();
		}
		EXPECT_THAT(caught, ::testing::MatchesRegex("Expected identifier or literal, found the end of the text in \"1 \\+ \" \\(src/Utilities/Expression.cpp:[0-9]+\\)"));
	}

	// A handler may keep the text it was given while the exception goes on up: the text stays put
	// when it is asked for again and when a handler on the way completes the message, and the next
	// reader sees the message completed.
	TEST(FLException, WhatKeepsTheTextItGaveWhileTheMessageIsCompleted)
	{
		FLException error("src/Systems/Window.cpp", 12, "Failed to set video mode.");
		const char* given = error.what();
		const std::string said = given;
		EXPECT_EQ(error.what(), given) << "asked again";
		error.CompleteMessage(" at 1024x768");
		const std::string completed = error.what();
		EXPECT_EQ(completed, "Failed to set video mode. at 1024x768 (src/Systems/Window.cpp:12)");
		EXPECT_EQ(error.Message(), "Failed to set video mode. at 1024x768");
		// Read only after the completed text was asked for: the earlier text must still be there.
		EXPECT_EQ(std::string(given), said);
		EXPECT_STREQ(error.what(), completed.c_str());
	}
}
