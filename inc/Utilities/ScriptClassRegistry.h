// The registry of the classes that scripts can see: each registration records a class's
// description (name, constructor arity, functions, properties) for the script bridge to hand
// to the script engine when the interface starts. Registrations run from static initialisers,
// so the registry is built on first use.
#pragma once

#include <deque>
#include <string>
#include <vector>

struct ScriptFunction
{
	std::string name;
	unsigned argumentCount;
};

struct ScriptProperty
{
	std::string name;
	bool writable;
};

class ScriptClass
{
public:
	ScriptClass(const std::string& name, unsigned constructorArgumentCount)
		: name(name), constructorArgumentCount(constructorArgumentCount)
	{
	}

	// The adders return the class so that a registration reads as one chain.
	ScriptClass& AddFunction(const std::string& functionName, unsigned argumentCount);
	ScriptClass& AddProperty(const std::string& propertyName);
	ScriptClass& AddReadOnlyProperty(const std::string& propertyName);

	const std::string& GetName() const { return name; }
	unsigned GetConstructorArgumentCount() const { return constructorArgumentCount; }
	const std::vector<ScriptFunction>& GetFunctions() const { return functions; }
	const std::vector<ScriptProperty>& GetProperties() const { return properties; }

private:
	std::string name;
	unsigned constructorArgumentCount;
	std::vector<ScriptFunction> functions;
	std::vector<ScriptProperty> properties;
};

class ScriptClassRegistry
{
public:
	static ScriptClassRegistry& Instance();

	// Starts the description of a class; a class registered again under the same name is
	// replaced, in its original place.
	ScriptClass& Register(const std::string& name, unsigned constructorArgumentCount);
	// Null when no class of that name is registered.
	const ScriptClass* Find(const std::string& name) const;
	// The classes in order of registration; a deque, so a class stays put while others register.
	const std::deque<ScriptClass>& Classes() const { return classes; }

private:
	ScriptClassRegistry() = default;

	std::deque<ScriptClass> classes;
};
