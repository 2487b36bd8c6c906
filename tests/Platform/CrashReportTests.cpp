#include "Platform/CrashReport.h"
#include "Platform/VirtualMemory.h"

#include "EngineTestSupport.h"
#include "Utilities/FLException.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace
{
	namespace fs = std::filesystem;

	std::string ReadAll(const fs::path& path)
	{
		std::ifstream file(path);
		std::stringstream text;
		text << file.rdbuf();
		return text.str();
	}

	// A store into reserved, uncommitted memory: a real fault the sanitizers do not intercept.
	void CrashWithSegfault()
	{
		auto* inaccessible = static_cast<volatile int*>(Platform::ReserveAddressSpace(Platform::PageSize()));
		*inaccessible = 1;
	}

	class CrashReport : public ::testing::Test
	{
	protected:
		// The dying child is forked, not started anew, so it writes where the parent looks.
		void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }
	};

	TEST_F(CrashReport, SegfaultWritesReportAndTellsWhere)
	{
		test::TempFolder folder;
		const fs::path report = folder.Path() + "Tumblewreck.dmp";
		EXPECT_EXIT(
			{
				Platform::InstallCrashReport(report.string());
				CrashWithSegfault();
			},
			::testing::KilledBySignal(SIGSEGV),
			"Tumblewreck crashed and saved a data report to: " + report.string());
		std::string text = ReadAll(report);
		EXPECT_NE(text.find("Signal: 11 SIGSEGV"), std::string::npos) << text.substr(0, 400);
		EXPECT_NE(text.find("Backtrace:"), std::string::npos);
		EXPECT_NE(text.find("Memory map:"), std::string::npos);
	}

	TEST_F(CrashReport, UncaughtFLExceptionIsNamedInReport)
	{
		test::TempFolder folder;
		const fs::path report = folder.Path() + "Tumblewreck.dmp";
		EXPECT_EXIT(
			{
				Platform::InstallCrashReport(report.string());
				// Escaping a thread's function, the exception reaches the terminate handler
				// without the test framework catching it first.
				std::thread([] { throw FLException("src/Utilities/Config", 42, "No config file loaded."); }).join();
			},
			::testing::KilledBySignal(SIGABRT),
			"No config file loaded\\.");
		std::string text = ReadAll(report);
		EXPECT_NE(text.find("SIGABRT"), std::string::npos);
		EXPECT_NE(text.find("No config file loaded. (src/Utilities/Config:42)"), std::string::npos);
	}

	TEST_F(CrashReport, MissingUserFolderOrUnwritablePathSaysNoReport)
	{
		EXPECT_EXIT(
			{
				Platform::InstallCrashReport("");
				CrashWithSegfault();
			},
			::testing::KilledBySignal(SIGSEGV),
			"The user path could not be found\\. Dump could not be saved\\.");
		EXPECT_EXIT(
			{
				// A missing folder is made, as the game makes its user folder; one under a file cannot be.
				Platform::InstallCrashReport("/dev/null/Tumblewreck/Tumblewreck.dmp");
				CrashWithSegfault();
			},
			::testing::KilledBySignal(SIGSEGV),
			"Tumblewreck crashed and no data report could be saved\\.");
	}
}
