#include "HTMLEngine/PageScript.h"

#include "HTMLEngine/DomBindings.h"
#include "HTMLEngine/HtmlDocument.h"
#include "HTMLEngine/PageFiles.h"
#include "Utilities/Diagnostics.h"

#include <v8-exception.h>
#include <v8-message.h>
#include <v8-primitive.h>
#include <v8-script.h>

#include <algorithm>
#include <cmath>

namespace
{
	constexpr int kPageSlot = 1;

	v8::Local<v8::String> ScriptString(v8::Isolate* isolate, const std::string& text)
	{
		return v8::String::NewFromUtf8(isolate, text.c_str(), v8::NewStringType::kNormal, static_cast<int>(text.size()))
			.FromMaybe(v8::String::Empty(isolate));
	}
}

PageScript::PageScript(HtmlDocument& document, std::string pageName, std::string pageFolder)
	: isolate(ScriptRuntime::Instance().GetIsolate()), document(document), pageName(std::move(pageName)),
	  pageFolder(std::move(pageFolder))
{
	v8::HandleScope scope(isolate);
	v8::Local<v8::Context> made = ScriptRuntime::Instance().Join(*this);
	made->SetAlignedPointerInEmbedderData(kPageSlot, this);
	context.Reset(isolate, made);
	v8::Context::Scope entered(made);
	nodeTemplate.Reset(isolate, DomBindings::NodeTemplate(isolate));
	styleTemplate.Reset(isolate, DomBindings::StyleTemplate(isolate));
	eventTemplate.Reset(isolate, DomBindings::EventTemplate(isolate));
	DomBindings::InstallGlobals(made, *this);
}

PageScript::~PageScript()
{
	if (!attached)
		return;
	DropHandles();
	ScriptRuntime::Instance().Leave(*this);
	// A stopped script may have filled the heap before it was stopped.
	if (silenced)
		ScriptRuntime::Instance().CollectWhenNoScriptRuns();
}

void PageScript::Detach()
{
	DropHandles();
	attached = false;
}

void PageScript::DropHandles()
{
	document.DropScriptHandles(isolate);
	timers.clear();
	windowListeners.clear();
	nodeTemplate.Reset();
	styleTemplate.Reset();
	eventTemplate.Reset();
	if (!context.IsEmpty())
	{
		v8::HandleScope scope(isolate);
		context.Get(isolate)->SetAlignedPointerInEmbedderData(kPageSlot, nullptr);
	}
	context.Reset();
}

PageScript* PageScript::Of(v8::Local<v8::Context> context)
{
	// A context no page made (the game's own) has no page slot.
	if (context->GetNumberOfEmbedderDataFields() <= kPageSlot)
		return nullptr;
	return static_cast<PageScript*>(context->GetAlignedPointerFromEmbedderData(kPageSlot));
}

v8::Local<v8::Context> PageScript::GetContext()
{
	return context.Get(isolate);
}

void PageScript::SetViewSize(int width, int height)
{
	viewWidth = width;
	viewHeight = height;
}

void PageScript::Report(const std::string& where, int line, const std::string& message) const
{
	tw::Diagnostics::Report(where + ":" + std::to_string(line) + ": " + message);
}

PageScript::Entry::Entry(PageScript& page) : page(page), watched(ScriptRuntime::Instance().GetWatchdog())
{
	++page.running;
}

PageScript::Entry::~Entry()
{
	--page.running;
}

