#include "HtmlTestPage.h"

#include <gtest/gtest.h>

namespace
{
	using HtmlInput = test::HtmlTest;

	constexpr const char* kButtons =
		"<body style='margin: 0' onclick=\"record('body ' + event.target.id)\">"
		"<div id='outer' style='position: absolute; left: 0; top: 0; width: 60px; height: 60px'>"
		"<div id='button' style='position: absolute; left: 10px; top: 20px; width: 30px; height: 20px'></div></div>"
		"<div id='other' style='position: absolute; left: 70px; top: 0; width: 20px; height: 20px'></div>"
		"<script>document.getElementById('button').onclick = function(e) { record('click', e.clientX, e.clientY, e.button, this.id); };"
		"document.getElementById('outer').addEventListener('mousedown', function(e) { record('down', e.target.id, e.button); });"
		"document.getElementById('outer').addEventListener('mouseup', function(e) { record('up', e.target.id); });</script></body>";

	TEST_F(HtmlInput, AClickFiresOnclickOnceInViewPixelsAndBubbles)
	{
		HTMLView* view = Load(kButtons);
		view->InjectMouseMove(15.0f, 25.0f);
		view->InjectMouseDown(HTMLView::LeftMouseButton, 1);
		view->InjectMouseUp(HTMLView::LeftMouseButton);
		EXPECT_EQ(Recorded(), (std::vector<std::string>{"down button 0", "up button", "click 15 25 0 button", "body button"}));
	}

	TEST_F(HtmlInput, PressAndReleaseOnDifferentElementsGiveNoClick)
	{
		HTMLView* view = Load(kButtons);
		const HTMLView::MouseButton buttons[] = {HTMLView::LeftMouseButton, HTMLView::MiddleMouseButton, HTMLView::RightMouseButton};
		for (int i = 0; i < 3; ++i)
		{
			Recorded().clear();
			view->InjectMouseMove(15.0f, 25.0f);
			view->InjectMouseDown(buttons[i], 1);
			view->InjectMouseMove(75.0f, 5.0f);
			view->InjectMouseUp(buttons[i]);
			EXPECT_EQ(Recorded(), std::vector<std::string>{"down button " + std::to_string(i)});
		}
	}

	// The right button sucks and the middle one is the browser's own: neither presses a page's button,
	// even pressed together with the left one or released by it.
	TEST_F(HtmlInput, OnlyTheLeftButtonClicksTheOthersGiveDownAndUpWithTheirNumber)
	{
		const std::string page = "<body style='margin: 0'><div id='b' style='width: 50px; height: 50px'></div><script>"
								 "['mousedown', 'mouseup', 'click'].forEach(function(type) {"
								 "document.getElementById('b').addEventListener(type, function(e) { record(e.type, e.button); }); });</script></body>";
		using Presses = std::vector<std::pair<bool, HTMLView::MouseButton>>;
		const HTMLView::MouseButton left = HTMLView::LeftMouseButton, middle = HTMLView::MiddleMouseButton,
									right = HTMLView::RightMouseButton;
		const struct
		{
			Presses presses;
			std::vector<std::string> recorded;
		} cases[] = {
			{{{true, left}, {false, left}}, {"mousedown 0", "mouseup 0", "click 0"}},
			{{{true, right}, {false, right}}, {"mousedown 2", "mouseup 2"}},
			{{{true, middle}, {false, middle}}, {"mousedown 1", "mouseup 1"}},
			{{{true, right}, {false, left}, {false, right}}, {"mousedown 2", "mouseup 0", "mouseup 2"}},
			{{{true, left}, {true, right}, {false, right}, {false, left}}, {"mousedown 0", "mousedown 2", "mouseup 2", "mouseup 0", "click 0"}},
		};
		for (const auto& c : cases)
		{
			HTMLView* view = Load(page);
			Recorded().clear();
			view->InjectMouseMove(20.0f, 20.0f);
			for (const auto& [press, button] : c.presses)
				if (press)
					view->InjectMouseDown(button, 1);
				else
					view->InjectMouseUp(button);
			EXPECT_EQ(Recorded(), c.recorded) << c.presses.size() << " presses, first button " << c.presses.front().second;
		}
	}

