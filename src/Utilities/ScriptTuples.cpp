#include "Utilities/v8/ScriptTuples.h"

#include <cmath>
#include <limits>

namespace
{
	// A float read as an int without the undefined behaviour of an out-of-range cast.
	int TruncatedInt(float value)
	{
		const double wide = value;
		if (std::isnan(wide))
			return 0;
		if (wide >= static_cast<double>(std::numeric_limits<int>::max()))
			return std::numeric_limits<int>::max();
		if (wide <= static_cast<double>(std::numeric_limits<int>::min()))
			return std::numeric_limits<int>::min();
		return static_cast<int>(wide);
	}

	template <class Tuple>
	v8::Local<v8::Object> Make(const char* className, const Tuple* tuple)
	{
		return JSObject<Tuple>::WrapNative(className, const_cast<Tuple*>(tuple), true);
	}

	template <class Tuple>
	bool Copy(v8::Local<v8::Value> value, Tuple& tuple)
	{
		const Tuple* native = JSObject<Tuple>::Native(value);
		if (native != nullptr)
			tuple = *native;
		return native != nullptr;
	}

	float Widened(int value)
	{
		return static_cast<float>(value);
	}

	// A tuple of the class, or one of the other two-component class converted by value.
	template <class Wanted, class Other>
	bool CopyTwoComponents(v8::Local<v8::Value> value, Tuple2<Wanted>& tuple, Wanted (*convert)(Other))
	{
		if (Copy(value, tuple))
			return true;
		Tuple2<Other> other;
		if (!Copy(value, other))
			return false;
		tuple = Tuple2<Wanted>(convert(other.x), convert(other.y));
		return true;
	}

	// "Tuple2i" and "Vec2" bind the same members over their component type.
	template <class T>
	void BindTuple2(const char* className)
	{
		JSObject<Tuple2<T>>::Bind(className, 0)
			.CopiedByConstructor()
			.AddMember("x", &Tuple2<T>::x)
			.AddMember("y", &Tuple2<T>::y)
			.AddFunction("Negate", &Tuple2<T>::Negate)
			.AddFunction("Clamp", &Tuple2<T>::Clamp)
			.AddFunction("Randomize", &Tuple2<T>::Randomize)
			.AddFunction("Length", &Tuple2<T>::Length)
			.AddFunction("LengthSquared", &Tuple2<T>::LengthSquared)
			.AddFunction("Direction", &Tuple2<T>::Direction)
			.AddFunction("Normalize", &Tuple2<T>::Normalize)
			.AddFunction("DotProduct", &Tuple2<T>::DotProduct)
			.AddFunction("AngleBetween", &Tuple2<T>::AngleBetween)
			.AddFunction("Distance", &Tuple2<T>::Distance)
			.AddFunction("DistanceSquared", &Tuple2<T>::DistanceSquared)
			.AddFunction("Set", &Tuple2<T>::Set);
	}

	[[maybe_unused]] const bool tupleScriptClassesRegistered = [] {
		BindTuple2<int>("Tuple2i");
		BindTuple2<float>("Vec2");
		JSObject<Tuple3<float>>::Bind("Vec3", 0)
			.CopiedByConstructor()
			.AddMember("x", &Tuple3<float>::x)
			.AddMember("y", &Tuple3<float>::y)
			.AddMember("z", &Tuple3<float>::z)
			.AddFunction("Negate", &Tuple3<float>::Negate)
			.AddFunction("Clamp", &Tuple3<float>::Clamp)
			.AddFunction("Randomize", &Tuple3<float>::Randomize)
			.AddFunction("Length", &Tuple3<float>::Length)
			.AddFunction("LengthSquared", &Tuple3<float>::LengthSquared)
			.AddFunction("Normalize", &Tuple3<float>::Normalize)
			.AddFunction("NormalizeThis", &Tuple3<float>::NormalizeThis)
			.AddFunction("Resize", &Tuple3<float>::Resize)
			.AddFunction("ResizeThis", &Tuple3<float>::ResizeThis)
			.AddFunction("DotProduct", &Tuple3<float>::DotProduct)
			.AddFunction("CrossProduct", &Tuple3<float>::CrossProduct)
			.AddFunction("AngleBetween", &Tuple3<float>::AngleBetween)
			.AddFunction("Distance", &Tuple3<float>::Distance)
			.AddFunction("DistanceSquared", &Tuple3<float>::DistanceSquared)
			.AddFunction("Set", &Tuple3<float>::Set);
		JSObject<Tuple4<float>>::Bind("Vec4", 0)
			.CopiedByConstructor()
			.AddMember("x", &Tuple4<float>::x)
			.AddMember("y", &Tuple4<float>::y)
			.AddMember("z", &Tuple4<float>::z)
			.AddMember("w", &Tuple4<float>::w)
			.AddFunction("Negate", &Tuple4<float>::Negate)
			.AddFunction("Clamp", &Tuple4<float>::Clamp)
			.AddFunction("Randomize", &Tuple4<float>::Randomize)
			.AddFunction("Length", &Tuple4<float>::Length)
			.AddFunction("Normalize", &Tuple4<float>::Normalize);
		return true;
	}();
}

v8::Local<v8::Object> MakeScriptTuple2i(const Tuple2<int>* tuple)
{
	return Make("Tuple2i", tuple);
}

v8::Local<v8::Object> MakeScriptVec2(const Tuple2<float>* tuple)
{
	return Make("Vec2", tuple);
}

v8::Local<v8::Object> MakeScriptVec3(const Tuple3<float>* tuple)
{
	return Make("Vec3", tuple);
}

v8::Local<v8::Object> MakeScriptVec4(const Tuple4<float>* tuple)
{
	return Make("Vec4", tuple);
}

bool UnwrapScriptTuple2i(v8::Local<v8::Value> value, Tuple2<int>& tuple)
{
	return CopyTwoComponents(value, tuple, &TruncatedInt);
}

bool UnwrapScriptVec2(v8::Local<v8::Value> value, Tuple2<float>& tuple)
{
	return CopyTwoComponents(value, tuple, &Widened);
}

bool UnwrapScriptVec3(v8::Local<v8::Value> value, Tuple3<float>& tuple)
{
	if (Copy(value, tuple))
		return true;
	// A larger tuple holds a whole Vec3 in its first three components; pages pass one for the other.
	Tuple4<float> larger;
	if (!Copy(value, larger))
		return false;
	tuple = Tuple3<float>(larger.x, larger.y, larger.z);
	return true;
}

bool UnwrapScriptVec4(v8::Local<v8::Value> value, Tuple4<float>& tuple)
{
	return Copy(value, tuple);
}
