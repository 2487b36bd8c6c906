// PageScript: the script side of one loaded page: its V8 context with the DOM, console, timers and
// everything registered with the engine; running the page's scripts and statements; and
// dispatching events through the DOM. Every entry into the page's scripts is guarded: an uncaught
// exception is reported (page, line, message; once, then counted). An entry that runs over the
// watchdog's budget is stopped and the page loses its timers and event handlers (one diagnostic
// naming the page), so that it costs no more frames; one that exhausts the script memory loses
// its scripts altogether. Statements run afterwards still work.
#pragma once

#include "HTMLEngine/PageSaveLimit.h"
#include "HTMLEngine/ScriptRuntime.h"

#include <v8-context.h>
#include <v8-exception.h>
#include <v8-function.h>
#include <v8-persistent-handle.h>
#include <v8-template.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class HtmlDocument;
class HtmlNode;

class PageScript final : public ScriptRuntime::Page
{
public:
	// What an event carries besides its type and target.
	struct EventDetails
	{
		int keyCode = 0;
		int charCode = 0;
		int clientX = 0;
		int clientY = 0;
		int button = 0;
	};

	// pageName names the page in reports; pageFolder is where relative script sources are.
	PageScript(HtmlDocument& document, std::string pageName, std::string pageFolder);
	~PageScript();
	PageScript(const PageScript&) = delete;
	PageScript& operator=(const PageScript&) = delete;

	// The inline and src scripts in document order, then the load event.
	void RunPageScripts();
	// Runs source in the page; where names its origin in reports.
	void Execute(const std::string& source, const std::string& where);
	// Runs the timers due at the game millisecond now, each at most once.
	void RunTimers(std::uint32_t now);
	// Dispatches the event at target and up through its ancestors to the window, unless a
	// handler stops it. Returns false when a handler called preventDefault.
	bool Dispatch(HtmlNode* target, const std::string& type, const EventDetails& details);

	// True while one of the page's entries runs: what would free the page must wait until it returns.
	bool IsRunning() const
	{
		return running > 0;
	}

	void SetViewSize(int width, int height);
	HtmlDocument& GetDocument()
	{
		return document;
	}
	const std::string& GetPageName() const
	{
		return pageName;
	}

	// The page behind the context a callback runs in; null once that page's script has ended (a
	// script of another page may still call a function it kept from there).
	static PageScript* Of(v8::Local<v8::Context> context);
	// The saves of the view showing the page, which outlive the page.
	void SetSaves(PageSaveLimit::Pane& viewSaves)
	{
		saves = &viewSaves;
	}
	PageSaveLimit::Pane* GetSaves() const
	{
		return saves;
	}

	v8::Local<v8::Context> GetContext() override;
	void Detach() override;

	// Used by the DOM bindings. The node's wrapper and style object, made on first use; none when
	// it cannot be made (while a script is being stopped).
	v8::MaybeLocal<v8::Object> Wrap(HtmlNode& node);
	v8::MaybeLocal<v8::Object> StyleOf(HtmlNode& node);
	void AddTimer(v8::Local<v8::Value> action, double delay, bool repeat, int& id);
	void ClearTimer(int id);
	void AddWindowListener(const std::string& type, v8::Local<v8::Function> listener);
	void Report(const std::string& where, int line, const std::string& message) const;
	int viewWidth = 1;
	int viewHeight = 1;

private:
	// More would only be a page arming timers without end.
	static constexpr std::size_t kMaxTimers = 10000;

	struct Timer
	{
		std::uint32_t due;
		std::uint32_t interval;
		bool repeat;
		v8::Global<v8::Value> action;
	};

	// Watches one entry into the page's scripts: the watchdog's budget and the running count.
	class Entry
	{
	public:
		explicit Entry(PageScript& page);
		~Entry();
		Entry(const Entry&) = delete;
		Entry& operator=(const Entry&) = delete;

	private:
		PageScript& page;
		ScriptWatchdog::Entry watched;
	};

	// Runs a source; the caller holds the entry.
	void Run(const std::string& source, const std::string& where);
	// Runs a timer's action that is not a function, as text.
	void RunText(v8::Local<v8::Value> action);
	// The body's "onload", window.onload, then the window's load listeners.
	void RunLoadHandlers();
	// Calls function with the receiver and arguments under the guards every entry has.
	void Call(v8::Local<v8::Function> function, v8::Local<v8::Value> receiver, std::vector<v8::Local<v8::Value>> arguments,
		const std::string& where);
	// Calls function with the node's wrapper as the receiver, when it has one.
	void CallOn(HtmlNode& node, v8::Local<v8::Function> function, std::vector<v8::Local<v8::Value>> arguments);
	// Reports what the entry's try-catch caught, if anything; a stopped entry silences the page.
	void Settle(v8::TryCatch& caught, const std::string& where);
	// After a stop: no timer or handler of the page runs again; out of memory, no script at all.
	void Silence(bool outOfMemory);
	// True while the page may still run timers and handlers.
	bool Listening() const
	{
		return attached && !silenced;
	}
	// The handler an "on..." attribute or property gives the node for the event type, or empty.
	v8::Local<v8::Function> HandlerOf(HtmlNode& node, const std::string& type);
	void DropHandles();
	// A new object of the template standing for the node, or none.
	v8::MaybeLocal<v8::Object> Instance(const v8::Global<v8::ObjectTemplate>& made, HtmlNode& node);

	v8::Isolate* isolate;
	HtmlDocument& document;
	std::string pageName;
	std::string pageFolder;
	v8::Global<v8::Context> context;
	v8::Global<v8::ObjectTemplate> nodeTemplate;
	v8::Global<v8::ObjectTemplate> styleTemplate;
	v8::Global<v8::FunctionTemplate> eventTemplate;
	// By id, which grows with each timer set.
	std::map<int, Timer> timers;
	int nextTimerId = 1;
	std::vector<std::pair<std::string, v8::Global<v8::Function>>> windowListeners;
	PageSaveLimit::Pane* saves = nullptr;
	bool attached = true;
	bool silenced = false;
	int running = 0;
};
