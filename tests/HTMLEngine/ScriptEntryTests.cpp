#include "HTMLEngine/ScriptRuntime.h"
#include "HTMLEngine/ScriptWatchdog.h"
#include "HtmlTestPage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <v8-statistics.h>

#include <chrono>

namespace
{
	using ::testing::HasSubstr;

	HTMLView*& EntryNavigated()
	{
		static HTMLView* view = nullptr;
		return view;
	}

	// navigate(url): the page's view loads url, as its pane's "LoadURL" does.
	void EntryNavigate(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		EntryNavigated()->LoadURL(*v8::String::Utf8Value(info.GetIsolate(), info[0]));
	}

	class ScriptEntries : public test::HtmlTest
	{
	protected:
		void SetUp() override
		{
			HtmlTest::SetUp();
			// These entries end at once unless their memory stops them: the engine's own budget,
			// on the game thread's processor time, so that no busy machine stops one for time.
			previousBudget = HTMLEngine::SetScriptBudget(ScriptWatchdog::kDefaultBudget);
			previousClock = HTMLEngine::SetScriptBudgetClock(test::ProcessorTimeOfThisThread());
			HTMLEngine::RegisterV8Globals(&navigateFunction, nullptr);
		}
		void TearDown() override
		{
			HtmlTest::TearDown();
			HTMLEngine::SetScriptBudget(previousBudget);
			HTMLEngine::SetScriptBudgetClock(previousClock);
		}

		// Loads the page, then plays frames of pointer, click and key input; what was printed.
		std::string Play(const std::string& page, int frames = 4)
		{
			::testing::internal::CaptureStderr();
			HTMLView* view = Load(page);
			for (int frame = 0; frame < frames; ++frame)
			{
				now += 20;
				view->InjectMouseMove(20.0f + frame, 20.0f);
				view->InjectMouseDown(HTMLView::LeftMouseButton, 1);
				view->InjectMouseUp(HTMLView::LeftMouseButton);
				view->InjectKeyEvent(true, 65, 0, 'a', 0);
				HTMLEngine::Update();
			}
			tw::Diagnostics::Flush();
			return ::testing::internal::GetCapturedStderr();
		}

		std::chrono::milliseconds previousBudget{0};
		HTMLEngine::BudgetClock previousClock;
		JSFuncDesc navigateFunction{"navigate", EntryNavigate, 1};
	};

	TEST_F(ScriptEntries, AScriptOverTheMemoryLimitIsStoppedAndOnlyItsPageLosesItsScripts)
	{
		// Time enough to fill the script memory, even under the sanitizers.
		HTMLEngine::SetScriptBudget(std::chrono::milliseconds(20000));
		const std::string printed = Play("<body onclick=\"record('clicked')\"><script>var kept = [];"
			"for (;;) kept.push(new Array(100000).fill(1.5));</script></body>");
		EXPECT_THAT(printed, HasSubstr(folder.Path() + "page.html:0: script used more than the 128 MB scripts may hold"));
		EXPECT_TRUE(Recorded().empty());
		Load("<body><script>record('another page runs')</script></body>");
		EXPECT_EQ(Recorded(), std::vector<std::string>{"another page runs"});
	}

	TEST_F(ScriptEntries, ANavigationFromThePagesOwnScriptWaitsUntilItsEntryReturned)
	{
		folder.WriteFile("next.html", "<body><script>record('next page')</script></body>");
		const std::string next = "'file:" + folder.Path() + "next.html'";
		const std::string pages[] = {
			"<body onload=\"navigate(" + next + "); record('load ran on', document.body.id)\" id='first'></body>",
			"<body id='first'><script>setTimeout(function() { navigate(" + next + "); record('timer ran on', document.body.id); }, 0);</script></body>",
			"<body id='first' onmousedown=\"navigate(" + next + "); record('handler ran on', document.body.id)\">"
			"<div style='height: 90px'>x</div></body>",
		};
		const char* ran[] = {"load ran on first", "timer ran on first", "handler ran on first"};
		for (std::size_t i = 0; i < std::size(pages); ++i)
		{
			views.push_back(EntryNavigated() = HTMLEngine::CreateView(100, 100, true, false));
			folder.WriteFile("page.html", pages[i]);
			Recorded().clear();
			EntryNavigated()->LoadFile(folder.Path() + "page.html");
			now += 20;
			HTMLEngine::Update();
			EntryNavigated()->InjectMouseMove(20.0f, 20.0f);
			EntryNavigated()->InjectMouseDown(HTMLView::LeftMouseButton, 1);
			HTMLEngine::Update();
			EXPECT_EQ(Recorded(), (std::vector<std::string>{ran[i], "next page"})) << pages[i];
			EXPECT_EQ(EntryNavigated()->GetLoadedFile(), folder.Path() + "next.html");
		}
	}

	// The heap limit met while no page's script runs (the game making script objects, a context, a
	// collection between levels) stops no script: the next page keeps its own. It asks for a
	// collection instead, made at the end of the frame: what was held is back by then.
	TEST_F(ScriptEntries, TheHeapLimitMetOutsideEveryPagesScriptStopsNoPage)
	{
		{
			v8::Isolate* isolate = HTMLEngine::GetIsolate();
			v8::HandleScope scope(isolate);
			const std::string megabyte(1u << 20, 'x');
			std::vector<v8::Local<v8::String>> held;
			for (std::size_t size = 0; size < 3 * (ScriptRuntime::kHeapLimitMegabytes << 20) / 2; size += megabyte.size())
				held.push_back(v8::String::NewFromUtf8(isolate, megabyte.data(), v8::NewStringType::kNormal,
					static_cast<int>(megabyte.size())).ToLocalChecked());
		}
		const std::string printed = Play("<body><script>record('the next page runs')</script></body>", 1);
		EXPECT_EQ(Recorded(), std::vector<std::string>{"the next page runs"});
		EXPECT_THAT(printed, ::testing::Not(HasSubstr("was stopped")));
		v8::HeapStatistics heap;
		HTMLEngine::GetIsolate()->GetHeapStatistics(&heap);
		EXPECT_LT(heap.used_heap_size(), (ScriptRuntime::kHeapLimitMegabytes << 20) / 4);
	}
}
