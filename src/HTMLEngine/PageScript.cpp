#include "HTMLEngine/PageScript.h"

#include "HTMLEngine/DomBindings.h"
#include "HTMLEngine/HtmlDocument.h"
#include "Utilities/Diagnostics.h"

#include <v8-exception.h>
#include <v8-message.h>
#include <v8-primitive.h>
#include <v8-script.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace
{
	constexpr int kPageSlot = 1;

	v8::Local<v8::String> Text(v8::Isolate* isolate, const std::string& text)
	{
		return v8::String::NewFromUtf8(isolate, text.c_str(), v8::NewStringType::kNormal, static_cast<int>(text.size()))
			.ToLocalChecked();
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
}

void PageScript::Detach()
{
	DropHandles();
	attached = false;
}

void PageScript::DropHandles()
{
	document.DropScriptHandles();
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

PageScript& PageScript::Of(v8::Local<v8::Context> context)
{
	return *static_cast<PageScript*>(context->GetAlignedPointerFromEmbedderData(kPageSlot));
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

void PageScript::Settle(v8::TryCatch& caught, const std::string& where)
{
	if (caught.HasTerminated())
	{
		Report(where, 0, "script ran longer than " + std::to_string(ScriptWatchdog::kLimit.count()) + " ms and was stopped");
		isolate->CancelTerminateExecution();
		return;
	}
	if (!caught.HasCaught())
		return;
	v8::Local<v8::Context> current = GetContext();
	v8::String::Utf8Value message(isolate, caught.Exception());
	int line = 0;
	if (v8::Local<v8::Message> details = caught.Message(); !details.IsEmpty())
		line = details->GetLineNumber(current).FromMaybe(0);
	Report(where, line, *message != nullptr ? *message : "exception");
}

void PageScript::Execute(const std::string& source, const std::string& where)
{
	if (!attached)
		return;
	v8::HandleScope scope(isolate);
	v8::Local<v8::Context> current = GetContext();
	v8::Context::Scope entered(current);
	ScriptWatchdog::Entry watched(ScriptRuntime::Instance().GetWatchdog());
	v8::TryCatch caught(isolate);
	v8::ScriptOrigin origin(isolate, Text(isolate, where));
	v8::Local<v8::Script> script;
	if (v8::Script::Compile(current, Text(isolate, source), &origin).ToLocal(&script))
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
	v8::Local<v8::Context> current = GetContext();
	ScriptWatchdog::Entry watched(ScriptRuntime::Instance().GetWatchdog());
	v8::TryCatch caught(isolate);
	const v8::MaybeLocal<v8::Value> result = function->Call(current, receiver, static_cast<int>(arguments.size()), arguments.data());
	(void)result;
	Settle(caught, where);
}

void PageScript::RunPageScripts()
{
	if (!attached)
		return;
	for (HtmlNode* script : document.FindByTag(document.Root(), "script"))
	{
		if (const std::string* source = script->GetAttribute("src"))
		{
			const std::string path = source->rfind('/', 0) == 0 ? *source : pageFolder + *source;
			std::ifstream file(path, std::ios::binary);
			if (!file)
			{
				Report(pageName, 0, "cannot read the script \"" + *source + "\"");
				continue;
			}
			std::ostringstream text;
			text << file.rdbuf();
			Execute(text.str(), path);
		}
		else
			Execute(script->TextContent(), pageName);
		if (!attached)
			return;
	}
	// The load event: the body's handler, then window.onload and the window's listeners.
	v8::HandleScope scope(isolate);
	v8::Local<v8::Context> current = GetContext();
	v8::Context::Scope entered(current);
	if (HtmlNode* body = document.Body())
		if (v8::Local<v8::Function> handler = HandlerOf(*body, "load"); !handler.IsEmpty())
			Call(handler, Wrap(*body), {}, pageName);
	v8::Local<v8::Value> onload;
	if (current->Global()->Get(current, Text(isolate, "onload")).ToLocal(&onload) && onload->IsFunction())
		Call(onload.As<v8::Function>(), current->Global(), {}, pageName);
	for (std::size_t i = 0; i < windowListeners.size(); ++i)
		if (windowListeners[i].first == "load")
			Call(windowListeners[i].second.Get(isolate), current->Global(), {}, pageName);
}

void PageScript::AddTimer(v8::Local<v8::Value> action, double delay, bool repeat, int& id)
{
	const auto milliseconds = static_cast<std::uint32_t>(std::clamp(delay, 0.0, 2147483647.0));
	id = nextTimerId++;
	Timer timer{id, ScriptRuntime::Now() + milliseconds, std::max<std::uint32_t>(milliseconds, 1), repeat, {}};
	timer.action.Reset(isolate, action);
	timers.push_back(std::move(timer));
}

void PageScript::ClearTimer(int id)
{
	timers.erase(std::remove_if(timers.begin(), timers.end(), [id](const Timer& timer) { return timer.id == id; }), timers.end());
}

void PageScript::RunTimers(std::uint32_t now)
{
	if (!attached || timers.empty())
		return;
	v8::HandleScope scope(isolate);
	v8::Local<v8::Context> current = GetContext();
	v8::Context::Scope entered(current);
	// Due now, oldest first; each runs once even if a timer callback adds or clears others.
	std::vector<std::pair<std::uint32_t, int>> due;
	for (const Timer& timer : timers)
		if (static_cast<std::int32_t>(now - timer.due) >= 0)
			due.emplace_back(timer.due, timer.id);
	std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return static_cast<std::int32_t>(a.first - b.first) < 0; });
	for (const auto& entry : due)
	{
		const int id = entry.second;
		const auto found = std::find_if(timers.begin(), timers.end(), [id](const Timer& timer) { return timer.id == id; });
		if (found == timers.end())
			continue;
		v8::Local<v8::Value> action = found->action.Get(isolate);
		if (found->repeat)
			found->due = now + found->interval;
		else
			timers.erase(found);
		if (action->IsFunction())
			Call(action.As<v8::Function>(), current->Global(), {}, pageName);
		else
			Execute(*v8::String::Utf8Value(isolate, action), pageName);
		if (!attached)
			return;
	}
}

void PageScript::AddWindowListener(const std::string& type, v8::Local<v8::Function> listener)
{
	windowListeners.emplace_back(type, v8::Global<v8::Function>(isolate, listener));
}

v8::Local<v8::Object> PageScript::Wrap(HtmlNode& node)
{
	return Instance(node.wrapper, nodeTemplate, node);
}

v8::Local<v8::Object> PageScript::StyleOf(HtmlNode& node)
{
	return Instance(node.styleObject, styleTemplate, node);
}

v8::Local<v8::Object> PageScript::Instance(v8::Global<v8::Object>& slot, const v8::Global<v8::ObjectTemplate>& made, HtmlNode& node)
{
	if (slot.IsEmpty())
	{
		v8::Local<v8::Object> object = made.Get(isolate)->NewInstance(GetContext()).ToLocalChecked();
		object->SetAlignedPointerInInternalField(0, &node);
		slot.Reset(isolate, object);
	}
	return slot.Get(isolate);
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
	v8::ScriptOrigin origin(isolate, Text(isolate, pageName));
	v8::Local<v8::Script> script;
	v8::Local<v8::Value> function;
	if (v8::Script::Compile(current, Text(isolate, "(function(event){" + *attribute + "\n})"), &origin).ToLocal(&script) &&
		script->Run(current).ToLocal(&function) && function->IsFunction())
		return function.As<v8::Function>();
	Settle(caught, pageName);
	return {};
}

bool PageScript::Dispatch(HtmlNode* target, const std::string& type, const EventDetails& details)
{
	if (!attached || target == nullptr)
		return true;
	v8::HandleScope scope(isolate);
	v8::Local<v8::Context> current = GetContext();
	v8::Context::Scope entered(current);
	v8::Local<v8::Object> event = DomBindings::MakeEvent(current, eventTemplate.Get(isolate), type, Wrap(*target), details);
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
			Call(handler, Wrap(*node), {event}, pageName);
		for (std::size_t i = 0; attached && i < node->listeners.size(); ++i)
			if (node->listeners[i].first == type)
				Call(node->listeners[i].second.Get(isolate), Wrap(*node), {event}, pageName);
		if (!attached || DomBindings::PropagationStopped(current, event))
			return !DomBindings::DefaultPrevented(current, event);
	}
	for (std::size_t i = 0; attached && i < windowListeners.size(); ++i)
		if (windowListeners[i].first == type)
			Call(windowListeners[i].second.Get(isolate), current->Global(), {event}, pageName);
	return !DomBindings::DefaultPrevented(current, event);
}
