// ScriptValue<T>: how a native value of type T crosses to and from a page's script. From reads an
// argument or property value (false refuses the whole call: a value of the wrong script class);
// To makes the script value of a result (an empty handle reads as undefined). Numbers that are
// not numbers give 0, as pages were written for; other bound types add their own specialisations.
#pragma once

#include <v8-context.h>
#include <v8-isolate.h>
#include <v8-local-handle.h>
#include <v8-primitive.h>
#include <v8-value.h>

#include <cstdint>
#include <string>

std::string JSValueToStdString(v8::Local<v8::Value> value);

template <class T>
struct ScriptValue;

namespace ScriptValueDetail
{
	inline std::int32_t Int32Of(v8::Isolate* isolate, v8::Local<v8::Value> value)
	{
		return value->IsNumber() ? value->Int32Value(isolate->GetCurrentContext()).FromMaybe(0) : 0;
	}
	inline std::uint32_t Uint32Of(v8::Isolate* isolate, v8::Local<v8::Value> value)
	{
		return value->IsNumber() ? value->Uint32Value(isolate->GetCurrentContext()).FromMaybe(0u) : 0u;
	}
	inline double NumberOf(v8::Local<v8::Value> value)
	{
		return value->IsNumber() ? value.As<v8::Number>()->Value() : 0.0;
	}
}

template <>
struct ScriptValue<double>
{
	static bool From(v8::Isolate*, v8::Local<v8::Value> value, double& out)
	{
		out = ScriptValueDetail::NumberOf(value);
		return true;
	}
	static v8::Local<v8::Value> To(v8::Isolate* isolate, double value)
	{
		return v8::Number::New(isolate, value);
	}
};

template <>
struct ScriptValue<float>
{
	static bool From(v8::Isolate*, v8::Local<v8::Value> value, float& out)
	{
		out = static_cast<float>(ScriptValueDetail::NumberOf(value));
		return true;
	}
	static v8::Local<v8::Value> To(v8::Isolate* isolate, float value)
	{
		return v8::Number::New(isolate, value);
	}
};

// int, short and unsigned short: the signed 32-bit value (the 16-bit types keep its low bits).
template <class T>
struct ScriptInteger
{
	static bool From(v8::Isolate* isolate, v8::Local<v8::Value> value, T& out)
	{
		out = static_cast<T>(ScriptValueDetail::Int32Of(isolate, value));
		return true;
	}
	static v8::Local<v8::Value> To(v8::Isolate* isolate, T value)
	{
		return v8::Integer::New(isolate, value);
	}
};
template <>
struct ScriptValue<int> : ScriptInteger<int>
{
};
template <>
struct ScriptValue<short> : ScriptInteger<short>
{
};
template <>
struct ScriptValue<unsigned short> : ScriptInteger<unsigned short>
{
};

// Unsigned values reach scripts as signed 32-bit integers, as the pages expect.
template <>
struct ScriptValue<unsigned>
{
	static bool From(v8::Isolate* isolate, v8::Local<v8::Value> value, unsigned& out)
	{
		out = ScriptValueDetail::Uint32Of(isolate, value);
		return true;
	}
	static v8::Local<v8::Value> To(v8::Isolate* isolate, unsigned value)
	{
		return v8::Integer::New(isolate, static_cast<std::int32_t>(value));
	}
};

template <>
struct ScriptValue<bool>
{
	static bool From(v8::Isolate* isolate, v8::Local<v8::Value> value, bool& out)
	{
		out = value->BooleanValue(isolate);
		return true;
	}
	static v8::Local<v8::Value> To(v8::Isolate* isolate, bool value)
	{
		return v8::Boolean::New(isolate, value);
	}
};

template <>
struct ScriptValue<std::string>
{
	static bool From(v8::Isolate*, v8::Local<v8::Value> value, std::string& out)
	{
		out = JSValueToStdString(value);
		return true;
	}
	static v8::Local<v8::Value> To(v8::Isolate* isolate, const std::string& value)
	{
		return v8::String::NewFromUtf8(isolate, value.data(), v8::NewStringType::kNormal, static_cast<int>(value.size()))
			.FromMaybe(v8::String::Empty(isolate));
	}
};

template <>
struct ScriptValue<const char*>
{
	static v8::Local<v8::Value> To(v8::Isolate* isolate, const char* value)
	{
		return ScriptValue<std::string>::To(isolate, value != nullptr ? value : "");
	}
};
