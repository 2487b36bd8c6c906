// JavaScript: the script host through which the game's classes reach the pages' scripts. It keeps
// the bound classes by script name and the global script functions, hands both to the HTML engine
// when the interface starts, and turns a native object into its script object given only its
// class name. Classes and globals register from static initialisers, before main.
#pragma once

#include "HTMLEngine/JSFuncDesc.h"
#include "Utilities/HashMap.h"

#include <v8-local-handle.h>
#include <v8-object.h>

#include <string>

class JSObjectBase;

// A script value's UTF-8 text; a value without text, or an empty handle, gives the empty string.
std::string JSValueToStdString(v8::Local<v8::Value> value);

class JavaScript
{
public:
	static JavaScript& Instance();

	JavaScript(const JavaScript&) = delete;
	JavaScript& operator=(const JavaScript&) = delete;

	// The host owns the class from here on; a second class under a taken name is not entered, and
	// stays its registrant's.
	void RegisterClass(const std::string& name, JSObjectBase* scriptClass);
	// Null when no class of that name is registered.
	JSObjectBase* FindClass(const std::string& name) const;
	// The script object of the native under the named class (see JSObject<T>::Wrap); empty when no
	// class has the name or no page is running script.
	v8::Local<v8::Object> Wrap(const std::string& name, void* native, bool copy);
	// Hands every class, newest first, then the global functions (when there are any) to the HTML
	// engine; called once the engine is initialised, again after each restart of it.
	void RegisterWithHTMLEngine();
	// The global functions, newest first.
	const JSFuncDesc* FirstGlobal() const
	{
		return firstGlobal;
	}
	void AddGlobal(JSFuncDesc* record);

	// A native object is being destroyed: wrappers that stand for it without owning it forget it.
	// Safe before the host is made and after it is gone (prototypes die late at exit).
	static void ForgetNative(const void* native);

private:
	JavaScript();
	~JavaScript();

	// The script runtime is ending: weak callbacks will not run, so every wrapper is dropped now
	// and every native that a script object owned is freed.
	static void ReleaseScriptObjects();

	tw::hash_map<std::string, JSObjectBase*> classes;
	JSFuncDesc* firstGlobal = nullptr;
};

// Binds a native function as the global script function of that name. Returns true, so that a
// static bool can hold the result and the registration runs before main.
bool RegisterJSGlobalFunction(int (*function)(), const std::string& name);
bool RegisterJSGlobalFunction(void (*function)(const std::string&), const std::string& name);
