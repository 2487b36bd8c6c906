#include "HTMLEngine/PageContainer.h"
#include "HTMLEngine/ScriptWatchdog.h"
#include "HtmlTestPage.h"
#include "ResidentMemory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>

namespace
{
	using std::chrono::milliseconds;

	// The budget, a frame and a load are counted in the game thread's processor time, which a busy
	// machine does not stretch. A frame's stop comes once the system gives the watchdog's thread a
	// processor: what the game thread ran while that thread waited for one is not the page's.
	constexpr milliseconds kBudget{100};
	constexpr milliseconds kSlack{50};
	// A load parses up to the page size limit: it may take longer than a frame, never for ever.
	constexpr milliseconds kLoadLimit{3000};
#if defined(__SANITIZE_ADDRESS__)
	// AddressSanitizer keeps freed memory in quarantine: only the Release build measures it.
	constexpr bool kMeasuresMemory = false;
#else
	constexpr bool kMeasuresMemory = true;
#endif
	// What the hostile pages may add to the process: a game holding them stays under 300 MB. Counted
	// from the test's start, so what other tests in the same process left resident is not charged.
	constexpr long kMemoryGrowthLimitMegabytes = 200;

	milliseconds ThreadProcessorTime()
	{
		timespec now{};
		clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
		return milliseconds(now.tv_sec * 1000 + now.tv_nsec / 1000000);
	}

	// How long the page watchdog's thread has waited for a processor while ready to run; zero where
	// the system keeps no such figure. Where it keeps one, a watchdog thread not found by its name
	// fails the test: its wait would silently be charged to the frame.
	milliseconds WatchdogWaitForAProcessor()
	{
		const std::filesystem::path tasks = "/proc/self/task";
		if (!std::filesystem::exists(tasks))
			return milliseconds{0};
		bool found = false;
		std::chrono::nanoseconds waited{0};
		for (const auto& task : std::filesystem::directory_iterator(tasks))
		{
			std::ifstream comm(task.path() / "comm");
			std::string name;
			if (!std::getline(comm, name) || name != ScriptWatchdog::kThreadName)
				continue;
			found = true;
			std::ifstream schedstat(task.path() / "schedstat");
			long long running = 0;
			long long waiting = 0;
			if (schedstat >> running >> waiting)
				waited += std::chrono::nanoseconds(waiting);
		}
		EXPECT_TRUE(found) << "no thread in " << tasks << " is named \"" << ScriptWatchdog::kThreadName << "\"";
		return std::chrono::duration_cast<milliseconds>(waited);
	}

	HTMLView*& Navigated()
	{
		static HTMLView* view = nullptr;
		return view;
	}

	// navigate(url): the page's pane loads url, as a pane's "LoadURL" does.
	void Navigate(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		if (Navigated() != nullptr)
			Navigated()->LoadURL(*v8::String::Utf8Value(info.GetIsolate(), info[0]));
	}

	struct HostileCase
	{
		const char* name;
		std::function<void(const test::TempFolder&)> prepare;
		std::function<std::string()> page;
		// What the diagnostics must say of it ("" when nothing), and whether statements still run.
		const char* printed;
		bool runsStatements;
	};

	std::function<std::string()> Markup(const char* markup)
	{
		return [markup] { return std::string(markup); };
	}

	void Nothing(const test::TempFolder&)
	{
	}

	class HostilePage : public test::HtmlTest
	{
	protected:
		void SetUp() override
		{
			HtmlTest::SetUp();
			previousBudget = HTMLEngine::SetScriptBudget(kBudget);
			previousClock = HTMLEngine::SetScriptBudgetClock(test::ProcessorTimeOfThisThread());
			startMegabytes = test::ResidentKilobytes() / 1024;
			HTMLEngine::RegisterV8Globals(&navigateFunction, nullptr);
		}
		void TearDown() override
		{
			Navigated() = nullptr;
			HtmlTest::TearDown();
			HTMLEngine::SetScriptBudget(previousBudget);
			HTMLEngine::SetScriptBudgetClock(previousClock);
		}

