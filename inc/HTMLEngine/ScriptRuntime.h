// ScriptRuntime: the V8 isolate the pages' scripts run in, with what every page's context receives:
// the registered native classes, global functions and global objects. Contexts register while they
// live, so that a class registered later reaches pages already loaded. The runtime also owns the
// watchdog that stops a script running too long. One runtime exists between HTMLEngine::Initialize
// (or the first use) and HTMLEngine::Destroy.
#pragma once

#include "HTMLEngine/ScriptWatchdog.h"

#include <v8-context.h>
#include <v8-isolate.h>
#include <v8-persistent-handle.h>
#include <v8-template.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct JSFuncDesc;

class ScriptRuntime
{
public:
	// Receives what is registered after it joined the runtime.
	class Page
	{
	public:
		virtual v8::Local<v8::Context> GetContext() = 0;
		// Called when the runtime ends before the page: the page drops every handle it holds.
		virtual void Detach() = 0;

	protected:
		~Page() = default;
	};

	// The running runtime, started on first use.
	static ScriptRuntime& Instance();
	static bool IsRunning();
	static void Shutdown();

	// The game-millisecond clock that page timers run on.
	static std::uint32_t Now();
	static std::function<std::uint32_t()> SetClock(std::function<std::uint32_t()> clock);
	// The time one entry into a page's scripts may take (ScriptWatchdog::kDefaultBudget unless
	// set), for this runtime and those after it. Returns the budget it replaced.
	static std::chrono::milliseconds SetBudget(std::chrono::milliseconds budget);
	static std::chrono::milliseconds GetBudget();
	// The clock the budget is counted on (ScriptWatchdog::SteadyClock unless set), for this
	// runtime and those after it. Returns the clock it replaced.
	static ScriptWatchdog::Clock SetBudgetClock(ScriptWatchdog::Clock clock);
	// What the pages' scripts together may hold; a script that needs more is stopped.
	static constexpr std::size_t kHeapLimitMegabytes = 128;
	// Told just before the isolate is disposed.
	static void SetShutdownListener(void (*listener)());

	ScriptRuntime(const ScriptRuntime&) = delete;
	ScriptRuntime& operator=(const ScriptRuntime&) = delete;

	v8::Isolate* GetIsolate() const
	{
		return isolate;
	}
	ScriptWatchdog& GetWatchdog()
	{
		return watchdog;
	}
	// True once after a script was stopped for running out of memory.
	bool TakeMemoryExhausted()
	{
		return std::exchange(memoryExhausted, false);
	}

	// A stopped page that lets its script's objects go (stopped at the heap limit, or closed) may
	// leave up to the whole heap as garbage, which would be collected only when the heap fills
	// again: the collection is made at the end of the frame, when no script runs.
	void CollectWhenNoScriptRuns()
	{
		collectionDue = true;
	}
	void CollectIfDue();

	void RegisterClass(const std::string& name, const JSFuncDesc* first);
	void RegisterGlobals(const JSFuncDesc* first);
	void AddGlobalInstance(const std::string& name, v8::Local<v8::Object> object);
	v8::Local<v8::FunctionTemplate> ClassTemplate(const std::string& name) const;

	// A new context with everything registered installed, sharing one security token with the
	// others so that objects pass between pages. The page joins the runtime until Leave.
	v8::Local<v8::Context> Join(Page& page);
	void Leave(Page& page);

private:
	ScriptRuntime();
	~ScriptRuntime();

	// Sets a global of the context: an object as it is, a function template as its function there.
	void Install(v8::Local<v8::Context> context, const std::string& name, v8::Local<v8::Data> value);
	void InstallEverywhere(const std::string& name, v8::Local<v8::Data> value);
	static std::size_t NearHeapLimit(void* data, std::size_t current, std::size_t initial);

	std::unique_ptr<v8::ArrayBuffer::Allocator> allocator;
	v8::Isolate* isolate = nullptr;
	ScriptWatchdog watchdog;
	bool memoryExhausted = false;
	bool collectionDue = false;
	v8::Global<v8::Value> securityToken;
	// Insertion order, so that a page sees a replaced class or global under its latest value.
	std::map<std::string, v8::Global<v8::FunctionTemplate>> classes;
	std::map<std::string, v8::Global<v8::FunctionTemplate>> globals;
	std::map<std::string, v8::Global<v8::Object>> instances;
	std::vector<Page*> pages;
};
