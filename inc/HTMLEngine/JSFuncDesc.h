// The records through which the script bridge hands native functions and properties to the HTML
// engine: a JSFuncDesc names one constructor, function or property and the V8 callbacks behind it;
// a CallbackFunc carries what those callbacks need to reach the native code (a plain function, a
// member-function pointer or a data member's offset). Records form singly linked lists through
// `next`; their owner (the script bridge) frees them, each after its CallbackFunc.
#pragma once

#include <v8-function-callback.h>

#include <cstring>
#include <string>
#include <type_traits>

using JSCallback = void (*)(const v8::FunctionCallbackInfo<v8::Value>& info);

struct CallbackFunc
{
	// Room for a member-function pointer, the largest thing a binding stores (16 bytes on x86-64).
	static constexpr std::size_t kWordBytes = 16;

	CallbackFunc() = default;

	// Word 0 and word 1 hold any trivially copyable value of up to kWordBytes bytes.
	template <class T>
	void Set(int word, T value)
	{
		static_assert(sizeof(T) <= kWordBytes && std::is_trivially_copyable_v<T>);
		std::memcpy(words[word], &value, sizeof(T));
	}
	template <class T>
	T Get(int word) const
	{
		static_assert(sizeof(T) <= kWordBytes && std::is_trivially_copyable_v<T>);
		T value;
		std::memcpy(&value, words[word], sizeof(T));
		return value;
	}

private:
	alignas(16) unsigned char words[2][kWordBytes] = {};
};

struct JSFuncDesc
{
	// A constructor or a function that needs no CallbackFunc.
	JSFuncDesc(const std::string& name, JSCallback callback, int argumentCount)
		: name(name), callback(callback), argumentCount(argumentCount)
	{
	}
	// A function: the engine calls callback with function as the call's data (a v8::External).
	JSFuncDesc(const std::string& name, JSCallback callback, CallbackFunc* function, int argumentCount)
		: name(name), callback(callback), function(function), argumentCount(argumentCount)
	{
	}
	// A property: reading it calls getter with no argument, writing it calls setter with the value as
	// argument 0, both with function as the call's data; a null setter makes it read-only.
	JSFuncDesc(const std::string& name, JSCallback getter, JSCallback setter, CallbackFunc* function)
		: name(name), getter(getter), setter(setter), function(function)
	{
	}

	bool IsProperty() const
	{
		return getter != nullptr;
	}

	std::string name;
	JSCallback callback = nullptr;
	JSCallback getter = nullptr;
	JSCallback setter = nullptr;
	CallbackFunc* function = nullptr;
	int argumentCount = 0;
	JSFuncDesc* next = nullptr;
};
