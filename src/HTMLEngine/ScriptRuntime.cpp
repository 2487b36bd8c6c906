#include "HTMLEngine/ScriptRuntime.h"

#include "HTMLEngine/JSFuncDesc.h"
#include "Utilities/Timer.h"

#include <libplatform/libplatform.h>
#include <v8-external.h>
#include <v8-function.h>
#include <v8-initialization.h>
#include <v8-primitive.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace
{
	ScriptRuntime* running = nullptr;

	void (*&ShutdownListener())()
	{
		static void (*listener)() = nullptr;
		return listener;
	}

	std::chrono::milliseconds& Budget()
	{
		static std::chrono::milliseconds budget = ScriptWatchdog::kDefaultBudget;
		return budget;
	}

	ScriptWatchdog::Clock& BudgetClock()
	{
		static ScriptWatchdog::Clock clock = &ScriptWatchdog::SteadyClock;
		return clock;
	}

	std::function<std::uint32_t()>& Clock()
	{
		static std::function<std::uint32_t()> clock = [] { return GetElapsedMilliseconds(); };
		return clock;
	}

	// V8's platform and initialisation happen once per process, on first use: never from a static
	// initialiser, so that programs that never run a page start no V8 threads.
	void StartV8Once()
	{
		static std::unique_ptr<v8::Platform> platform = [] {
			std::unique_ptr<v8::Platform> made = v8::platform::NewDefaultPlatform();
			v8::V8::InitializePlatform(made.get());
			v8::V8::Initialize();
			return made;
		}();
	}

	v8::Local<v8::String> Name(v8::Isolate* isolate, const std::string& name)
	{
		return v8::String::NewFromUtf8(isolate, name.c_str(), v8::NewStringType::kNormal, static_cast<int>(name.size()))
			.FromMaybe(v8::String::Empty(isolate));
	}

	v8::Local<v8::FunctionTemplate> FunctionOf(v8::Isolate* isolate, JSCallback callback, const JSFuncDesc& record,
		int length)
	{
		v8::Local<v8::Value> data;
		if (record.function != nullptr)
			data = v8::External::New(isolate, record.function);
		return v8::FunctionTemplate::New(isolate, callback, data, v8::Local<v8::Signature>(), length);
	}
}

ScriptRuntime& ScriptRuntime::Instance()
{
	if (running == nullptr)
	{
		running = new ScriptRuntime();
		// A runtime still running at exit (a loading view outliving the GUI) ends before V8's
		// platform does, and hands its memory back.
		static const bool shutdownAtExit = std::atexit(Shutdown) == 0;
		(void)shutdownAtExit;
	}
	return *running;
}

bool ScriptRuntime::IsRunning()
{
	return running != nullptr;
}

void ScriptRuntime::Shutdown()
{
	delete running;
	running = nullptr;
}

std::uint32_t ScriptRuntime::Now()
{
	return Clock()();
}

void ScriptRuntime::SetShutdownListener(void (*listener)())
{
	ShutdownListener() = listener;
}

std::chrono::milliseconds ScriptRuntime::SetBudget(std::chrono::milliseconds budget)
{
	const std::chrono::milliseconds replaced = std::exchange(Budget(), budget);
	if (running != nullptr)
		running->watchdog.SetBudget(budget);
	return replaced;
}

std::chrono::milliseconds ScriptRuntime::GetBudget()
{
	return Budget();
}

ScriptWatchdog::Clock ScriptRuntime::SetBudgetClock(ScriptWatchdog::Clock clock)
{
	ScriptWatchdog::Clock replaced = std::exchange(BudgetClock(), clock);
	if (running != nullptr)
		running->watchdog.SetClock(std::move(clock));
	return replaced;
}

std::size_t ScriptRuntime::NearHeapLimit(void* data, std::size_t current, std::size_t)
{
	// The script that allocates is stopped, not the game: the heap grows a little so that it can
	// unwind, and shrinks back once the stopped page has let its memory go. Met outside a page's
	// entry (a context made, a wrapper made by the game, a collection between levels), there is no
	// script to stop, and a stop would fall on whichever page runs next: the heap only grows, and
	// what the pages left is collected at the end of the frame.
	auto* runtime = static_cast<ScriptRuntime*>(data);
	if (runtime->watchdog.IsWatching())
	{
		runtime->memoryExhausted = true;
		runtime->isolate->TerminateExecution();
	}
	else
		runtime->CollectWhenNoScriptRuns();
	return current + (std::size_t{kHeapLimitMegabytes} << 20) / 2;
}

void ScriptRuntime::CollectIfDue()
{
	if (std::exchange(collectionDue, false))
		isolate->LowMemoryNotification();
}

std::function<std::uint32_t()> ScriptRuntime::SetClock(std::function<std::uint32_t()> clock)
{
	return std::exchange(Clock(), std::move(clock));
}

