#include "ScriptPage.h"
#include "Utilities/v8/JSObject.h"

#include <gtest/gtest.h>

namespace
{
	int Seven()
	{
		return 7;
	}

	[[maybe_unused]] const bool testGlobalsRegistered =
		RegisterJSGlobalFunction(&Seven, "TestGlobalOlder") && RegisterJSGlobalFunction(&Seven, "TestGlobalNewer");

	int wrapTarget = 0;

	struct Stranger
	{
	};

	void WrapUnknown(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		info.GetReturnValue().Set(JavaScript::Instance().Wrap("NoSuchClass", &wrapTarget, true));
	}

	class JavaScriptHost : public test::ScriptPageTest
	{
	};

	TEST_F(JavaScriptHost, AnUnknownClassNameWrapsToAnEmptyHandle)
	{
		JSFuncDesc wrapUnknown{"wrapUnknown", WrapUnknown, 0};
		HTMLEngine::RegisterV8Globals(&wrapUnknown, nullptr);
		EXPECT_EQ(Eval("typeof wrapUnknown()"), "undefined");
		EXPECT_EQ(JavaScript::Instance().FindClass("NoSuchClass"), nullptr);
	}

	TEST_F(JavaScriptHost, ASecondClassUnderATakenNameIsNotEntered)
	{
		JSObjectBase* first = JavaScript::Instance().FindClass("Vec3");
		ASSERT_NE(first, nullptr);
		auto* second = new JSObject<Stranger>("Vec3");
		JavaScript::Instance().RegisterClass("Vec3", second);
		EXPECT_EQ(JavaScript::Instance().FindClass("Vec3"), first);
		delete second;
		JavaScript::Instance().RegisterWithHTMLEngine();
		EXPECT_EQ(Eval("new Vec3().Length()"), "0");
	}

	TEST_F(JavaScriptHost, GlobalsAreHandedOverNewestFirst)
	{
		std::vector<std::string> names;
		for (const JSFuncDesc* record = JavaScript::Instance().FirstGlobal(); record != nullptr; record = record->next)
			names.push_back(record->name);
		const auto newer = std::find(names.begin(), names.end(), "TestGlobalNewer");
		const auto older = std::find(names.begin(), names.end(), "TestGlobalOlder");
		ASSERT_TRUE(newer != names.end() && older != names.end());
		EXPECT_EQ(older - newer, 1);
		EXPECT_EQ(Eval("TestGlobalNewer() + TestGlobalOlder()"), "14");
	}

	TEST_F(JavaScriptHost, EveryClassIsConstructibleAndEveryMemberAndGlobalAnswers)
	{
		const char* const classes[] = {"Engine", "Message", "IDPair", "ObjectFromName", "ObjectFromId", "Tuple2i", "Vec2",
			"Vec3", "Vec4", "Origin", "Transform", "Camera", "DiffuseTexture", "Primitive", "Body", "Lungs", "Suck", "Blow",
			"Spawner", "Popup"};
		std::string script = "var failed = [], answered = 0;";
		for (const char* name : classes)
		{
			const JSObjectBase* scriptClass = JavaScript::Instance().FindClass(name);
			ASSERT_NE(scriptClass, nullptr) << name;
			script += std::string("var o = new ") + name + "('Nobody', 0);";
			for (const JSFuncDesc* record = scriptClass->First()->next; record != nullptr; record = record->next)
			{
				const std::string member = std::string(name) + "." + record->name;
				const std::string use = record->IsProperty() ? "void o['" + record->name + "']"
															 : "o['" + record->name + "']()";
				script += "try { if (!('" + record->name + "' in o)) throw 0; " + use + "; ++answered; } catch (e) { failed.push('" +
					member + "'); }";
			}
		}
		script += "for (var g of ['PlaySound', 'TestGlobalNewer', 'TotalHouses', 'HousesDestroyed']) { try { window[g]('x'); ++answered; } catch (e) { failed.push(g); } }"
				  "record(failed.join(), answered);";
		const std::vector<std::string> lines = Run(script);
		ASSERT_EQ(lines.size(), 1u);
		EXPECT_EQ(lines[0].substr(0, 1), " ") << lines[0];
		EXPECT_GT(std::stoi(lines[0].substr(1)), 90);
	}

	TEST_F(JavaScriptHost, TheEngineCanBeStartedAndEndedThreeTimesInOneProcess)
	{
		for (int round = 0; round < 3; ++round)
		{
			for (HTMLView* view : views)
				view->Destroy();
			views.clear();
			HTMLEngine::Destroy();
			HTMLEngine::Initialize(nullptr);
			HTMLEngine::RegisterV8Globals(&recordFunction, nullptr);
			JavaScript::Instance().RegisterWithHTMLEngine();
			page = Load("<body></body>");
			EXPECT_EQ(Eval("(function () { var v = new Vec3(); v.Set(3, 4, 0); v.x = v.Length(); return v.x; })()"), "5");
		}
	}
}
