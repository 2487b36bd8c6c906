// The world of the HTML interface's tests: a window of the size the test asks for, the Graphics
// and GUI systems, pages written into a scratch folder, and "record(...)", the global through
// which a page reports to the test. Needs an X display (xvfb-run).
#pragma once

#include "Components/GUI/HTMLPane.h"
#include "Components/Graphics/GLTest.h"
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "HTMLEngine/JSFuncDesc.h"
#include "Systems/GUI/GUI.h"
#include "TempFolder.h"
#include "Utilities/SearchPaths.h"

#include <v8-function-callback.h>
#include <v8-primitive.h>

#include <string>
#include <vector>

namespace gui_tests
{
	class GuiWorld : public test::GLTest
	{
	public:
		static std::vector<std::string>& Recorded()
		{
			static std::vector<std::string> recorded;
			return recorded;
		}

	protected:
		void SetUp() override { Open(1280, 720); }

		// A fresh engine with a window of that size; extraConfig goes inside the configuration.
		void Open(int width, int height, const std::string& extraConfig = "")
		{
			if (!std::getenv("DISPLAY"))
				GTEST_SKIP() << "needs an X display: run the tests under xvfb-run";
			if (engine)
				GLTest::TearDown();
			engine = std::make_unique<TestEngine>("<Config><Window><Width>" + std::to_string(width) + "</Width><Height>" +
				std::to_string(height) + "</Height><Fullscreen>false</Fullscreen></Window><Graphics/>" + extraConfig + "</Config>");
			engine->engine->AddSystem(new Window());
			graphics = new Graphics();
			engine->engine->AddSystem(graphics);
			gui = new GUI();
			engine->engine->AddSystem(gui);
			HTMLEngine::RegisterV8Globals(&recordFunction, nullptr);
			// Pages load only from the game's folders: the scratch folder is one.
			AddSearchPath(folder.Path());
			Recorded().clear();
		}

		// Writes the page into the scratch folder; returns its path.
		std::string Page(const std::string& name, const std::string& html)
		{
			folder.WriteFile(name, html);
			return folder.Path() + name;
		}

		// An "HTMLPane" element: dimensions "x y w h", a page file, and optionally handlesInput.
		static std::string PaneXml(const std::string& dimensions, const std::string& location,
			const std::string& startupType = "FILE", const std::string& handlesInput = "")
		{
			return test::ComponentXml("HTMLPane", "<Tuple4i>" + dimensions + "</Tuple4i><bool>true</bool><bool>true</bool><string>" +
				startupType + "</string><string>" + location + "</string>" +
				(handlesInput.empty() ? "" : "<bool>" + handlesInput + "</bool>"));
		}

		static std::string PlaneXml(const std::string& bounds)
		{
			return test::ComponentXml("OrthoPlane", "<Tuple4i>" + bounds + "</Tuple4i>");
		}

		static std::string BufferXml(const std::string& size = "16 16")
		{
			return test::ComponentXml("PixelBuffer", "<Tuple2i>" + size + "</Tuple2i><Tuple4i>0 0 16 16</Tuple4i><string>GL_BGRA</string><string>GL_RGBA8</string>");
		}

		// A started pane object centred at (cx, cy) with the size w x h, its page recording events.
		HTMLPane* StartedPane(int cx, int cy, int w, int h, const std::string& html, const std::string& extraXml = "",
			const std::string& name = "Pane")
		{
			const std::string page = Page(name + std::to_string(++pages) + ".html", html);
			Composition* object = StartedObject(test::TransformXml(std::to_string(cx) + " " + std::to_string(cy) + " 0",
				std::to_string(w) + " " + std::to_string(h) + " 1") + PaneXml("0 0 " + std::to_string(w) + " " + std::to_string(h), page) +
				extraXml, name);
			HTMLPane* pane = object->GetComponent<HTMLPane>();
			gui->Update();
			return pane;
		}

		// What the statement passed to record(...) in the pane's page.
		std::vector<std::string> Run(HTMLPane& pane, const std::string& statement)
		{
			Recorded().clear();
			pane.GetView()->ExecuteJavascript(statement + " void(0);");
			return Recorded();
		}

		void Send(const std::string& name, std::initializer_list<int> arguments)
		{
			Message message(name);
			for (int argument : arguments)
				message.PushInt(argument);
			Engine::SendMessage(message);
			gui->Update();
		}

		GUI* gui = nullptr;
		test::TempFolder folder;
		int pages = 0;
		JSFuncDesc recordFunction{"record", Record, 1};

	private:
		static void Record(const v8::FunctionCallbackInfo<v8::Value>& info)
		{
			std::string line;
			for (int i = 0; i < info.Length(); ++i)
				line += (i > 0 ? " " : "") + std::string(*v8::String::Utf8Value(info.GetIsolate(), info[i]));
			Recorded().push_back(line);
		}
	};

	// A page recording every key and mouse event as "type code x y".
	inline const char* kRecordingPage =
		"<body style='margin:0'><div style='width:100%;height:2000px'></div><script>"
		"['keydown','keyup'].forEach(function(t){document.body.addEventListener(t,function(e){record(t,e.keyCode);});});"
		"['mousedown','mouseup'].forEach(function(t){document.body.addEventListener(t,function(e){record(t,e.button,e.clientX,e.clientY);});});"
		"</script></body>";
}
