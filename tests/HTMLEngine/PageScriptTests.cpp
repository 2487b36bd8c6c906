#include "HtmlTestPage.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

namespace
{
	using HtmlScript = test::HtmlTest;

	TEST_F(HtmlScript, InlineAndSourceScriptsRunInDocumentOrderThenOnload)
	{
		folder.WriteFile("scripts/second.js", "record('src');");
		Load("<html><head><script>record('inline 1'); window.onload = function() { record('window onload'); };"
			 "window.addEventListener('load', function() { record('load listener'); });</script>"
			 "<script src='scripts/second.js'></script></head>"
			 "<body onload=\"record('body onload')\"><script>record('inline 2')</script></body></html>");
		EXPECT_EQ(Recorded(), (std::vector<std::string>{"inline 1", "src", "inline 2", "body onload", "window onload", "load listener"}));
	}

	TEST_F(HtmlScript, ExecuteJavascriptRunsAStatementInThePage)
	{
		HTMLView* view = Load("<body><script>var calls = 0; function f() { ++calls; record('f ' + calls); }</script></body>");
		view->ExecuteJavascript("f(); void(0);");
		view->ExecuteJavascript("f(); void(0);");
		EXPECT_EQ(Recorded(), (std::vector<std::string>{"f 1", "f 2"}));
	}

	TEST_F(HtmlScript, AnUncaughtExceptionPrintsPageLineAndMessageOnceThenCounts)
	{
		HTMLView* view = Load("<body></body>");
		tw::Diagnostics::Flush();
		::testing::internal::CaptureStderr();
		for (int i = 0; i < 3; ++i)
			view->ExecuteJavascript("\nnoSuchFunction(); void(0);");
		tw::Diagnostics::Flush();
		const std::string printed = ::testing::internal::GetCapturedStderr();
		const std::string line = folder.Path() + "page.html:2: ReferenceError: noSuchFunction is not defined\n";
		EXPECT_NE(printed.find(line), std::string::npos) << printed;
		EXPECT_EQ(printed.find(line), printed.rfind(line)) << "printed once: " << printed;
		EXPECT_NE(printed.find("[repeated 2 more times]"), std::string::npos) << printed;
		Recorded().clear();
		view->ExecuteJavascript("record('still works')");
		EXPECT_EQ(Recorded(), std::vector<std::string>{"still works"});
	}

	TEST_F(HtmlScript, AnEndlessLoopIsStoppedByTheWatchdogAndThePageKeepsWorking)
	{
		HTMLView* view = Load("<body></body>");
		::testing::internal::CaptureStderr();
		view->ExecuteJavascript("while (true) {}");
		const std::string printed = ::testing::internal::GetCapturedStderr();
		EXPECT_NE(printed.find("was stopped"), std::string::npos) << printed;
		view->ExecuteJavascript("record('after')");
		EXPECT_EQ(Recorded(), std::vector<std::string>{"after"});
	}

	TEST_F(HtmlScript, TimersFireAtTheFirstUpdateAtOrAfterTheirTime)
	{
		HTMLView* view = Load("<body><script>setTimeout(function() { record('once'); }, 100);"
							  "var id = setInterval(function() { record('every 40'); }, 40);"
							  "setTimeout(\"record('text')\", 50);"
							  "var gone = setTimeout(function() { record('cleared'); }, 10); clearTimeout(gone);</script></body>");
		const struct
		{
			std::uint32_t at;
			std::vector<std::string> fired;
		} updates[] = {
			{39, {}},
			{40, {"every 40"}},
			{99, {"text", "every 40"}},
			{100, {"once"}},
			{300, {"every 40"}},
		};
		for (const auto& update : updates)
		{
			Recorded().clear();
			now = update.at;
			HTMLEngine::Update();
			EXPECT_EQ(Recorded(), update.fired) << "at " << update.at;
		}
		view->ExecuteJavascript("clearInterval(id);");
		Recorded().clear();
		now = 1000;
		HTMLEngine::Update();
		EXPECT_TRUE(Recorded().empty());
	}

	TEST_F(HtmlScript, ConsoleLogPrintsItsArgumentsOnALine)
	{
		HTMLView* view = Load("<body></body>");
		::testing::internal::CaptureStdout();
		view->ExecuteJavascript("console.log('value', 42, true);");
		EXPECT_EQ(::testing::internal::GetCapturedStdout(), "value 42 true\n");
	}

	TEST_F(HtmlScript, AMissingSourceScriptIsReportedAndTheOthersRun)
	{
		::testing::internal::CaptureStderr();
		Load("<body><script src='missing.js'></script><script>record('next')</script></body>");
		const std::string printed = ::testing::internal::GetCapturedStderr();
		EXPECT_NE(printed.find("the script \"missing.js\" (" + folder.Path() + "missing.js) is refused: not found"), std::string::npos) << printed;
		EXPECT_EQ(Recorded(), std::vector<std::string>{"next"});
	}
}
