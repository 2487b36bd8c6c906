#include "HtmlTestPage.h"
#include "Utilities/XmlNesting.h"

#include <gtest/gtest.h>

namespace
{
	using HtmlDom = test::HtmlTest;

	constexpr const char* kPage = "<html><body><div id='list' class='menu big'><p id='a'>A</p><p id='b' class='big'>B</p></div>"
								  "<span onclick='x()'>S</span></body></html>";

	TEST_F(HtmlDom, OperationsRoundTrip)
	{
		const struct
		{
			const char* script;
			const char* expected;
		} cases[] = {
			{"record(document.getElementById('a').textContent)", "A"},
			{"record(document.getElementById('missing'))", "null"},
			{"record(document.getElementById('a') === document.getElementById('a'))", "true"},
			{"record(document.getElementsByTagName('p').length, document.getElementsByTagName('P')[1].id)", "2 b"},
			{"record(document.getElementsByClassName('big').length)", "2"},
			{"record(document.getElementById('list').getElementsByClassName('big')[0].id)", "b"},
			{"var e = document.createElement('DIV'); e.id = 'new'; document.body.appendChild(e);"
			 "record(document.getElementById('new').tagName, e.parentNode === document.body)", "DIV true"},
			{"var l = document.getElementById('list'); l.insertBefore(document.createTextNode('t'), document.getElementById('b'));"
			 "record(l.textContent)", "AtB"},
			{"var l = document.getElementById('list'); var r = l.removeChild(document.getElementById('a'));"
			 "record(l.textContent, r.parentNode, l.children.length)", "B null 1"},
			{"var a = document.getElementById('a'); a.textContent = 'changed'; record(a.innerHTML, a.childNodes.length)", "changed 1"},
			{"var l = document.getElementById('list'); l.className = 'x'; record(l.className, l.getAttribute('class'))", "x x"},
			{"var a = document.getElementById('a'); a.setAttribute('Title', 'hi'); record(a.getAttribute('title'), a.getAttribute('none'))",
			 "hi null"},
			{"var a = document.getElementById('a'); a.style.backgroundColor = 'red'; a.style.width = '5px'; a.style.width = '6px';"
			 "record(a.getAttribute('style'), a.style.backgroundColor)", "background-color: red; width: 6px; red"},
			{"record(document.getElementById('a').nextSibling.id, document.getElementById('b').previousSibling.id)", "b a"},
			{"record(document.body.firstChild.id, document.body.lastChild.tagName, document.documentElement.tagName)", "list SPAN HTML"},
			{"record(document.getElementsByTagName('span')[0].getAttribute('onclick'))", "x()"},
			{"record(document.getElementById('list').innerHTML)", "<p id=\"a\">A</p><p id=\"b\" class=\"big\">B</p>"},
			{"record(window.innerWidth, window.innerHeight, window === this)", "120 80 true"},
		};
		for (const auto& c : cases)
		{
			Recorded().clear();
			HTMLView* view = Load(kPage, 120, 80);
			view->ExecuteJavascript(c.script);
			EXPECT_EQ(Recorded(), std::vector<std::string>{c.expected}) << c.script;
		}
	}

	TEST_F(HtmlDom, InnerHtmlWithMarkupRebuildsTheChildren)
	{
		HTMLView* view = Load(kPage);
		view->ExecuteJavascript("var l = document.getElementById('list'); var old = document.getElementById('a');"
								"l.innerHTML = '<b id=\"x\">bold</b> and <i>it&amp;al</i>';"
								"record(l.childNodes.length, document.getElementById('x').textContent, l.textContent,"
								"document.getElementById('a'), old.parentNode)");
		EXPECT_EQ(Recorded(), std::vector<std::string>{"3 bold bold and it&al null null"});
	}

	TEST_F(HtmlDom, TreeChangesThatCannotBeMadeThrowAndChangeNothing)
	{
		HTMLView* view = Load(kPage);
		const char* scripts[] = {
			"var l = document.getElementById('list'); document.getElementById('a').appendChild(l);",
			"document.getElementById('a').removeChild(document.getElementById('b'));",
			"document.body.insertBefore(document.createElement('p'), document.getElementById('a'));",
			"document.body.appendChild({});",
			"document.createElement('a b');",
		};
		for (const char* script : scripts)
		{
			Recorded().clear();
			view->ExecuteJavascript(std::string("try { ") + script + " record('no error'); } catch (e) { record('threw'); }"
																	"record(document.body.textContent)");
			EXPECT_EQ(Recorded(), (std::vector<std::string>{"threw", "ABS"})) << script;
		}
	}

