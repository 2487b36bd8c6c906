// A million "Vec3.DotProduct" calls from a page through the binding template, beside a hand-written
// minimal V8 callback doing the same reads and arithmetic, the same loop in plain JavaScript, and
// the direct C++ call. The ratio to the minimal callback is the template's own cost; V8's call
// cost is in both.
#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/HTMLView.h"
#include "HTMLEngine/JSFuncDesc.h"
#include "Utilities/JavaScript.h"
#include "Utilities/Tuple.h"
#include "Utilities/v8/ScriptTuples.h"

#include <benchmark/benchmark.h>
#include <v8-function-callback.h>
#include <v8-object.h>
#include <v8-primitive.h>

#include <fstream>
#include <string>

namespace
{
	constexpr int kCalls = 1000000;

	// The tuple classes register from their own source, which only a reference links in.
	v8::Local<v8::Object> (*volatile linkTupleClasses)(const Tuple3f*) = &MakeScriptVec3;

	const Tuple3f* TupleIn(v8::Local<v8::Value> value)
	{
		return static_cast<const Tuple3f*>(value.As<v8::Object>()->GetAlignedPointerFromInternalField(0));
	}

	// minimalDot(a, b): the two reads and the sum of products, nothing checked.
	void MinimalDot(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		const Tuple3f& a = *TupleIn(info[0]);
		const Tuple3f& b = *TupleIn(info[1]);
		info.GetReturnValue().Set(static_cast<double>(a.x * b.x + a.y * b.y + a.z * b.z));
	}

	HTMLView* Page()
	{
		static JSFuncDesc minimalDot("minimalDot", MinimalDot, 2);
		static HTMLView* view = [] {
			HTMLEngine::Initialize(nullptr);
			JavaScript::Instance().RegisterWithHTMLEngine();
			HTMLEngine::RegisterV8Globals(&minimalDot, nullptr);
			const std::string path = "/tmp/ScriptCallBenchPage.html";
			std::ofstream(path) << "<body></body>";
			HTMLView* made = HTMLEngine::CreateView(16, 16, true, false);
			made->LoadFile(path);
			HTMLEngine::Update();
			made->ExecuteJavascript("var a = new Vec3(), b = new Vec3(); a.Set(1, 2, 3); b.Set(4, 5, 6);"
									"var pa = {x: 1, y: 2, z: 3}, pb = {x: 4, y: 5, z: 6};"
									"function pureDot(p, q) { return p.x * q.x + p.y * q.y + p.z * q.z; } void(0);");
			return made;
		}();
		return view;
	}

	void RunLoop(benchmark::State& state, const std::string& call)
	{
		HTMLView* page = Page();
		const std::string loop = "var s = 0; for (var i = 0; i < " + std::to_string(kCalls) + "; ++i) s += " + call + "; void(0);";
		for (auto _ : state)
			page->ExecuteJavascript(loop);
		state.SetItemsProcessed(state.iterations() * kCalls);
	}

	void TemplateDotProduct(benchmark::State& state)
	{
		RunLoop(state, "a.DotProduct(b)");
	}
	void MinimalCallback(benchmark::State& state)
	{
		RunLoop(state, "minimalDot(a, b)");
	}
	void PureJavaScript(benchmark::State& state)
	{
		RunLoop(state, "pureDot(pa, pb)");
	}
	void DirectCpp(benchmark::State& state)
	{
		Tuple3f a(1, 2, 3);
		Tuple3f b(4, 5, 6);
		for (auto _ : state)
		{
			benchmark::DoNotOptimize(a);
			benchmark::DoNotOptimize(a.DotProduct(b));
		}
	}
}

BENCHMARK(TemplateDotProduct)->Unit(benchmark::kMillisecond);
BENCHMARK(MinimalCallback)->Unit(benchmark::kMillisecond);
BENCHMARK(PureJavaScript)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectCpp);