		// Plays a few frames of input and updates; the longest of them.
		milliseconds LongestFrame(HTMLView& view, const char* page)
		{
			milliseconds longest{0};
			for (int frame = 0; frame < 6; ++frame)
			{
				const milliseconds start = ThreadProcessorTime();
				const milliseconds watchdogWaited = WatchdogWaitForAProcessor();
				now += 20;
				view.InjectMouseMove(10.0f + frame, 10.0f);
				view.InjectMouseDown(HTMLView::LeftMouseButton, 1);
				view.InjectMouseUp(HTMLView::LeftMouseButton);
				view.InjectKeyEvent(true, 65, 0, 'a', 0);
				HTMLEngine::Update();
				longest = std::max(longest, ThreadProcessorTime() - start - (WatchdogWaitForAProcessor() - watchdogWaited));
				if (kMeasuresMemory)
					EXPECT_LT(test::ResidentKilobytes() / 1024 - startMegabytes, kMemoryGrowthLimitMegabytes) << page << ", frame " << frame;
			}
			return longest;
		}

		milliseconds previousBudget{0};
		HTMLEngine::BudgetClock previousClock;
		long startMegabytes = 0;
		JSFuncDesc navigateFunction{"navigate", Navigate, 1};
	};

	constexpr const char* kStopped = "script ran longer than 100 ms and was stopped";
	constexpr const char* kAllocatesWithoutEnd = "<body><script>var kept = []; for (;;) kept.push(new Array(100000).fill(1.5));</script></body>";

