// The members a bound script class offers, as its records list them: "name" for a writable
// property or a function, "name read-only" for a property without a setter.
#pragma once

#include "HTMLEngine/JSFuncDesc.h"
#include "Utilities/JavaScript.h"
#include "Utilities/v8/JSObject.h"

#include <string>
#include <vector>

namespace test
{
	inline std::vector<std::string> ScriptMembers(const char* className)
	{
		std::vector<std::string> names;
		const JSObjectBase* scriptClass = JavaScript::Instance().FindClass(className);
		if (scriptClass == nullptr)
			return names;
		for (const JSFuncDesc* record = scriptClass->First()->next; record != nullptr; record = record->next)
			names.push_back(record->name + (record->IsProperty() && record->setter == nullptr ? " read-only" : ""));
		return names;
	}
}