void PageScript::Settle(v8::TryCatch& caught, const std::string& where)
{
	if (caught.HasTerminated())
	{
		const bool outOfMemory = ScriptRuntime::Instance().TakeMemoryExhausted();
		if (!silenced)
			Report(pageName, 0, outOfMemory
					? "script used more than the " + std::to_string(ScriptRuntime::kHeapLimitMegabytes) +
						  " MB scripts may hold and was stopped; the page runs no more script"
					: "script ran longer than " + std::to_string(ScriptRuntime::GetBudget().count()) +
						  " ms and was stopped; the page's timers and event handlers are cleared");
		Silence(outOfMemory);
		return;
	}
	if (!caught.HasCaught())
		return;
	v8::Local<v8::Context> current = isolate->GetCurrentContext();
	v8::String::Utf8Value message(isolate, caught.Exception());
	int line = 0;
	if (v8::Local<v8::Message> details = caught.Message(); !details.IsEmpty())
		line = details->GetLineNumber(current).FromMaybe(0);
	Report(where, line, *message != nullptr ? *message : "exception");
}

void PageScript::Silence(bool outOfMemory)
{
	silenced = true;
	timers.clear();
	windowListeners.clear();
	document.DropHandlers();
	if (!outOfMemory || !attached)
		return;
	// What the page's script holds goes with its context, so that the memory comes back.
	DropHandles();
	ScriptRuntime::Instance().Leave(*this);
	ScriptRuntime::Instance().CollectWhenNoScriptRuns();
	attached = false;
}

void PageScript::Execute(const std::string& source, const std::string& where)
{
	if (!attached)
		return;
	v8::HandleScope scope(isolate);
	v8::Context::Scope entered(GetContext());
	Entry watched(*this);
	Run(source, where);
}

void PageScript::Run(const std::string& source, const std::string& where)
{
	v8::Local<v8::Context> current = GetContext();
	v8::TryCatch caught(isolate);
	v8::ScriptOrigin origin(isolate, ScriptString(isolate, where));
	v8::Local<v8::Script> script;
	if (v8::Script::Compile(current, ScriptString(isolate, source), &origin).ToLocal(&script))
	{
		// What the script leaves is of no use; an exception is settled below.
		const v8::MaybeLocal<v8::Value> result = script->Run(current);
		(void)result;
	}
	Settle(caught, where);
}

void PageScript::Call(v8::Local<v8::Function> function, v8::Local<v8::Value> receiver,
	std::vector<v8::Local<v8::Value>> arguments, const std::string& where)
{
	v8::Local<v8::Context> current = isolate->GetCurrentContext();
	v8::TryCatch caught(isolate);
	const v8::MaybeLocal<v8::Value> result = function->Call(current, receiver, static_cast<int>(arguments.size()), arguments.data());
	(void)result;
	Settle(caught, where);
}

void PageScript::CallOn(HtmlNode& node, v8::Local<v8::Function> function, std::vector<v8::Local<v8::Value>> arguments)
{
	v8::Local<v8::Object> receiver;
	if (Wrap(node).ToLocal(&receiver))
		Call(function, receiver, std::move(arguments), pageName);
}

void PageScript::RunPageScripts()
{
	if (!attached)
		return;
	v8::HandleScope scope(isolate);
	v8::Context::Scope entered(GetContext());
	Entry watched(*this);
	// By id: a script may remove the script elements after it.
	std::vector<unsigned> scripts;
	for (const HtmlNode* script : document.FindByTag(document.Root(), "script"))
		scripts.push_back(script->id);
	for (unsigned id : scripts)
	{
		const HtmlNode* script = document.FromId(id);
		if (script == nullptr)
			continue;
		if (const std::string* source = script->GetAttribute("src"))
		{
			std::string text;
			if (PageFiles::Read(pageName, pageFolder, *source, pageFolder, PageFiles::Kind::Script, text))
				Run(text, pageFolder + *source);
		}
		else
			Run(script->TextContent(), pageName);
		if (!Listening())
			return;
	}
	RunLoadHandlers();
}

