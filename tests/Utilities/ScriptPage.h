// Pages for the script bridge's tests: a fresh HTML engine with every bound class and global handed
// over, one blank page, and Eval, which runs statements there and returns what they recorded.
#pragma once

#include "../HTMLEngine/HtmlTestPage.h"
#include "Utilities/JavaScript.h"

#include <v8-isolate.h>

#include <string>
#include <vector>

namespace test
{
	class ScriptPageTest : public HtmlTest
	{
	protected:
		void SetUp() override
		{
			HtmlTest::SetUp();
			JavaScript::Instance().RegisterWithHTMLEngine();
			page = Load("<body></body>");
		}

		// What the statements passed to record(...), one entry per call.
		std::vector<std::string> Run(const std::string& statements)
		{
			Recorded().clear();
			page->ExecuteJavascript(statements + " void(0);");
			return Recorded();
		}

		// record(expression) as text; "" when the statement failed.
		std::string Eval(const std::string& expression)
		{
			const std::vector<std::string> lines = Run("record(" + expression + ");");
			return lines.empty() ? std::string() : lines.back();
		}

		// Full collections, so that weak callbacks of unreachable wrappers run.
		static void Collect()
		{
			HTMLEngine::GetIsolate()->LowMemoryNotification();
		}

		HTMLView* page = nullptr;
	};
}
