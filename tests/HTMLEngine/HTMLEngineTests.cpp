#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "HTMLEngine/JSFuncDesc.h"
#include "HtmlTestPage.h"

#include <v8-context.h>
#include <v8-external.h>
#include <v8-isolate.h>
#include <v8-object.h>
#include <v8-primitive.h>

#include <gtest/gtest.h>

namespace
{
	using HTMLEngineTest = test::HtmlTest;

	// A native class written as the script bridge writes its records by hand.
	struct Counter
	{
		int value;
	};

	CallbackFunc addFunction;
	CallbackFunc valueProperty;
	const CallbackFunc* lastCallbackFunc = nullptr;

	Counter* CounterOf(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		return static_cast<Counter*>(info.This()->GetAlignedPointerFromInternalField(0));
	}

	const CallbackFunc* DataOf(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		return static_cast<const CallbackFunc*>(info.Data().As<v8::External>()->Value());
	}

	void Construct(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		static Counter counters[8];
		static int used = 0;
		Counter* counter = &counters[used++ % 8];
		counter->value = info[0]->Int32Value(info.GetIsolate()->GetCurrentContext()).FromMaybe(0);
		info.This()->SetAlignedPointerInInternalField(0, counter);
		info.This()->SetAlignedPointerInInternalField(1, nullptr);
	}

	void Add(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		lastCallbackFunc = DataOf(info);
		CounterOf(info)->value += info[0]->Int32Value(info.GetIsolate()->GetCurrentContext()).FromMaybe(0);
	}

	void GetValue(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		lastCallbackFunc = DataOf(info);
		info.GetReturnValue().Set(CounterOf(info)->value);
	}

	void SetValue(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		CounterOf(info)->value = info[0]->Int32Value(info.GetIsolate()->GetCurrentContext()).FromMaybe(0);
	}

	TEST_F(HTMLEngineTest, HandWrittenRecordsMakeAClassConstructibleInPagesLoadedBeforeAndAfter)
	{
		HTMLView* before = Load("<body></body>");
		JSFuncDesc constructor("Counter", Construct, 1);
		JSFuncDesc add("add", Add, &addFunction, 1);
		JSFuncDesc value("value", GetValue, SetValue, &valueProperty);
		constructor.next = &add;
		add.next = &value;
		HTMLEngine::RegisterV8Object("Counter", &constructor, nullptr);
		HTMLView* after = Load("<body></body>");
		for (HTMLView* view : {before, after})
		{
			Recorded().clear();
			view->ExecuteJavascript("var c = new Counter(5); c.add(2); record(c.value); c.value = 1; record(c.value); void(0);");
			EXPECT_EQ(Recorded(), (std::vector<std::string>{"7", "1"}));
		}
		lastCallbackFunc = nullptr;
		after->ExecuteJavascript("new Counter(1).add(1);");
		EXPECT_EQ(lastCallbackFunc, &addFunction);
		after->ExecuteJavascript("new Counter(1).value;");
		EXPECT_EQ(lastCallbackFunc, &valueProperty);
		v8::HandleScope scope(HTMLEngine::GetIsolate());
		ASSERT_FALSE(HTMLEngine::ClassTemplate("Counter").IsEmpty());
		EXPECT_TRUE(HTMLEngine::ClassTemplate("NoSuchClass").IsEmpty());
	}

	void Named(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		const auto* function = DataOf(info);
		test::HtmlTest::Recorded().push_back(std::to_string(function->Get<int>(0)));
	}

	TEST_F(HTMLEngineTest, GlobalFunctionsAreCalledByNameWithTheirCallbackFunc)
	{
		CallbackFunc functions[3];
		for (int i = 0; i < 3; ++i)
			functions[i].Set(0, 10 + i);
		JSFuncDesc first("TotalHouses", Named, &functions[0], 0);
		JSFuncDesc second("HousesDestroyed", Named, &functions[1], 0);
		JSFuncDesc third("PlaySound", Named, &functions[2], 1);
		first.next = &second;
		second.next = &third;
		HTMLView* before = Load("<body></body>");
		HTMLEngine::RegisterV8Globals(&first, nullptr);
		HTMLView* after = Load("<body></body>");
		for (HTMLView* view : {before, after})
		{
			Recorded().clear();
			view->ExecuteJavascript("PlaySound('click'); HousesDestroyed(); TotalHouses();");
			EXPECT_EQ(Recorded(), (std::vector<std::string>{"12", "11", "10"}));
		}
	}

	TEST_F(HTMLEngineTest, GlobalObjectInstancesReachEveryPage)
	{
		HTMLView* before = Load("<body></body>");
		{
			v8::Isolate* isolate = HTMLEngine::GetIsolate();
			v8::HandleScope scope(isolate);
			v8::Local<v8::Context> context = v8::Context::New(isolate);
			v8::Context::Scope entered(context);
			v8::Local<v8::Object> settings = v8::Object::New(isolate);
			settings->Set(context, v8::String::NewFromUtf8Literal(isolate, "volume"), v8::Integer::New(isolate, 7)).Check();
			HTMLEngine::AddGlobalObjInstance("Settings", settings);
		}
		HTMLView* after = Load("<body></body>");
		for (HTMLView* view : {before, after})
		{
			Recorded().clear();
			view->ExecuteJavascript("record(Settings.volume);");
			EXPECT_EQ(Recorded(), std::vector<std::string>{"7"});
		}
	}

	TEST_F(HTMLEngineTest, EnginesStartAndEndThreeTimesInOneProcess)
	{
		for (int run = 0; run < 3; ++run)
		{
			HTMLEngine::Destroy();
			HTMLEngine::Initialize(nullptr);
			HTMLEngine::RegisterV8Globals(&recordFunction, nullptr);
			Recorded().clear();
			Load("<body><script>record('run')</script></body>");
			EXPECT_EQ(Recorded(), std::vector<std::string>{"run"}) << "run " << run;
			views.back()->Destroy();
			views.pop_back();
		}
	}

	TEST_F(HTMLEngineTest, AViewMadeBeforeInitializeStartsTheEngine)
	{
		HTMLEngine::Destroy();
		HTMLView* view = HTMLEngine::CreateView(40, 40, false, false);
		views.push_back(view);
		folder.WriteFile("early.html", "<body style='background: #0000ff'><script>document.body.className = 'ran';</script></body>");
		view->LoadFile(folder.Path() + "early.html");
		HTMLEngine::Update();
		ASSERT_TRUE(view->IsDirty());
		EXPECT_EQ(Pixel(*view, 20, 20), (std::array<int, 4>{255, 0, 0, 255}));
	}
}