void PageScript::RunLoadHandlers()
{
	// The load event: the body's handler, then window.onload and the window's listeners.
	v8::Local<v8::Context> current = GetContext();
	if (HtmlNode* body = document.Body())
		if (v8::Local<v8::Function> handler = HandlerOf(*body, "load"); !handler.IsEmpty())
			CallOn(*body, handler, {});
	if (!Listening())
		return;
	// window.onload may be a getter of the page's own.
	v8::Local<v8::Value> onload;
	{
		v8::TryCatch caught(isolate);
		if (!current->Global()->Get(current, ScriptString(isolate, "onload")).ToLocal(&onload))
		{
			Settle(caught, pageName);
			return;
		}
	}
	if (onload->IsFunction())
		Call(onload.As<v8::Function>(), current->Global(), {}, pageName);
	for (std::size_t i = 0; Listening() && i < windowListeners.size(); ++i)
		if (windowListeners[i].first == "load")
			Call(windowListeners[i].second.Get(isolate), current->Global(), {}, pageName);
}

void PageScript::AddTimer(v8::Local<v8::Value> action, double delay, bool repeat, int& id)
{
	id = 0;
	if (timers.size() >= kMaxTimers)
	{
		Report(pageName, 0, "more than " + std::to_string(kMaxTimers) + " timers; no more are set");
		return;
	}
	const auto milliseconds = static_cast<std::uint32_t>(std::clamp(std::isnan(delay) ? 0.0 : delay, 0.0, 2147483647.0));
	id = nextTimerId++;
	Timer& timer = timers[id];
	timer = Timer{ScriptRuntime::Now() + milliseconds, std::max<std::uint32_t>(milliseconds, 1), repeat, {}};
	timer.action.Reset(isolate, action);
}

void PageScript::ClearTimer(int id)
{
	timers.erase(id);
}

void PageScript::RunTimers(std::uint32_t now)
{
	if (!Listening() || timers.empty())
		return;
	v8::HandleScope scope(isolate);
	v8::Local<v8::Context> current = GetContext();
	v8::Context::Scope entered(current);
	// One budget for the frame's timers together.
	Entry watched(*this);
	// Due now, oldest first; each runs once even if a timer callback adds or clears others.
	std::vector<std::pair<std::uint32_t, int>> due;
	for (const auto& [id, timer] : timers)
		if (static_cast<std::int32_t>(now - timer.due) >= 0)
			due.emplace_back(timer.due, id);
	std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return static_cast<std::int32_t>(a.first - b.first) < 0; });
	for (const auto& entry : due)
	{
		const auto found = timers.find(entry.second);
		if (found == timers.end())
			continue;
		v8::Local<v8::Value> action = found->second.action.Get(isolate);
		if (found->second.repeat)
			found->second.due = now + found->second.interval;
		else
			timers.erase(found);
		if (action->IsFunction())
			Call(action.As<v8::Function>(), current->Global(), {}, pageName);
		else
			RunText(action);
		if (!Listening())
			return;
	}
}

void PageScript::RunText(v8::Local<v8::Value> action)
{
	// The text of an action that is not a function: its toString is the page's own script.
	v8::Local<v8::String> text;
	{
		v8::TryCatch caught(isolate);
		if (!action->ToString(isolate->GetCurrentContext()).ToLocal(&text))
		{
			Settle(caught, pageName);
			return;
		}
	}
	const v8::String::Utf8Value source(isolate, text);
	Run(*source != nullptr ? std::string(*source, static_cast<std::size_t>(source.length())) : std::string(), pageName);
}

void PageScript::AddWindowListener(const std::string& type, v8::Local<v8::Function> listener)
{
	windowListeners.emplace_back(type, v8::Global<v8::Function>(isolate, listener));
}

v8::MaybeLocal<v8::Object> PageScript::Wrap(HtmlNode& node)
{
	if (!node.wrapper.IsEmpty())
		return node.wrapper.Get(isolate);
	v8::Local<v8::Object> object;
	if (!Instance(nodeTemplate, node).ToLocal(&object))
		return {};
	document.AdoptWrapper(node, isolate, object);
	return object;
}