	TEST_F(HtmlDom, PagesNestedUpToTheLimitLoadAndDeeperOnesAreRefused)
	{
		for (const unsigned depth : {tw::kMaxXmlNesting - 2, tw::kMaxXmlNesting - 1})
		{
			// html and body count as two levels.
			std::string page = "<html><body><script>record('ran')</script>";
			for (unsigned i = 0; i < depth; ++i)
				page += "<div>";
			for (unsigned i = 0; i < depth; ++i)
				page += "</div>";
			Recorded().clear();
			::testing::internal::CaptureStderr();
			Load(page + "</body></html>");
			const std::string printed = ::testing::internal::GetCapturedStderr();
			const bool loads = depth + 2 <= tw::kMaxXmlNesting;
			EXPECT_EQ(Recorded().size(), loads ? 1u : 0u) << depth + 2 << " levels";
			EXPECT_EQ(printed.find("nest deeper than 256") != std::string::npos, !loads) << printed;
		}
	}

	TEST_F(HtmlDom, HtmlNestingSkipsVoidElementsAndScriptText)
	{
		std::string voids;
		std::string scripts;
		for (int i = 0; i < 300; ++i)
		{
			voids += "<br><img src='x.png'><input>";
			scripts += "<script>if (a<b && c<d) {}</script>";
		}
		EXPECT_FALSE(tw::HtmlNestsDeeperThan(voids, 4));
		EXPECT_FALSE(tw::HtmlNestsDeeperThan(scripts, 4));
		EXPECT_TRUE(tw::HtmlNestsDeeperThan("<div><span><p><b><i>", 4));
		EXPECT_FALSE(tw::HtmlNestsDeeperThan("<div><span><p><b></b></p></span></div><SCRIPT></SCRIPT>", 4));
	}

	TEST_F(HtmlDom, PagesOverTheSizeLimitAreRefusedNamingTheFile)
	{
		::testing::internal::CaptureStderr();
		Load("<body><script>record('ran')</script>" + std::string(8u << 20, ' ') + "</body>");
		const std::string printed = ::testing::internal::GetCapturedStderr();
		EXPECT_TRUE(Recorded().empty());
		EXPECT_NE(printed.find("page.html) is refused: is "), std::string::npos) << printed;
		EXPECT_NE(printed.find(" bytes, more than the " + std::to_string(8u << 20)), std::string::npos) << printed;
	}

	// Layout never boxes a script's text nor a style element's: each alone holds more words than a
	// page may have boxes, and the page is still laid out and painted.
	TEST_F(HtmlDom, WordsOfScriptsAndStyleSheetsCountNoLayoutBoxes)
	{
		std::string statements;
		std::string rules;
		for (int word = 0; word < 61000; ++word)
		{
			statements += "0; ";
			rules += "i{} ";
		}
		for (const std::string& page : {"<script>" + statements + "record('ran');</script>", "<style>" + rules + "</style>"})
		{
			::testing::internal::CaptureStderr();
			HTMLView* view = Load("<body style='margin: 0'><div style='background: #ff0000; height: 20px'></div>" + page + "</body>",
				40, 40, false);
			const std::string printed = ::testing::internal::GetCapturedStderr();
			EXPECT_EQ(printed.find("is not laid out"), std::string::npos) << printed;
			EXPECT_EQ(Pixel(*view, 5, 5), (std::array<int, 4>{0, 0, 255, 255})) << page.substr(0, 8);
		}
		EXPECT_EQ(Recorded(), std::vector<std::string>{"ran"});
	}

	// Layout reads only the elements a page made, which the box budget counts: an end tag in a style
	// element's text closes nothing, and an attribute name cannot end its tag. The red block is drawn
	// only where it is real content.
	TEST_F(HtmlDom, MarkupInAStyleSheetOrAnAttributeNameIsNeverLaidOut)
	{
		const std::array<int, 4> red{0, 0, 255, 255};
		const std::array<int, 4> white{255, 255, 255, 255};
		const struct
		{
			const char* statements;
			std::array<int, 4> pixel;
		} cases[] = {
			{"style.textContent = '</style>' + block;", white},
			{"style.textContent = '</STYLE >' + block;", white},
			{"style.appendChild(document.createTextNode('</style/>' + block));", white},
			{"try { document.body.setAttribute('x>' + block, ''); } catch (e) {}", white},
			{"style.textContent = 'div { background: #ff0000; height: 20px }';", red},
			{"document.body.innerHTML = block;", red},
		};
		for (const auto& c : cases)
		{
			HTMLView* view = Load("<body style='margin: 0'><style></style><div></div><script>var style = document.getElementsByTagName('style')[0];"
								  "var block = \"<div style='background: #ff0000; height: 20px'></div>\";" +
									  std::string(c.statements) + "</script></body>",
				40, 40, false);
			EXPECT_EQ(Pixel(*view, 5, 5), c.pixel) << c.statements;
		}
	}
}