ScriptRuntime::ScriptRuntime()
{
	StartV8Once();
	allocator.reset(v8::ArrayBuffer::Allocator::NewDefaultAllocator());
	v8::Isolate::CreateParams params;
	params.array_buffer_allocator = allocator.get();
	params.constraints.ConfigureDefaultsFromHeapSize(0, std::size_t{kHeapLimitMegabytes} << 20);
	isolate = v8::Isolate::New(params);
	isolate->AddNearHeapLimitCallback(&NearHeapLimit, this);
	isolate->AutomaticallyRestoreInitialHeapLimit();
	watchdog.SetBudget(Budget());
	watchdog.SetClock(BudgetClock());
	// Everything runs on the game thread: the isolate stays entered for its whole life.
	isolate->Enter();
	watchdog.Watch(isolate);
	v8::HandleScope scope(isolate);
	// One token for every page, so that objects pass between them.
	securityToken.Reset(isolate, v8::String::NewFromUtf8Literal(isolate, "Tumblewreck pages"));
}

ScriptRuntime::~ScriptRuntime()
{
	for (Page* page : std::vector<Page*>(pages))
		page->Detach();
	pages.clear();
	if (ShutdownListener() != nullptr)
		ShutdownListener()();
	// Every handle goes before its isolate.
	classes.clear();
	globals.clear();
	instances.clear();
	securityToken.Reset();
	isolate->Exit();
	isolate->Dispose();
}

void ScriptRuntime::RegisterClass(const std::string& name, const JSFuncDesc* first)
{
	if (first == nullptr)
		return;
	v8::HandleScope scope(isolate);
	v8::Local<v8::FunctionTemplate> constructor = FunctionOf(isolate, first->callback, *first, first->argumentCount);
	constructor->SetClassName(Name(isolate, name));
	constructor->InstanceTemplate()->SetInternalFieldCount(2);
	v8::Local<v8::ObjectTemplate> prototype = constructor->PrototypeTemplate();
	for (const JSFuncDesc* record = first->next; record != nullptr; record = record->next)
	{
		if (record->IsProperty())
			prototype->SetAccessorProperty(Name(isolate, record->name), FunctionOf(isolate, record->getter, *record, 0),
				record->setter != nullptr ? FunctionOf(isolate, record->setter, *record, 1) : v8::Local<v8::FunctionTemplate>());
		else
			prototype->Set(Name(isolate, record->name), FunctionOf(isolate, record->callback, *record, record->argumentCount));
	}
	classes[name].Reset(isolate, constructor);
	InstallEverywhere(name, constructor);
}

void ScriptRuntime::RegisterGlobals(const JSFuncDesc* first)
{
	v8::HandleScope scope(isolate);
	for (const JSFuncDesc* record = first; record != nullptr; record = record->next)
	{
		if (record->callback == nullptr)
			continue;
		v8::Local<v8::FunctionTemplate> function = FunctionOf(isolate, record->callback, *record, record->argumentCount);
		globals[record->name].Reset(isolate, function);
		InstallEverywhere(record->name, function);
	}
}

void ScriptRuntime::AddGlobalInstance(const std::string& name, v8::Local<v8::Object> object)
{
	if (object.IsEmpty())
		return;
	instances[name].Reset(isolate, object);
	InstallEverywhere(name, object);
}

v8::Local<v8::FunctionTemplate> ScriptRuntime::ClassTemplate(const std::string& name) const
{
	const auto found = classes.find(name);
	return found == classes.end() ? v8::Local<v8::FunctionTemplate>() : found->second.Get(isolate);
}

v8::Local<v8::Context> ScriptRuntime::Join(Page& page)
{
	v8::EscapableHandleScope scope(isolate);
	v8::Local<v8::Context> context = v8::Context::New(isolate);
	context->SetSecurityToken(securityToken.Get(isolate));
	for (const auto* table : {&classes, &globals})
		for (const auto& [name, function] : *table)
			Install(context, name, function.Get(isolate));
	for (const auto& [name, object] : instances)
		Install(context, name, object.Get(isolate));
	pages.push_back(&page);
	return scope.Escape(context);
}

void ScriptRuntime::Leave(Page& page)
{
	pages.erase(std::remove(pages.begin(), pages.end(), &page), pages.end());
}

void ScriptRuntime::Install(v8::Local<v8::Context> context, const std::string& name, v8::Local<v8::Data> value)
{
	v8::Context::Scope entered(context);
	v8::Local<v8::Value> global = value.As<v8::Value>();
	if (value->IsFunctionTemplate() && !value.As<v8::FunctionTemplate>()->GetFunction(context).ToLocal(&global))
		return;
	// A data property: a page's own setter or read-only global of the same name is replaced,
	// never run.
	(void)context->Global()->DefineOwnProperty(context, Name(isolate, name), global).FromMaybe(false);
}

void ScriptRuntime::InstallEverywhere(const std::string& name, v8::Local<v8::Data> value)
{
	for (Page* page : pages)
		Install(page->GetContext(), name, value);
}
