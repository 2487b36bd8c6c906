// JSObject<T>: binds the native class T to a script class. One JSObject<T> per script class holds
// the records that the HTML engine builds the class from (constructor, functions, properties, each
// with a typed CallbackFunc payload); its thunks carry a script call to the native object, and its
// wrapper cache gives each native object one script object. Script objects keep the native pointer
// in internal field 0 and a tag of T in field 1, so a thunk refuses an object of another class.
#pragma once

#include "HTMLEngine/HTMLEngine.h"
#include "HTMLEngine/JSFuncDesc.h"
#include "Utilities/HashMap.h"
#include "Utilities/JavaScript.h"
#include "Utilities/v8/ScriptValue.h"

#include <v8-external.h>
#include <v8-function-callback.h>
#include <v8-persistent-handle.h>
#include <v8-template.h>

#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

class JSObjectBase
{
public:
	explicit JSObjectBase(const std::string& className) : className(className) {}
	JSObjectBase(const JSObjectBase&) = delete;
	JSObjectBase& operator=(const JSObjectBase&) = delete;
	// Frees every record with its CallbackFunc.
	virtual ~JSObjectBase();

	// Hands the class to the HTML engine.
	virtual void Register();
	// The script object of the native: the cached one, else a new one standing for the native
	// itself, or for a heap copy that the script object owns when copy is set.
	virtual v8::Local<v8::Object> Wrap(void* native, bool copy) = 0;
	// Wraps as Wrap does and publishes the wrapper as a page global of that name.
	virtual v8::Local<v8::Object> AddGlobalInstance(const std::string& name, void* native, bool copy);
	// The native is being destroyed: a wrapper standing for it is emptied and leaves the cache.
	virtual void Forget(const void* native) = 0;
	// The runtime ends: every wrapper handle is dropped and every owned native freed.
	virtual void ReleaseWrappers() = 0;

	const std::string& GetName() const
	{
		return className;
	}
	const JSFuncDesc* First() const
	{
		return first;
	}

	// One diagnostic per binding and problem: printed once, then counted.
	static void Refuse(const CallbackFunc* binding, const char* problem);

protected:
	// Appends the record, naming its binding for diagnostics.
	void Append(JSFuncDesc* record, const std::string& memberName);

	std::string className;
	JSFuncDesc* first = nullptr;
	JSFuncDesc* last = nullptr;
};

namespace JSObjectDetail
{
	// What a bound callable takes and gives: a member function (const or not) or a plain function
	// whose first parameter is the native object.
	template <class T, class F>
	struct Binding;

	template <class T, class R, class... A>
	struct BindingOf
	{
		using Result = R;
		using Arguments = std::tuple<std::decay_t<A>...>;
		static constexpr int kArity = sizeof...(A);
	};
	// Members of T or of one of its bases.
	template <class T, class C, class R, class... A>
	struct Binding<T, R (C::*)(A...)> : BindingOf<T, R, A...>
	{
		template <class... V>
		static R Invoke(R (C::*function)(A...), T& self, V&... values)
		{
			return (self.*function)(values...);
		}
	};
	template <class T, class C, class R, class... A>
	struct Binding<T, R (C::*)(A...) const> : BindingOf<T, R, A...>
	{
		template <class... V>
		static R Invoke(R (C::*function)(A...) const, T& self, V&... values)
		{
			return (self.*function)(values...);
		}
	};
	template <class T, class R, class S, class... A>
	struct Binding<T, R (*)(S&, A...)> : BindingOf<T, R, A...>
	{
		template <class... V>
		static R Invoke(R (*function)(S&, A...), T& self, V&... values)
		{
			return function(self, values...);
		}
	};

	inline const CallbackFunc* DataOf(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		return static_cast<const CallbackFunc*>(info.Data().As<v8::External>()->Value());
	}

	// The object worked on: the argument just after the declared ones when the call passes more,
	// else the receiver.
	inline v8::Local<v8::Value> Receiver(const v8::FunctionCallbackInfo<v8::Value>& info, int declared)
	{
		return info.Length() > declared ? info[declared] : v8::Local<v8::Value>(info.This());
	}
}

template <class T>
class JSObject final : public JSObjectBase
{
public:
	using Factory = T* (*)(const v8::FunctionCallbackInfo<v8::Value>& info);

	explicit JSObject(const std::string& className) : JSObjectBase(className)
	{
		// The cache is made now, before main, so that it outlives every runtime.
		Cache();
	}

	// A new class registered with the host, its constructor taking argumentCount arguments.
	static JSObject& Bind(const std::string& className, int argumentCount, Factory factory = &MakeDefault)
	{
		JSObject* scriptClass = new JSObject(className);
		JavaScript::Instance().RegisterClass(className, scriptClass);
		return scriptClass->InitClass(argumentCount, factory);
	}

