#include "Utilities/v8/JSObject.h"

#include "Utilities/Diagnostics.h"

#include <unordered_map>

namespace
{
	// "Class.member" of each binding; read only when a call is refused.
	std::unordered_map<const CallbackFunc*, std::string>& Labels()
	{
		// Never destroyed: classes free their records at exit, after other statics are gone.
		static auto* labels = new std::unordered_map<const CallbackFunc*, std::string>();
		return *labels;
	}
}

JSObjectBase::~JSObjectBase()
{
	while (first != nullptr)
	{
		JSFuncDesc* record = first;
		first = record->next;
		Labels().erase(record->function);
		delete record->function;
		delete record;
	}
}

void JSObjectBase::Register()
{
	HTMLEngine::RegisterV8Object(className, first, nullptr);
}

v8::Local<v8::Object> JSObjectBase::AddGlobalInstance(const std::string& name, void* native, bool copy)
{
	const v8::Local<v8::Object> wrapper = Wrap(native, copy);
	HTMLEngine::AddGlobalObjInstance(name, wrapper);
	return wrapper;
}

void JSObjectBase::Refuse(const CallbackFunc* binding, const char* problem)
{
	const auto label = Labels().find(binding);
	tw::Diagnostics::Report("Script call " + (label != Labels().end() ? label->second : std::string("?")) + ": " +
		problem + "; it changed nothing and answered undefined");
}

void JSObjectBase::Append(JSFuncDesc* record, const std::string& memberName)
{
	Labels()[record->function] = className == memberName ? "new " + className : className + "." + memberName;
	if (last != nullptr)
		last->next = record;
	else
		first = record;
	last = record;
}
