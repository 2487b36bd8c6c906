#include "Utilities/ScriptClassRegistry.h"

#include <algorithm>

ScriptClass& ScriptClass::AddFunction(const std::string& functionName, unsigned argumentCount)
{
	functions.push_back({ functionName, argumentCount });
	return *this;
}

ScriptClass& ScriptClass::AddProperty(const std::string& propertyName)
{
	properties.push_back({ propertyName, true });
	return *this;
}

ScriptClass& ScriptClass::AddReadOnlyProperty(const std::string& propertyName)
{
	properties.push_back({ propertyName, false });
	return *this;
}

ScriptClassRegistry& ScriptClassRegistry::Instance()
{
	static ScriptClassRegistry registry;
	return registry;
}

ScriptClass& ScriptClassRegistry::Register(const std::string& name, unsigned constructorArgumentCount)
{
	auto existing = std::find_if(classes.begin(), classes.end(),
		[&](const ScriptClass& scriptClass) { return scriptClass.GetName() == name; });
	if (existing != classes.end())
		return *existing = ScriptClass(name, constructorArgumentCount);
	return classes.emplace_back(name, constructorArgumentCount);
}

const ScriptClass* ScriptClassRegistry::Find(const std::string& name) const
{
	auto found = std::find_if(classes.begin(), classes.end(),
		[&](const ScriptClass& scriptClass) { return scriptClass.GetName() == name; });
	return found != classes.end() ? &*found : nullptr;
}