	TEST_F(HtmlInput, StopPropagationKeepsTheEventFromTheAncestors)
	{
		HTMLView* view = Load(kButtons);
		view->ExecuteJavascript("document.getElementById('button').onclick = function(e) { e.stopPropagation(); record('stopped'); };");
		Recorded().clear();
		view->InjectMouseMove(15.0f, 25.0f);
		view->InjectMouseDown(HTMLView::LeftMouseButton, 1);
		view->InjectMouseUp(HTMLView::LeftMouseButton);
		EXPECT_EQ(Recorded(), (std::vector<std::string>{"down button 0", "up button", "stopped"}));
	}

	TEST_F(HtmlInput, KeysGiveKeydownWithTheVirtualKeyAndKeypressWithTheCharacter)
	{
		HTMLView* view = Load("<body><script>['keydown', 'keypress', 'keyup'].forEach(function(type) {"
							  "document.addEventListener(type, function(e) { record(e.type, e.keyCode, e.charCode); }); });</script></body>");
		view->InjectKeyEvent(true, 0x41, 30, 'a', 0);
		view->InjectKeyEvent(false, 0x41, 30, 'a', 0);
		view->InjectKeyEvent(true, 0x10, 42, 0, 0);
		EXPECT_EQ(Recorded(), (std::vector<std::string>{"keydown 65 0", "keypress 97 97", "keyup 65 0", "keydown 16 0"}));
	}

	TEST_F(HtmlInput, TheWheelScrollsTwentyPixelsAStepOnlyWhenAllowed)
	{
		const std::string tall = "<body style='margin: 0'><div style='height: 1000px'></div></body>";
		const struct
		{
			bool allowed;
			std::vector<float> steps;
			int scroll;
		} cases[] = {
			{false, {-20.0f}, 0},
			{true, {-20.0f}, 20},
			{true, {-20.0f, -20.0f, 20.0f}, 20},
			{true, {20.0f}, 0},
			{true, std::vector<float>(60, -20.0f), 900},
		};
		for (const auto& c : cases)
		{
			HTMLView* view = Load(tall, 100, 100);
			view->SetAllowScollbars(c.allowed);
			HTMLEngine::Update();
			Take(*view);
			for (float step : c.steps)
				view->InjectMouseWheel(step, 0.0f);
			HTMLEngine::Update();
			EXPECT_EQ(view->GetScroll(), c.scroll) << c.steps.size() << " steps, allowed " << c.allowed;
			EXPECT_EQ(view->IsDirty(), c.scroll != 0);
		}
	}

	// The pointer 30 pixels down the view is over the page 30 pixels further down its scroll.
	TEST_F(HtmlInput, TheElementUnderThePointerOfAScrolledPageCountsTheScroll)
	{
		const std::string page = "<body style='margin: 0' onclick=\"record(event.target.id)\"><div id='top' style='height: 60px'></div>"
								 "<div id='low' style='height: 1000px'></div></body>";
		for (const auto& [steps, clicked] : {std::pair{0, "top"}, {2, "low"}})
		{
			HTMLView* view = Load(page, 100, 100);
			view->SetAllowScollbars(true);
			HTMLEngine::Update();
			for (int step = 0; step < steps; ++step)
				view->InjectMouseWheel(-20.0f, 0.0f);
			HTMLEngine::Update();
			Recorded().clear();
			view->InjectMouseMove(15.0f, 30.0f);
			view->InjectMouseDown(HTMLView::LeftMouseButton, 1);
			view->InjectMouseUp(HTMLView::LeftMouseButton);
			EXPECT_EQ(Recorded(), std::vector<std::string>{clicked}) << steps << " wheel steps";
		}
	}

	TEST_F(HtmlInput, HoverRestylesAndDirtiesTheView)
	{
		HTMLView* view = Load("<style>#h { position: absolute; left: 0; top: 0; width: 20px; height: 20px; background: #0000ff; }"
							  "#h:hover { background: #ff0000; }</style><body><div id='h'></div></body>");
		Take(*view);
		view->InjectMouseMove(50.0f, 50.0f);
		HTMLEngine::Update();
		EXPECT_FALSE(view->IsDirty()) << "moving over nothing changes nothing";
		view->InjectMouseMove(5.0f, 5.0f);
		HTMLEngine::Update();
		ASSERT_TRUE(view->IsDirty());
		EXPECT_EQ(Pixel(*view, 5, 5), (std::array<int, 4>{0, 0, 255, 255}));
	}
}
