// Pages for the HTML engine's tests: a fresh engine per test, pages written into a scratch folder,
// pixels read back, and "record(...)", a native global through which a page reports to the test.
#pragma once

#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "HTMLEngine/JSFuncDesc.h"
#include "TempFolder.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <v8-function-callback.h>
#include <v8-primitive.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace test
{
	// The calling thread's processor time, readable from any thread: a script budget counted on it
	// is not stretched by a busy machine.
	inline HTMLEngine::BudgetClock ProcessorTimeOfThisThread()
	{
		clockid_t thread{};
		pthread_getcpuclockid(pthread_self(), &thread);
		return [thread] {
			timespec now{};
			clock_gettime(thread, &now);
			return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
		};
	}

	class HtmlTest : public ::testing::Test
	{
	public:
		// What the pages passed to record(...), one line per call.
		static std::vector<std::string>& Recorded()
		{
			static std::vector<std::string> recorded;
			return recorded;
		}

	protected:
		void SetUp() override
		{
			// Diagnostics print once per run of repeats: each test starts with none pending.
			tw::Diagnostics::Flush();
			HTMLEngine::Initialize(nullptr);
			Recorded().clear();
			HTMLEngine::RegisterV8Globals(&recordFunction, nullptr);
			previousClock = HTMLEngine::SetClock([this] { return now; });
		}
		void TearDown() override
		{
			for (HTMLView* view : views)
				view->Destroy();
			HTMLEngine::SetClock(previousClock);
			HTMLEngine::Destroy();
		}


		// A view showing the page (written as page.html in the scratch folder), updated once.
		HTMLView* Load(const std::string& html, int width = 100, int height = 100, bool transparent = true)
		{
			folder.WriteFile("page.html", html);
			HTMLView* view = HTMLEngine::CreateView(width, height, transparent, false);
			views.push_back(view);
			view->LoadFile(folder.Path() + "page.html");
			HTMLEngine::Update();
			return view;
		}

		// BGRA at (x, y).
		static std::array<int, 4> Pixel(const HTMLView& view, int x, int y)
		{
			const uint8_t* pixel = view.GetPixels() + y * view.GetBytesPerRow() + x * 4;
			return {pixel[0], pixel[1], pixel[2], pixel[3]};
		}

		// Hands the pixels out, as the game does, so that the view is clean.
		static void Take(HTMLView& view)
		{
			view.LockCanvas(false);
			view.UnlockCanvas();
		}

		TempFolder folder;
		std::vector<HTMLView*> views;
		std::uint32_t now = 0;
		JSFuncDesc recordFunction{"record", Record, 1};

	private:
		static void Record(const v8::FunctionCallbackInfo<v8::Value>& info)
		{
			std::string line;
			for (int i = 0; i < info.Length(); ++i)
			{
				if (i > 0)
					line += ' ';
				line += *v8::String::Utf8Value(info.GetIsolate(), info[i]);
			}
			Recorded().push_back(line);
		}

		HTMLEngine::Clock previousClock;
	};
}
