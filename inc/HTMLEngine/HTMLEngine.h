// HTMLEngine: the library-wide entry points of the HTML engine that the GUI system, the loading
// view and the script bridge use: start-up and shutdown of the script runtime, the per-frame
// update that runs timers, lays out and paints every view, view creation, and the registration
// of native classes, global functions and global objects with the pages' scripts.
//
// Pages are HTML parsed by gumbo into the engine's own DOM, laid out by litehtml, painted with
// cairo and pango, and scripted by V8 (one isolate; one context per view). Everything runs on the
// game thread; a watchdog thread only stops a script that runs too long.
#pragma once

#include <v8-local-handle.h>
#include <v8-object.h>
#include <v8-template.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

class HTMLView;
struct JSFuncDesc;

namespace HTMLEngine
{
	// Starts the script runtime (a V8 isolate); resourcePath may be null and is not used. A view
	// created or a class registered before Initialize starts it too. Always true.
	bool Initialize(const char* resourcePath);
	// Runs due timers, then lays out (at most once) and paints every view that changed.
	void Update();
	// Ends the runtime; every view should have been destroyed before (a view still alive loses its
	// scripts). Registered classes, globals and instances are forgotten with the isolate.
	void Destroy();

	// A new view of the given size (at least 1x1), owned by the caller until HTMLView::Destroy.
	// A transparent view clears to BGRA (0, 0, 0, 0), an opaque one to white.
	HTMLView* CreateView(int width, int height, bool transparent, bool enableAsyncRendering);

	// Makes the class constructible in every page, present and later. first is the constructor
	// record (its callback constructs; instances have two internal fields, native pointer and class
	// tag, left to the callback); the records after it are functions (their CallbackFunc as the
	// call's data) and properties (function-form getter and setter). The records stay the caller's
	// and must outlive the runtime. A second class of the same name replaces the first.
	void RegisterV8Object(const std::string& className, const JSFuncDesc* first, void* reserved);
	// Makes every function of the list callable by name in every page, present and later.
	void RegisterV8Globals(const JSFuncDesc* first, void* reserved);
	// Publishes object under name as a global of every page, present and later.
	void AddGlobalObjInstance(const std::string& name, v8::Local<v8::Object> object);
	// The function template of a registered class in the current isolate (empty when unknown);
	// the script bridge makes wrappers from it.
	v8::Local<v8::FunctionTemplate> ClassTemplate(const std::string& className);
	// The isolate the pages run in, starting the runtime if needed.
	v8::Isolate* GetIsolate();
	// Collects what the pages gone left to the script heap (their contexts, wrappers and nodes)
	// now, as a level change does, instead of when the heap next fills. Nothing when the runtime
	// is not running.
	void CollectGarbage();

	// Called just before the runtime disposes its isolate, while handles can still be reset: weak
	// callbacks never run for the objects left then, so their owner frees them here. Null for none.
	void SetShutdownListener(void (*listener)());

	// The game-millisecond clock timers run on (the engine's millisecond clock unless replaced;
	// tests drive it by hand). Returns the clock it replaced.
	using Clock = std::function<std::uint32_t()>;
	Clock SetClock(Clock clock);

	// The time a page's entry into its scripts may take (its scripts and load event, a frame's
	// timers, an event) before it is stopped: 2 s unless set. Returns the budget it replaced.
	std::chrono::milliseconds SetScriptBudget(std::chrono::milliseconds budget);
	// The clock that budget is counted on: the steady clock unless set (tests count the game
	// thread's processor time, which a busy machine does not stretch). Returns the clock it replaced.
	using BudgetClock = std::function<std::chrono::nanoseconds()>;
	BudgetClock SetScriptBudgetClock(BudgetClock clock);
}
