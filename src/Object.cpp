#include "Object.h"

#include "Component.h"
#include "ComponentFactory.h"
#include "Composition.h"
#include "ObjectStore.h"
#include "ScriptValues.h"
#include "Utilities/v8/ScriptTuples.h"

namespace
{
	// A script handle names its object by id and looks it up at every call, so that a handle kept
	// across a destroy or a level change answers as the "Dummy" object instead of reaching freed
	// memory; an object that took the id since is told apart by its address.
	Object Live(const Object& handle)
	{
		const Object found = ObjectFromId(handle.id);
		return found.object == handle.object ? found : ObjectFromId(0);
	}

	unsigned ScriptGetId(Object& handle)
	{
		return Live(handle).GetId();
	}
	std::string ScriptGetName(Object& handle)
	{
		return Live(handle).GetName();
	}
	Component* ScriptGetComponent(Object& handle, const std::string& componentName)
	{
		return Live(handle).GetComponent(componentName);
	}
	std::vector<std::string> ScriptGetComponents(Object& handle)
	{
		return Live(handle).GetComponents();
	}
	std::vector<IDPair> ScriptGetAffected(Object& handle, const std::string& messageName)
	{
		return Live(handle).GetAffected(messageName);
	}
	void ScriptSendMessage(Object& handle, const Message& message)
	{
		Live(handle).SendMessage(message);
	}

	void BindObjectFunctions(JSObject<Object>& scriptClass)
	{
		scriptClass.AddFunction("GetId", &ScriptGetId)
			.AddFunction("GetName", &ScriptGetName)
			.AddFunction("GetComponent", &ScriptGetComponent)
			.AddFunction("GetComponents", &ScriptGetComponents)
			.AddFunction("GetAffected", &ScriptGetAffected)
			.AddFunction("SendMessage", &ScriptSendMessage);
	}

	Object* MakeObjectFromName(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		int index = 0;
		ScriptValue<int>::From(info.GetIsolate(), info[1], index);
		return new Object(ObjectFromName(JSValueToStdString(info[0]), static_cast<unsigned>(index)));
	}

	Object* MakeObjectFromId(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		unsigned id = 0;
		ScriptValue<unsigned>::From(info.GetIsolate(), info[0], id);
		return new Object(ObjectFromId(id));
	}

	[[maybe_unused]] const bool objectScriptClassesRegistered = [] {
		JSObject<IDPair>::Bind("IDPair", 0).AddMember("first", &IDPair::first).AddMember("second", &IDPair::second);
		BindObjectFunctions(JSObject<Object>::Bind("ObjectFromName", 2, &MakeObjectFromName));
		BindObjectFunctions(JSObject<Object>::Bind("ObjectFromId", 1, &MakeObjectFromId));
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
	// A lookup that finds nothing gives id 0 (the "Dummy" object, whose components are prototypes).
	return target.id == 0 ? nullptr : target.object->GetComponent(typeId);
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
