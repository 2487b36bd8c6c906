#include "Utilities/JavaScript.h"

#include "HTMLEngine/HTMLEngine.h"
#include "Utilities/v8/JSObject.h"

#include <v8-external.h>
#include <v8-function-callback.h>
#include <v8-primitive.h>

#include <vector>

std::string JSValueToStdString(v8::Local<v8::Value> value)
{
	if (value.IsEmpty())
		return std::string();
	v8::Isolate* isolate = v8::Isolate::GetCurrent();
	const v8::String::Utf8Value text(isolate, value);
	return *text != nullptr ? std::string(*text, static_cast<std::size_t>(text.length())) : std::string();
}

namespace
{
	// Set while the host lives.
	JavaScript* liveHost = nullptr;
}

JavaScript& JavaScript::Instance()
{
	static JavaScript host;
	return host;
}

JavaScript::JavaScript()
{
	liveHost = this;
	HTMLEngine::SetShutdownListener(&ReleaseScriptObjects);
}

JavaScript::~JavaScript()
{
	liveHost = nullptr;
	HTMLEngine::SetShutdownListener(nullptr);
	std::vector<JSObjectBase*> newestFirst;
	for (auto& entry : classes)
		newestFirst.push_back(entry.second);
	classes.clear();
	for (JSObjectBase* scriptClass : newestFirst)
		delete scriptClass;
	while (firstGlobal != nullptr)
	{
		JSFuncDesc* record = firstGlobal;
		firstGlobal = record->next;
		delete record->function;
		delete record;
	}
}

void JavaScript::RegisterClass(const std::string& name, JSObjectBase* scriptClass)
{
	classes.insert({name, scriptClass});
}

JSObjectBase* JavaScript::FindClass(const std::string& name) const
{
	const auto found = classes.find(name);
	return found != classes.end() ? found->second : nullptr;
}

v8::Local<v8::Object> JavaScript::Wrap(const std::string& name, void* native, bool copy)
{
	JSObjectBase* scriptClass = FindClass(name);
	return scriptClass != nullptr ? scriptClass->Wrap(native, copy) : v8::Local<v8::Object>();
}

void JavaScript::RegisterWithHTMLEngine()
{
	// The map iterates from the newest entry to the oldest.
	for (auto& entry : classes)
		entry.second->Register();
	if (firstGlobal != nullptr)
		HTMLEngine::RegisterV8Globals(firstGlobal, nullptr);
}

void JavaScript::AddGlobal(JSFuncDesc* record)
{
	record->next = firstGlobal;
	firstGlobal = record;
}

void JavaScript::ForgetNative(const void* native)
{
	if (liveHost == nullptr)
		return;
	for (auto& entry : liveHost->classes)
		entry.second->Forget(native);
}

void JavaScript::ReleaseScriptObjects()
{
	if (liveHost == nullptr)
		return;
	for (auto& entry : liveHost->classes)
		entry.second->ReleaseWrappers();
}

namespace
{
	const CallbackFunc* PayloadOf(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		return static_cast<const CallbackFunc*>(info.Data().As<v8::External>()->Value());
	}

	void CallIntegerGlobal(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		info.GetReturnValue().Set(v8::Integer::New(info.GetIsolate(), PayloadOf(info)->Get<int (*)()>(0)()));
	}

	void CallTextGlobal(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		PayloadOf(info)->Get<void (*)(const std::string&)>(0)(JSValueToStdString(info[0]));
	}

	template <class F>
	bool AddGlobalFunction(F function, const std::string& name, JSCallback handler, int argumentCount)
	{
		CallbackFunc* payload = new CallbackFunc();
		payload->Set(0, function);
		JavaScript::Instance().AddGlobal(new JSFuncDesc(name, handler, payload, argumentCount));
		return true;
	}
}

bool RegisterJSGlobalFunction(int (*function)(), const std::string& name)
{
	return AddGlobalFunction(function, name, &CallIntegerGlobal, 0);
}

bool RegisterJSGlobalFunction(void (*function)(const std::string&), const std::string& name)
{
	return AddGlobalFunction(function, name, &CallTextGlobal, 1);
}
