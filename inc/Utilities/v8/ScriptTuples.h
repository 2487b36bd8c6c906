// The script math tuples "Tuple2i", "Vec2", "Vec3" and "Vec4": how every vector crosses between
// scripts and the engine. A tuple handed to a script is a copy that the script object owns (or
// the script object already standing for that address, so a function returning its receiver gives
// the receiver back); a tuple taken from a script is copied out by value.
#pragma once

#include "Utilities/Tuple.h"
#include "Utilities/v8/JSObject.h"

#include <v8-array-buffer.h>
#include <v8-container.h>

#include <vector>

v8::Local<v8::Object> MakeScriptTuple2i(const Tuple2<int>* tuple);
v8::Local<v8::Object> MakeScriptVec2(const Tuple2<float>* tuple);
v8::Local<v8::Object> MakeScriptVec3(const Tuple3<float>* tuple);
v8::Local<v8::Object> MakeScriptVec4(const Tuple4<float>* tuple);

// False for a value that is not a tuple of a class at least as large. The two-component classes
// convert into each other by value.
bool UnwrapScriptTuple2i(v8::Local<v8::Value> value, Tuple2<int>& tuple);
bool UnwrapScriptVec2(v8::Local<v8::Value> value, Tuple2<float>& tuple);
bool UnwrapScriptVec3(v8::Local<v8::Value> value, Tuple3<float>& tuple);
bool UnwrapScriptVec4(v8::Local<v8::Value> value, Tuple4<float>& tuple);

template <class Tuple, v8::Local<v8::Object> (*Make)(const Tuple*), bool (*Unwrap)(v8::Local<v8::Value>, Tuple&)>
struct ScriptTuple
{
	static bool From(v8::Isolate*, v8::Local<v8::Value> value, Tuple& out)
	{
		return Unwrap(value, out);
	}
	static v8::Local<v8::Value> To(v8::Isolate*, const Tuple& value)
	{
		return Make(&value);
	}
};

template <>
struct ScriptValue<Tuple2<int>> : ScriptTuple<Tuple2<int>, MakeScriptTuple2i, UnwrapScriptTuple2i>
{
};
template <>
struct ScriptValue<Tuple2<float>> : ScriptTuple<Tuple2<float>, MakeScriptVec2, UnwrapScriptVec2>
{
};
template <>
struct ScriptValue<Tuple3<float>> : ScriptTuple<Tuple3<float>, MakeScriptVec3, UnwrapScriptVec3>
{
};
template <>
struct ScriptValue<Tuple4<float>> : ScriptTuple<Tuple4<float>, MakeScriptVec4, UnwrapScriptVec4>
{
};

// A list as a new script array, element i the script value of entry i. Read back from an array
// up to its first missing index, each element as T reads it; anything but an array is the empty list.
template <class T>
struct ScriptValue<std::vector<T>>
{
	static bool From(v8::Isolate* isolate, v8::Local<v8::Value> value, std::vector<T>& out)
	{
		out.clear();
		if (!value->IsArray())
			return true;
		const v8::Local<v8::Context> context = isolate->GetCurrentContext();
		const v8::Local<v8::Array> array = value.As<v8::Array>();
		for (std::uint32_t i = 0; array->Has(context, i).FromMaybe(false); ++i)
		{
			// A getter of the page's that throws refuses the call as a wrong element does.
			T element{};
			v8::Local<v8::Value> item;
			if (!array->Get(context, i).ToLocal(&item) || !ScriptValue<T>::From(isolate, item, element))
				return false;
			out.push_back(element);
		}
		return true;
	}
	static v8::Local<v8::Value> To(v8::Isolate* isolate, const std::vector<T>& values)
	{
		const v8::Local<v8::Context> context = isolate->GetCurrentContext();
		const v8::Local<v8::Array> array = v8::Array::New(isolate, static_cast<int>(values.size()));
		for (std::size_t i = 0; i < values.size(); ++i)
		{
			const v8::Local<v8::Value> element = ScriptValue<T>::To(isolate, values[i]);
			if (!element.IsEmpty())
				(void)array->CreateDataProperty(context, static_cast<std::uint32_t>(i), element).FromMaybe(false);
		}
		return array;
	}
};
