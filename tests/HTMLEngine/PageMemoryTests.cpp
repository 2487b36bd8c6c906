#include "HTMLEngine/HtmlDocument.h"
#include "HTMLEngine/HtmlParser.h"
#include "HTMLEngine/PageScript.h"
#include "HtmlTestPage.h"
#include "ResidentMemory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace
{
	class NodeWrappers : public test::HtmlTest
	{
	protected:
		// Runs the statements in a page of its own, collects the garbage, then the document frees
		// what it may; how many nodes it holds then.
		std::size_t NodesAfter(const std::string& statements)
		{
			script.Execute(statements, "page");
			HTMLEngine::GetIsolate()->LowMemoryNotification();
			document.FreeCollected();
			return document.Size();
		}

		HtmlDocument document;
		PageScript script{document, "page", folder.Path()};
	};

	TEST_F(NodeWrappers, ANodeOutOfTheDocumentIsFreedOnceNoScriptReachesIt)
	{
		std::string error;
		ASSERT_TRUE(HtmlParser::ParsePage("<body></body>", document, error));
		const std::size_t blank = NodesAfter("");
		// Each runs after those before it; kept counts the nodes beyond the blank page's then.
		const struct
		{
			const char* statements;
			std::size_t kept;
		} cases[] = {
			{"for (var i = 0; i < 500; ++i) document.body.appendChild(document.createElement('tr'));"
			 "document.body.innerHTML = '';", 0},
			{"for (var i = 0; i < 500; ++i) document.createElement('div').appendChild(document.createTextNode('t'));", 0},
			{"var row = document.createElement('tr'); row.appendChild(document.createElement('td'));", 2},
			{"var style = document.createElement('p').style; row = null;", 1},
			{"var mark = document.createElement('p'); mark.id = 'marked'; mark.note = 7; document.body.appendChild(mark);"
			 "mark = style = null;", 1},
			{"document.body.removeChild(document.getElementById('marked'));", 0},
			{"(function () { for (var i = 0; i < 200; ++i) { var p = document.createElement('p'); document.body.appendChild(p);"
			 " document.createElement('div').appendChild(p); } })();", 0},
		};
		for (const auto& c : cases)
			EXPECT_EQ(NodesAfter(c.statements), blank + c.kept) << c.statements;
	}

	TEST_F(NodeWrappers, ANodeInTheDocumentKeepsWhatScriptsSetOnIt)
	{
		std::string error;
		ASSERT_TRUE(HtmlParser::ParsePage("<body></body>", document, error));
		NodesAfter("var p = document.createElement('p'); p.id = 'kept'; p.note = 'noted'; document.body.appendChild(p); p = null;");
		Recorded().clear();
		script.Execute("record(document.getElementById('kept').note)", "page");
		EXPECT_EQ(Recorded(), std::vector<std::string>{"noted"});
	}

	// Pages of the same markup have nodes of the same ids. A wrapper acts only on the node it was
	// made for: never on another page's node of its id, and never once its page's script has ended,
	// not even on the document it came from (a node freed since could be made again where it was).
	TEST_F(NodeWrappers, AWrapperActsOnlyOnItsOwnNodeWhileItsPageLives)
	{
		const std::string markup = "<body><p id='p'>x</p></body>";
		std::string error;
		HtmlDocument otherDocument;
		for (HtmlDocument* each : {&document, &otherDocument})
			ASSERT_TRUE(HtmlParser::ParsePage(markup, *each, error));
		v8::Isolate* isolate = HTMLEngine::GetIsolate();
		v8::HandleScope scope(isolate);
		v8::Global<v8::Object> ofEndedScript;
		{
			PageScript ended(otherDocument, "ended", folder.Path());
			ofEndedScript.Reset(isolate, ended.Wrap(*otherDocument.FindById("p")).ToLocalChecked());
		}
		PageScript reloaded(otherDocument, "reloaded", folder.Path());
		const struct
		{
			const char* kept;
			PageScript& page;
			v8::Local<v8::Object> wrapper;
		} cases[] = {
			{"another page's node of the same id", script, reloaded.Wrap(*otherDocument.FindById("p")).ToLocalChecked()},
			{"the node of a page whose script has ended", reloaded, ofEndedScript.Get(isolate)},
		};
		for (const auto& c : cases)
		{
			v8::Local<v8::Context> context = c.page.GetContext();
			v8::Context::Scope entered(context);
			context->Global()->Set(context, v8::String::NewFromUtf8Literal(isolate, "kept"), c.wrapper).Check();
			Recorded().clear();
			c.page.Execute("var refused = 0; try { document.body.removeChild(kept); } catch (e) { ++refused; }"
						   "document.body.appendChild.call(kept, document.createElement('b'));"
						   "record(refused, document.getElementsByTagName('p').length, document.getElementsByTagName('b').length)",
				"page");
			EXPECT_EQ(Recorded(), std::vector<std::string>{"1 1 0"}) << c.kept;
		}
	}
}

namespace
{
#if defined(__SANITIZE_ADDRESS__)
	// AddressSanitizer keeps freed memory in quarantine: only the Release build measures growth.
	constexpr int kReloads = 5;
#else
	constexpr int kReloads = 100;
#endif


	using PageReloads = test::HtmlTest;

	TEST_F(PageReloads, AFullScreenPageLoadedAgainAndAgainKeepsNoMemory)
	{
		folder.WriteFile("hud.css", "div { background: #336699; height: 30px; }");
		HTMLView* view = Load("<head><link rel='stylesheet' href='hud.css'></head><body><script>"
			"var rows = []; for (var i = 0; i < 300; ++i) { var d = document.createElement('div'); d.textContent = 'row ' + i;"
			" document.body.appendChild(d); rows.push(d); d.onclick = function() { return rows.length; }; }"
			"setInterval(function() { rows[0].textContent = Date.now(); }, 10);</script></body>", 1280, 1024, false);
		long second = 0;
		for (int load = 1; load <= kReloads; ++load)
		{
			view->LoadFile(folder.Path() + "page.html");
			now += 20;
			HTMLEngine::Update();
			if (load == 2)
				second = test::ResidentKilobytes();
		}
		if (kReloads == 100)
			EXPECT_LT(test::ResidentKilobytes() - second, 20 * 1024);
	}
}