	const HostileCase kCases[] = {
		{"an onload getter that loops", Nothing,
			Markup("<body><script>Object.defineProperty(window, 'onload', {get: function() { for (;;); }});</script></body>"), kStopped, true},
		{"a timer action whose toString loops", Nothing,
			Markup("<body><script>setTimeout({toString: function() { for (;;); }}, 0);</script></body>"), kStopped, true},
		{"a clientX setter on Object.prototype that loops", Nothing,
			Markup("<body><script>Object.defineProperty(Object.prototype, 'clientX', {set: function() { for (;;); }});"
				   "</script><div style='height: 50px'>x</div></body>"), "", true},
		{"an endless interval", Nothing, Markup("<body><script>setInterval(function() { for (;;); }, 0);</script></body>"), kStopped, true},
		{"an endless event handler", Nothing, Markup("<body onmousemove='for (;;);' onkeydown='for (;;);'>x</body>"), kStopped, true},
		{"intervals arming intervals", Nothing,
			Markup("<body><script>function f() { setInterval(f, 0); setInterval(f, 0); } for (var i = 0; i < 6000; ++i) f();</script></body>"),
			"more than 10000 timers", true},
		{"a throwing clientX setter", Nothing,
			Markup("<body><script>Object.defineProperty(Object.prototype, 'clientX', {set: function() { throw 1; }});"
				   "</script><div>x</div></body>"), "", true},
		{"a throwing index setter on Array.prototype", Nothing,
			Markup("<body><div>x</div><script>Object.defineProperty(Array.prototype, '0', {set: function() { throw 1; }});"
				   "document.getElementsByTagName('div'); document.body.childNodes;</script></body>"), "", true},
		{"a timer action whose toString throws", Nothing,
			Markup("<body><script>setInterval({toString: function() { throw 'no text'; }}, 0);</script></body>"), "page.html:1: no text", true},
		{"a script that allocates without end", Nothing,
			Markup(kAllocatesWithoutEnd), "was stopped", true},
		{"deep recursion", Nothing,
			Markup("<body><script>var e = document.body; for (var i = 0; i < 2000; ++i) { var d = document.createElement('div');"
				   " e.appendChild(d); e = d; } function down(n) { return down(n + 1) + 1; } down(0);</script></body>"),
			"", true},
		{"a page that reloads itself from a timer", Nothing,
			Markup("<body><script>setTimeout(function() { navigate('file:' + location); }, 0);"
				   "document.body.onclick = function() { navigate('file:' + location); };</script></body>"), "", true},
		{"a page that loads another page from a handler", [](const test::TempFolder& folder) { folder.WriteFile("other.html", "<p>o</p>"); },
			Markup("<body onmousedown=\"navigate('file:' + location.replace('page', 'other'))\">x</body>"), "", true},
		{"style sheets importing themselves and each other without end",
			[](const test::TempFolder& folder) {
				folder.WriteFile("self.css", "@import url(self.css); @import 'other.css'; p { color: red; }");
				folder.WriteFile("other.css", "@import 'self.css'; @import 'chain0.css';");
				for (int i = 0; i < 40; ++i)
					folder.WriteFile("chain" + std::to_string(i) + ".css", "@import 'chain" + std::to_string(i + 1) + ".css';");
			},
			Markup("<head><link rel='stylesheet' href='self.css'></head><body><p>x</p></body>"), "more than 32 style sheets", true},
		{"resources that are devices, FIFOs, folders or outside",
			[](const test::TempFolder& folder) {
				EXPECT_EQ(mkfifo((folder.Path() + "fifo").c_str(), 0600), 0);
				std::filesystem::create_directory(folder.Path() + "picture.png");
			},
			Markup("<head><link rel='stylesheet' href='/dev/zero'><link rel='stylesheet' href='fifo'>"
				   "<script src='/dev/zero'></script><script src='fifo'></script><script src='../../../../../etc/hostname'></script>"
				   "</head><body><img src='fifo'><img src='picture.png'><img src='/dev/zero'></body>"),
			"is not a file but a device", true},
		{"a table span of a billion in broken markup", Nothing,
			Markup("<table><tr><td colspan='1000000000' rowspan='1000000000'>x<td colspan=99999999999999999999><tr><td>y"), "", true},
		{"fonts a hundred million pixels and centimetres high", Nothing,
			Markup("<body><p style='font-size: 100000000px; line-height: 100000000px'>x</p><p style='font-size: 100000000cm'>y</p></body>"),
			"", true},
		{"a 10 MB page", Nothing, [] { return "<body>" + std::string(10u << 20, 'a') + "</body>"; }, "more than the 8388608", true},
		{"a page of more tags than a page may hold", Nothing, [] {
			 std::string tags;
			 for (int i = 0; i <= 100000; ++i)
				 tags += "<br>";
			 return tags;
		 }, "more than 100000 tags", false},
		{"a page of words just under the size limit", Nothing, [] {
			 std::string words;
			 while (words.size() < (8u << 20) - 200)
				 words += "ab ";
			 return "<body>" + words + "</body>";
		 }, "is not laid out", true},
	};

	TEST_F(HostilePage, KeepsEachFrameWithinTheBudgetAndTheMemoryAndNeverEndsTheGame)
	{
		for (const HostileCase& hostile : kCases)
		{
			test::TempFolder pageFolder;
			hostile.prepare(pageFolder);
			pageFolder.WriteFile("page.html", "<script>var location = '" + pageFolder.Path() + "page.html';</script>" + hostile.page());
			HTMLView* view = HTMLEngine::CreateView(100, 100, true, false);
			Navigated() = view;
			::testing::internal::CaptureStderr();
			const milliseconds start = ThreadProcessorTime();
			view->LoadFile(pageFolder.Path() + "page.html");
			HTMLEngine::Update();
			const milliseconds loaded = ThreadProcessorTime() - start;
			const milliseconds longest = LongestFrame(*view, hostile.name);
			tw::Diagnostics::Flush();
			const std::string printed = ::testing::internal::GetCapturedStderr();
			EXPECT_LT(loaded, kLoadLimit) << hostile.name;
			EXPECT_LT(longest, kBudget + kSlack) << hostile.name;
			EXPECT_NE(printed.find(hostile.printed), std::string::npos) << hostile.name << ": " << printed;
			Recorded().clear();
			view->ExecuteJavascript("record('runs')");
			EXPECT_EQ(Recorded().size(), hostile.runsStatements ? 1u : 0u) << hostile.name;
			view->Destroy();
			Navigated() = nullptr;
		}
		Recorded().clear();
		Load("<body><script>record('still running')</script></body>");
		EXPECT_EQ(Recorded(), std::vector<std::string>{"still running"});
	}

