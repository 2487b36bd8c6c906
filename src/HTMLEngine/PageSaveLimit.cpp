#include "HTMLEngine/PageSaveLimit.h"

#include "HTMLEngine/PageScript.h"
#include "HTMLEngine/ScriptRuntime.h"
#include "Utilities/Diagnostics.h"

#include <v8-context.h>
#include <v8-isolate.h>
#include <v8-object.h>
#include <v8-primitive.h>

namespace
{
	// Kept on the page's global object, so that it ends with the page and a new page starts afresh.
	v8::Local<v8::Private> LastSaveKey(v8::Isolate* isolate)
	{
		return v8::Private::ForApi(isolate, v8::String::NewFromUtf8Literal(isolate, "tw.lastLevelSave"));
	}
}

namespace PageSaveLimit
{
	bool Allow(const std::string& requester)
	{
		// Before the script runtime starts, V8 cannot even be asked for its isolate.
		if (!ScriptRuntime::IsRunning())
			return true;
		v8::Isolate* isolate = ScriptRuntime::Instance().GetIsolate();
		if (!isolate->InContext())
			return true;
		v8::HandleScope scope(isolate);
		// The page whose script asked, also when the save comes through a message or another page's object.
		const v8::Local<v8::Context> page = isolate->GetEnteredOrMicrotaskContext();
		const v8::Local<v8::Object> global = page->Global();
		const std::uint32_t now = ScriptRuntime::Now();
		v8::Local<v8::Value> lastSave;
		if (global->GetPrivate(page, LastSaveKey(isolate)).ToLocal(&lastSave) && lastSave->IsUint32() &&
			now - lastSave.As<v8::Uint32>()->Value() < kIntervalMilliseconds)
		{
			const PageScript* script = PageScript::Of(page);
			const std::string pageName = script != nullptr ? script->GetPageName() : "(ended)";
			tw::Diagnostics::ReportOnce(requester + ": page \"" + pageName +
				"\" saves levels more than once a second; the saves in between are refused");
			return false;
		}
		(void)global->SetPrivate(page, LastSaveKey(isolate), v8::Integer::NewFromUnsigned(isolate, now)).FromMaybe(false);
		return true;
	}
}
