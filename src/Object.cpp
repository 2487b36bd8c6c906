#include "Object.h"

#include "Component.h"
#include "ComponentFactory.h"
#include "Composition.h"
#include "ObjectStore.h"
#include "Utilities/ScriptClassRegistry.h"

namespace
{
	void RecordObjectFunctions(ScriptClass& scriptClass)
	{
		scriptClass.AddFunction("GetId", 0)
			.AddFunction("GetName", 0)
			.AddFunction("GetComponent", 1)
			.AddFunction("GetComponents", 0)
			.AddFunction("GetAffected", 1)
			.AddFunction("SendMessage", 1);
	}

	[[maybe_unused]] const bool objectScriptClassesRegistered = [] {
		ScriptClassRegistry& registry = ScriptClassRegistry::Instance();
		registry.Register("IDPair", 0).AddProperty("first").AddProperty("second");
		RecordObjectFunctions(registry.Register("ObjectFromName", 2));
		RecordObjectFunctions(registry.Register("ObjectFromId", 1));
		return true;
	}();
}

bool Object::IsDummy() const
{
	return object == &DummyComposition::Instance();
}

unsigned Object::GetId() const
{
	return object->GetId();
}

std::string Object::GetName() const
{
	return object->GetName();
}

Component* Object::GetComponent(const std::string& componentName) const
{
	return object->GetComponent(ComponentTypeIdFromName(componentName.c_str()));
}

std::vector<std::string> Object::GetComponents() const
{
	std::vector<std::string> names;
	if (IsDummy())
		return names;
	for (const auto& entry : object->GetComponents())
		names.push_back(entry.second->GetName());
	return names;
}

std::vector<IDPair> Object::GetAffected(const std::string& messageName) const
{
	const tw::unordered_vector<IDPair> targets = object->GetHandlerTargets(messageName);
	return std::vector<IDPair>(targets.begin(), targets.end());
}

void Object::SendMessage(const Message& message) const
{
	object->HandleMessage(message);
}

Object CreateObject(const std::string& name)
{
	return ObjectStore::Instance().Create(name);
}

Object ObjectFromId(unsigned id)
{
	return ObjectStore::Instance().FromId(id);
}

Component* FindComponent(unsigned objectId, unsigned typeId)
{
	const Object target = ObjectFromId(objectId);
	return target.IsDummy() ? nullptr : target.object->GetComponent(typeId);
}

Object ObjectFromName(const std::string& name, unsigned index)
{
	return ObjectStore::Instance().FromName(name, index);
}

std::vector<unsigned> ObjectIdsByName(const std::string& name)
{
	return ObjectStore::Instance().IdsByName(name);
}

Object FirstObject()
{
	return ObjectStore::Instance().First();
}

Object NextObject(const Object& current)
{
	return ObjectStore::Instance().Next(current);
}

void SendMessageToNamed(const std::string& name, const Message& message)
{
	ObjectStore::Instance().SendToNamed(name, message);
}

void ProcessObjectChanges()
{
	ObjectStore::Instance().ProcessChanges();
}

void DestroyAllObjects()
{
	ObjectStore::Instance().DestroyAll();
}