	JSObject& InitClass(int argumentCount, Factory factory)
	{
		CallbackFunc* payload = new CallbackFunc();
		payload->Set(0, factory);
		payload->Set(1, ConstructorSetup{argumentCount, false});
		Append(new JSFuncDesc(className, &Construct, payload, argumentCount), className);
		constructorPayload = payload;
		return *this;
	}

	// For value classes (tuples): new given an object of the class makes a copy of it instead of
	// answering that object, so that changing the copy leaves the original as it was.
	JSObject& CopiedByConstructor()
	{
		constructorPayload->Set(1, ConstructorSetup{constructorPayload->Get<ConstructorSetup>(1).argumentCount, true});
		return *this;
	}

	template <class F>
	JSObject& AddFunction(const std::string& name, F function)
	{
		CallbackFunc* payload = new CallbackFunc();
		payload->Set(0, function);
		Append(new JSFuncDesc(name, &Call<F, 0>, payload, JSObjectDetail::Binding<T, F>::kArity), name);
		return *this;
	}

	template <class M>
	JSObject& AddMember(const std::string& name, M T::*member)
	{
		CallbackFunc* payload = new CallbackFunc();
		payload->Set(0, member);
		Append(new JSFuncDesc(name, &GetMember<M>, &SetMember<M>, payload), name);
		return *this;
	}

	template <class G>
	JSObject& AddGetter(const std::string& name, G getter)
	{
		CallbackFunc* payload = new CallbackFunc();
		payload->Set(0, getter);
		Append(new JSFuncDesc(name, &Call<G, 0>, nullptr, payload), name);
		return *this;
	}

	template <class G, class S>
	JSObject& AddAccessor(const std::string& name, G getter, S setter)
	{
		CallbackFunc* payload = new CallbackFunc();
		payload->Set(0, getter);
		payload->Set(1, setter);
		Append(new JSFuncDesc(name, &Call<G, 0>, &Call<S, 1>, payload), name);
		return *this;
	}

	v8::Local<v8::Object> Wrap(void* native, bool copy) override
	{
		return WrapNative(className, static_cast<T*>(native), copy);
	}

	static v8::Local<v8::Object> WrapNative(const std::string& className, T* native, bool copy)
	{
		v8::Isolate* isolate = v8::Isolate::GetCurrent();
		if (native == nullptr || isolate == nullptr || !isolate->InContext())
			return {};
		v8::EscapableHandleScope scope(isolate);
		if (const auto found = Cache().find(native); found != Cache().end())
			return scope.Escape(found->second->handle.Get(isolate));
		const v8::Local<v8::FunctionTemplate> classTemplate = HTMLEngine::ClassTemplate(className);
		if (classTemplate.IsEmpty())
			return {};
		v8::Local<v8::Object> object;
		if (!classTemplate->InstanceTemplate()->NewInstance(isolate->GetCurrentContext()).ToLocal(&object))
			return {};
		Adopt(isolate, object, copy ? new T(*native) : native, copy);
		return scope.Escape(object);
	}

	// The native object behind a script value of this class; null for anything else, and for an
	// object whose native is gone or was never made.
	static T* Native(v8::Local<v8::Value> value)
	{
		if (value.IsEmpty() || !value->IsObject())
			return nullptr;
		const v8::Local<v8::Object> object = value.As<v8::Object>();
		if (object->InternalFieldCount() < 2 || object->GetAlignedPointerFromInternalField(1) != Tag())
			return nullptr;
		return static_cast<T*>(object->GetAlignedPointerFromInternalField(0));
	}

	void Forget(const void* native) override
	{
		const auto found = Cache().find(static_cast<const T*>(native));
		if (found == Cache().end())
			return;
		Entry* entry = found->second;
		Cache().erase(found);
		v8::Isolate* isolate = v8::Isolate::GetCurrent();
		if (isolate != nullptr)
		{
			v8::HandleScope scope(isolate);
			entry->handle.Get(isolate)->SetAlignedPointerInInternalField(0, nullptr);
		}
		// Reset also cancels the weak callback, which would otherwise find a later native at the
		// same address.
		entry->handle.Reset();
		delete entry;
	}

	void ReleaseWrappers() override
	{
		std::vector<Entry*> entries;
		for (auto& cached : Cache())
			entries.push_back(cached.second);
		Cache().clear();
		for (Entry* entry : entries)
			Discard(entry);
	}

private:
	struct ConstructorSetup
	{
		int argumentCount;
		bool copies;
	};

	CallbackFunc* constructorPayload = nullptr;

	struct Entry
	{
		v8::Global<v8::Object> handle;
		T* native;
		bool owned;
	};

	static tw::hash_map<const T*, Entry*>& Cache()
	{
		static tw::hash_map<const T*, Entry*> cache;
		return cache;
	}

	static const void* Tag()
	{
		static const int tag = 0;
		return &tag;
	}

	static T* MakeDefault(const v8::FunctionCallbackInfo<v8::Value>&)
	{
		return new T();
	}