v8::MaybeLocal<v8::Object> PageScript::StyleOf(HtmlNode& node)
{
	if (!node.styleObject.IsEmpty())
		return node.styleObject.Get(isolate);
	// The style object keeps the node's wrapper, and so the node, alive; a style object nothing
	// holds is made again on the next use.
	v8::Local<v8::Object> wrapper;
	v8::Local<v8::Object> style;
	if (!Wrap(node).ToLocal(&wrapper) || !Instance(styleTemplate, node).ToLocal(&style))
		return {};
	v8::Local<v8::Context> current = GetContext();
	(void)style->SetPrivate(current, v8::Private::ForApi(isolate, ScriptString(isolate, "node")), wrapper).FromMaybe(false);
	node.styleObject.Reset(isolate, style);
	node.styleObject.SetWeak();
	return style;
}

v8::MaybeLocal<v8::Object> PageScript::Instance(const v8::Global<v8::ObjectTemplate>& made, HtmlNode& node)
{
	// No other object ever stands in: what stands for a node is bound to it, or is nothing.
	v8::Local<v8::Object> object;
	if (!made.Get(isolate)->NewInstance(GetContext()).ToLocal(&object))
		return {};
	HtmlDocument::BindScriptObject(object, node);
	return object;
}

v8::Local<v8::Function> PageScript::HandlerOf(HtmlNode& node, const std::string& type)
{
	const std::string name = "on" + type;
	for (auto& [key, handler] : node.handlers)
		if (key == name)
			return handler.Get(isolate);
	const std::string* attribute = node.GetAttribute(name);
	if (attribute == nullptr)
		return {};
	// An attribute handler is the body of a function of the event.
	v8::Local<v8::Context> current = GetContext();
	v8::TryCatch caught(isolate);
	v8::ScriptOrigin origin(isolate, ScriptString(isolate, pageName));
	v8::Local<v8::Script> script;
	v8::Local<v8::Value> function;
	if (v8::Script::Compile(current, ScriptString(isolate, "(function(event){" + *attribute + "\n})"), &origin).ToLocal(&script) &&
		script->Run(current).ToLocal(&function) && function->IsFunction())
		return function.As<v8::Function>();
	Settle(caught, pageName);
	return {};
}

bool PageScript::Dispatch(HtmlNode* target, const std::string& type, const EventDetails& details)
{
	if (!Listening() || target == nullptr)
		return true;
	v8::HandleScope scope(isolate);
	v8::Local<v8::Context> current = GetContext();
	v8::Context::Scope entered(current);
	Entry watched(*this);
	v8::Local<v8::Object> targetObject;
	if (!Wrap(*target).ToLocal(&targetObject))
		return true;
	v8::Local<v8::Object> event = DomBindings::MakeEvent(current, eventTemplate.Get(isolate), type, targetObject, details);
	if (event.IsEmpty())
		return true;
	// The path is fixed before any handler runs, as handlers may move nodes.
	std::vector<unsigned> path;
	for (HtmlNode* node = target; node != nullptr; node = node->parent)
		path.push_back(node->id);
	for (unsigned id : path)
	{
		HtmlNode* node = document.FromId(id);
		if (node == nullptr)
			continue;
		if (v8::Local<v8::Function> handler = HandlerOf(*node, type); !handler.IsEmpty())
			CallOn(*node, handler, {event});
		for (std::size_t i = 0; Listening() && document.FromId(id) == node && i < node->listeners.size(); ++i)
			if (node->listeners[i].first == type)
				CallOn(*node, node->listeners[i].second.Get(isolate), {event});
		if (!Listening() || DomBindings::PropagationStopped(current, event))
			return !DomBindings::DefaultPrevented(current, event);
	}
	for (std::size_t i = 0; Listening() && i < windowListeners.size(); ++i)
		if (windowListeners[i].first == type)
			Call(windowListeners[i].second.Get(isolate), current->Global(), {event}, pageName);
	return !DomBindings::DefaultPrevented(current, event);
}
