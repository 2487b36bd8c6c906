#include "Utilities/Diagnostics.h"

#include "Utilities/TestHelpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace
{
	using ::testing::HasSubstr;
	using tw::Diagnostics;

	// Lines reported by one test must not be taken for repeats in the next: every test starts
	// with none pending, whichever test ran before it in the process.
	class ForgetReportedLines : public ::testing::EmptyTestEventListener
	{
		void OnTestStart(const ::testing::TestInfo&) override { Diagnostics::Flush(); }
	};

	[[maybe_unused]] const bool listenerInstalled = []
	{
		::testing::UnitTest::GetInstance()->listeners().Append(new ForgetReportedLines);
		return true;
	}();

	std::string Frames(const std::vector<std::vector<std::string>>& frames)
	{
		return StderrOf([&]
		{
			for (const auto& lines : frames)
			{
				for (const std::string& line : lines)
					Diagnostics::Report(line);
				Diagnostics::EndFrame();
			}
		});
	}

	TEST(Diagnostics, ALineRepeatedEveryFrameIsPrintedOnceThenItsCountWhenItStops)
	{
		std::vector<std::vector<std::string>> frames(1000, {"divide"});
		frames.push_back({});
		EXPECT_EQ(Frames(frames), "divide\ndivide [repeated 999 more times]\n");
	}

	TEST(Diagnostics, InterleavedLinesAreCountedApartAndALineThatReturnsIsPrintedAgain)
	{
		const std::string printed = Frames({{"a", "b", "a"}, {"b", "a"}, {"a"}, {}, {"b"}, {}});
		EXPECT_EQ(printed, "a\nb\nb [repeated 1 more times]\na [repeated 3 more times]\nb\n");
	}

	TEST(Diagnostics, FlushPrintsWhatIsPendingAndForgetsIt)
	{
		const std::string printed = StderrOf([]
		{
			Diagnostics::Report("once");
			Diagnostics::Report("twice");
			Diagnostics::Report("twice");
			Diagnostics::Flush();
			Diagnostics::Report("twice");
		});
		EXPECT_EQ(printed, "once\ntwice\ntwice [repeated 1 more times]\ntwice\n");
	}
}