	static void Discard(Entry* entry)
	{
		entry->handle.Reset();
		if (entry->owned)
			delete entry->native;
		delete entry;
	}

	static void Adopt(v8::Isolate* isolate, v8::Local<v8::Object> object, T* native, bool owned)
	{
		object->SetAlignedPointerInInternalField(0, native);
		object->SetAlignedPointerInInternalField(1, const_cast<void*>(Tag()));
		Entry* entry = new Entry{v8::Global<v8::Object>(isolate, object), native, owned};
		entry->handle.SetWeak(entry, &Collected, v8::WeakCallbackType::kParameter);
		Cache().insert({native, entry});
	}

	static void Collected(const v8::WeakCallbackInfo<Entry>& data)
	{
		Entry* entry = data.GetParameter();
		if (const auto found = Cache().find(entry->native); found != Cache().end() && found->second == entry)
			Cache().erase(found);
		Discard(entry);
	}

	static void Construct(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		const CallbackFunc* payload = JSObjectDetail::DataOf(info);
		const auto [argumentCount, copying] = payload->Get<ConstructorSetup>(1);
		const v8::Local<v8::Value> target = JSObjectDetail::Receiver(info, argumentCount);
		const T* given = Native(target);
		const bool copies = copying && info.IsConstructCall();
		if (given != nullptr && !copies)
		{
			info.GetReturnValue().Set(target);
			return;
		}
		const v8::Local<v8::Object> self = info.This();
		if (!info.IsConstructCall() || self->InternalFieldCount() < 2)
		{
			Refuse(payload, "a constructor is called with new");
			return;
		}
		self->SetAlignedPointerInInternalField(1, const_cast<void*>(Tag()));
		// Too few arguments: the object stands for nothing, and its calls answer undefined.
		if (info.Length() < argumentCount)
		{
			self->SetAlignedPointerInInternalField(0, nullptr);
			return;
		}
		Adopt(info.GetIsolate(), self, given != nullptr ? new T(*given) : payload->Get<Factory>(0)(info), true);
	}

	template <class Arguments, std::size_t... I>
	static bool Convert(const v8::FunctionCallbackInfo<v8::Value>& info, Arguments& arguments,
		std::index_sequence<I...>)
	{
		[[maybe_unused]] v8::Isolate* isolate = info.GetIsolate();
		return (ScriptValue<std::tuple_element_t<I, Arguments>>::From(isolate, info[static_cast<int>(I)],
					std::get<I>(arguments)) && ...);
	}

	// A bound function, or one side of an accessor (its callable in the given word).
	template <class F, int Word>
	static void Call(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		using Binding = JSObjectDetail::Binding<T, F>;
		using Result = typename Binding::Result;
		const CallbackFunc* payload = JSObjectDetail::DataOf(info);
		T* self = Native(JSObjectDetail::Receiver(info, Binding::kArity));
		if (self == nullptr)
		{
			Refuse(payload, "the receiver is not a live object of the class");
			return;
		}
		typename Binding::Arguments arguments;
		if (!Convert(info, arguments, std::make_index_sequence<Binding::kArity>()))
		{
			Refuse(payload, "an argument is not of the class the call takes");
			return;
		}
		const F function = payload->Get<F>(Word);
		if constexpr (std::is_void_v<Result>)
			std::apply([&](auto&... values) { Binding::Invoke(function, *self, values...); }, arguments);
		else
		{
			const v8::Local<v8::Value> result = ScriptValue<std::remove_cvref_t<Result>>::To(info.GetIsolate(),
				std::apply([&](auto&... values) -> Result { return Binding::Invoke(function, *self, values...); },
					arguments));
			if (!result.IsEmpty())
				info.GetReturnValue().Set(result);
		}
	}

	template <class M>
	static void GetMember(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		const CallbackFunc* payload = JSObjectDetail::DataOf(info);
		T* self = Native(JSObjectDetail::Receiver(info, 0));
		if (self == nullptr)
		{
			Refuse(payload, "the receiver is not a live object of the class");
			return;
		}
		const v8::Local<v8::Value> result = ScriptValue<M>::To(info.GetIsolate(), self->*payload->Get<M T::*>(0));
		if (!result.IsEmpty())
			info.GetReturnValue().Set(result);
	}

	template <class M>
	static void SetMember(const v8::FunctionCallbackInfo<v8::Value>& info)
	{
		const CallbackFunc* payload = JSObjectDetail::DataOf(info);
		T* self = Native(JSObjectDetail::Receiver(info, 1));
		M value{};
		if (self == nullptr)
			Refuse(payload, "the receiver is not a live object of the class");
		else if (!ScriptValue<M>::From(info.GetIsolate(), info[0], value))
			Refuse(payload, "the value is not of the class the property takes");
		else
			self->*payload->Get<M T::*>(0) = std::move(value);
	}
};
