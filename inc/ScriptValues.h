// How the engine's own values cross to page scripts: a "Message" (copied out of its script object;
// a message result is the script object standing for it, so pushes chain on their receiver), a
// component (its live wrapper under the class of its type name, owned by its object) and an
// "IDPair" (a copy the script object owns).
#pragma once

#include "Component.h"
#include "Message.h"
#include "Object.h"
#include "Utilities/v8/JSObject.h"

template <>
struct ScriptValue<Message>
{
	static bool From(v8::Isolate*, v8::Local<v8::Value> value, Message& out)
	{
		const Message* message = JSObject<Message>::Native(value);
		if (message != nullptr)
			out = *message;
		return message != nullptr;
	}
	static v8::Local<v8::Value> To(v8::Isolate*, const Message& message)
	{
		return JSObject<Message>::WrapNative("Message", const_cast<Message*>(&message), true);
	}
};

template <>
struct ScriptValue<Component*>
{
	static v8::Local<v8::Value> To(v8::Isolate*, Component* component)
	{
		if (component == nullptr)
			return {};
		return JavaScript::Instance().Wrap(component->GetName(), component, false);
	}
};

template <>
struct ScriptValue<IDPair>
{
	static v8::Local<v8::Value> To(v8::Isolate*, const IDPair& pair)
	{
		return JSObject<IDPair>::WrapNative("IDPair", const_cast<IDPair*>(&pair), true);
	}
};
