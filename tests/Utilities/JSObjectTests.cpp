#include "ScriptPage.h"
#include "Utilities/v8/ScriptTuples.h"

#include <gtest/gtest.h>

namespace
{
	// A native class bound only for these tests; it counts its live instances.
	struct ScriptGauge
	{
		ScriptGauge() { ++live; }
		ScriptGauge(const ScriptGauge& other) : level(other.level), count(other.count) { ++live; }
		~ScriptGauge() { --live; }
		int Add(int amount) { return level += amount; }

		static inline int live = 0;
		int level = 0;
		unsigned count = 0;
	};

	ScriptGauge sharedGauge;

	[[maybe_unused]] const bool gaugeBound = [] {
		JSObject<ScriptGauge>::Bind("TestGauge", 0).AddMember("level", &ScriptGauge::level).AddMember("count", &ScriptGauge::count).AddFunction(
			"Add", &ScriptGauge::Add);
		return true;
	}();

	void WrapShared(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		info.GetReturnValue().Set(JavaScript::Instance().Wrap("TestGauge", &sharedGauge, info[0]->IsTrue()));
	}

	class JSObjectTemplate : public test::ScriptPageTest
	{
	protected:
		void SetUp() override
		{
			ScriptPageTest::SetUp();
			HTMLEngine::RegisterV8Globals(&wrapShared, nullptr);
			sharedGauge.level = 0;
		}

		JSFuncDesc wrapShared{"wrapShared", WrapShared, 1};
	};

	TEST_F(JSObjectTemplate, WrappingWithoutCopyGivesOneObjectAndWithCopyANewOneEachTime)
	{
		EXPECT_EQ(Eval("(function () { var a = wrapShared(true), b = wrapShared(true); a.level = 5;"
			" return (a !== b) + ' ' + b.level; })()"),
			"true 0");
		EXPECT_EQ(sharedGauge.level, 0);
		EXPECT_EQ(Eval("wrapShared(false) === wrapShared(false)"), "true");
	}

	TEST_F(JSObjectTemplate, ACopyOfAnAlreadyWrappedNativeIsTheExistingObject)
	{
		EXPECT_EQ(Eval("(function () { var shared = wrapShared(false); return wrapShared(true) === shared; })()"), "true");
		// Normalize returns its receiver's own tuple, which the result wraps with copy.
		EXPECT_EQ(Eval("(function () { var v = new Vec2(); v.Set(3, 4); return v.Normalize() === v; })()"), "true");
	}

	TEST_F(JSObjectTemplate, ACollectedCopyIsFreedAndItsEntryErased)
	{
		const int before = ScriptGauge::live;
		Run("for (var i = 0; i < 20; ++i) { wrapShared(true); new TestGauge(); }");
		EXPECT_EQ(ScriptGauge::live, before + 40);
		Collect();
		EXPECT_EQ(ScriptGauge::live, before);
		// The erased entries leave no stale object behind: a new copy is a fresh one.
		EXPECT_EQ(Eval("wrapShared(true).level"), "0");
	}

	TEST_F(JSObjectTemplate, ExtraArgumentsPickTheObjectWorkedOn)
	{
		EXPECT_EQ(Eval("(function () { var a = new TestGauge(), b = new TestGauge(); a.Add(2, b);"
			" return a.level + ' ' + b.level; })()"), "0 2");
		EXPECT_EQ(Eval("(function () { var a = new TestGauge(), b = new TestGauge();"
			" Object.getOwnPropertyDescriptor(TestGauge.prototype, 'level').set.call(a, 7, b);"
			" return a.level + ' ' + b.level; })()"), "0 7");
	}

	TEST_F(JSObjectTemplate, PropertiesConvertAsTheNativeTypeSays)
	{
		const struct
		{
			const char* statement;
			const char* expected;
		} rows[] = {
			{"g.level = 'abc'; return g.level;", "0"},
			{"g.level = 3.9; return g.level;", "3"},
			{"g.count = 2147483648; return g.count;", "-2147483648"},
			{"g.count = -1; return g.count;", "-1"},
			{"g.count = {}; return g.count;", "0"},
		};
		for (const auto& row : rows)
			EXPECT_EQ(Eval(std::string("(function () { var g = new TestGauge(); g.level = 9; g.count = 9; ") + row.statement +
						  " })()"),
				row.expected)
				<< row.statement;
	}

	TEST_F(JSObjectTemplate, AReceiverOrArgumentOfAnotherClassChangesNothingAndAnswersUndefined)
	{
		tw::Diagnostics::Flush();
		::testing::internal::CaptureStderr();
		EXPECT_EQ(Eval("TestGauge.prototype.Add.call(new Vec3(), 1)"), "undefined");
		EXPECT_EQ(Eval("TestGauge.prototype.Add.call({}, 1)"), "undefined");
		EXPECT_EQ(Eval("TestGauge.prototype.Add.call(7, 1)"), "undefined");
		EXPECT_EQ(Eval("(function () { var g = new TestGauge(); g.Add(1, new Vec3()); return g.level; })()"), "0");
		EXPECT_EQ(Eval("new Vec3().DotProduct(new Vec2())"), "undefined");
		tw::Diagnostics::Flush();
		const std::string printed = ::testing::internal::GetCapturedStderr();
		EXPECT_NE(printed.find("Script call TestGauge.Add: the receiver is not a live object"), std::string::npos) << printed;
		EXPECT_NE(printed.find("Script call Vec3.DotProduct: an argument is not of the class"), std::string::npos) << printed;
	}

	TEST_F(JSObjectTemplate, RuntimeEndFreesWhatScriptObjectsOwn)
	{
		const int before = ScriptGauge::live;
		Run("var kept = new TestGauge(); var copy = wrapShared(true);");
		EXPECT_EQ(ScriptGauge::live, before + 2);
		for (HTMLView* view : views)
			view->Destroy();
		views.clear();
		HTMLEngine::Destroy();
		EXPECT_EQ(ScriptGauge::live, before);
		HTMLEngine::Initialize(nullptr);
	}

	TEST_F(JSObjectTemplate, AConstructorGivenAnObjectOfItsClassAfterItsArgumentsGivesThatObject)
	{
		EXPECT_EQ(Eval("(function () { var a = new TestGauge(); a.level = 4; var b = new TestGauge(a);"
			" return (b === a) + ' ' + b.level; })()"), "true 4");
		EXPECT_EQ(Eval("(function () { var b = new TestGauge({}); return b.level; })()"), "0");
	}
}