	// A native that runs the page's own script to read its argument (a toString, a valueOf, a getter)
	// and is stopped or thrown out of there makes no wrapper: the node it would have given keeps a
	// real one for later, and the page still ends cleanly.
	TEST_F(HostilePage, ANativeStoppedWhileReadingItsArgumentGivesNoNode)
	{
		const std::string calls[] = {"document.getElementById", "document.createTextNode", "document.createElement",
			"document.body.getElementsByTagName", "document.getElementsByClassName"};
		const std::string arguments[] = {"{toString: function () { for (;;) {} }}",
			"{toString: null, valueOf: function () { for (;;) {} }}", "{get toString() { for (;;) {} }}",
			"{toString: function () { throw 'no text'; }}"};
		for (const std::string& call : calls)
			for (const std::string& argument : arguments)
			{
				::testing::internal::CaptureStderr();
				HTMLView* view = Load("<body><div id='' class=''>x</div><script>" + call + "(" + argument + ")</script></body>");
				Recorded().clear();
				view->ExecuteJavascript("record(document.getElementById('').tagName, document.body.childNodes.length)");
				::testing::internal::GetCapturedStderr();
				EXPECT_EQ(Recorded(), std::vector<std::string>{"DIV 2"}) << call << "(" << argument << ")";
			}
	}

	// What a stopped script held goes back at the end of the frame in which its page stopped at the
	// heap limit or was closed, not the next time the heap fills: the game would keep 100 MB more.
	TEST_F(HostilePage, StoppedScriptGivesItsHeapBackByTheEndOfTheFrame)
	{
		if (!kMeasuresMemory)
			GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
		for (const milliseconds budget : {kBudget, milliseconds{60000}})
		{
			HTMLEngine::SetScriptBudget(budget);
			folder.WriteFile("page.html", kAllocatesWithoutEnd);
			HTMLView* view = HTMLEngine::CreateView(100, 100, true, false);
			::testing::internal::CaptureStderr();
			view->LoadFile(folder.Path() + "page.html");
			HTMLEngine::Update();
			view->Destroy();
			HTMLEngine::Update();
			const std::string printed = ::testing::internal::GetCapturedStderr();
			EXPECT_NE(printed.find("was stopped"), std::string::npos) << printed;
			EXPECT_LT(test::ResidentKilobytes() / 1024 - startMegabytes, 25) << "budget " << budget.count() << " ms";
		}
	}

	// Each sheet up to the limit paints its own row red; the one past it is left out, not only told.
	TEST_F(HostilePage, AStyleSheetPastTheImportLimitIsLeftOut)
	{
		std::string links;
		std::string rows;
		for (int sheet = 0; sheet <= PageContainer::kMaxImports; ++sheet)
		{
			const std::string name = "row" + std::to_string(sheet);
			folder.WriteFile(name + ".css", "#" + name + " { background: #ff0000; }");
			links += "<link rel='stylesheet' href='" + name + ".css'>";
			rows += "<div id='" + name + "' style='height: 2px'></div>";
		}
		::testing::internal::CaptureStderr();
		HTMLView* view = Load("<head>" + links + "</head><body style='margin: 0'>" + rows + "</body>", 10, 100, false);
		tw::Diagnostics::Flush();
		const std::string printed = ::testing::internal::GetCapturedStderr();
		for (int sheet = 0; sheet <= PageContainer::kMaxImports; ++sheet)
			EXPECT_EQ(Pixel(*view, 5, 2 * sheet) == (std::array<int, 4>{0, 0, 255, 255}), sheet < PageContainer::kMaxImports) << sheet;
		EXPECT_NE(printed.find("row" + std::to_string(PageContainer::kMaxImports) + ".css\" is not imported"), std::string::npos) << printed;
	}
}
