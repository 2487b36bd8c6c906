// Tuple2, Tuple3 and Tuple4: the engine's small vectors of ints or floats (positions,
// directions, colours, sizes, screen coordinates). Float arithmetic runs in double and rounds
// on store; int arithmetic wraps at 32 bits. Text form: components separated by single spaces.
#pragma once

#include "Utilities/MathCommon.h"
#include "Utilities/Random.h"

#include <cmath>
#include <istream>
#include <ostream>
#include <type_traits>

namespace TupleMath
{
	// Integer tuples wrap on overflow like the 32-bit arithmetic their callers were written
	// for; doing it through unsigned keeps it defined behaviour.
	template <typename T>
	constexpr T Add(T a, T b)
	{
		if constexpr (std::is_integral_v<T>)
			return static_cast<T>(static_cast<std::make_unsigned_t<T>>(a) + static_cast<std::make_unsigned_t<T>>(b));
		else
			return a + b;
	}

	template <typename T>
	constexpr T Subtract(T a, T b)
	{
		if constexpr (std::is_integral_v<T>)
			return static_cast<T>(static_cast<std::make_unsigned_t<T>>(a) - static_cast<std::make_unsigned_t<T>>(b));
		else
			return a - b;
	}

	template <typename T>
	constexpr T Multiply(T a, T b)
	{
		if constexpr (std::is_integral_v<T>)
			return static_cast<T>(static_cast<std::make_unsigned_t<T>>(a) * static_cast<std::make_unsigned_t<T>>(b));
		else
			return a * b;
	}

	template <typename T>
	constexpr T Negated(T value)
	{
		if constexpr (std::is_integral_v<T>)
			return Subtract(T{}, value);
		else
			return -value;
	}

	// The component's exact value widened for the double-precision formulas.
	template <typename T>
	constexpr double Wide(T value)
	{
		return static_cast<double>(value);
	}

	// b - a for distances: ints wrap first, floats subtract in double.
	template <typename T>
	constexpr double Difference(T b, T a)
	{
		if constexpr (std::is_integral_v<T>)
			return static_cast<double>(Subtract(b, a));
		else
			return Wide(b) - a;
	}

	// A length that counts as zero for normalising. A wrapped (negative) integer squared
	// length gives NaN: it counts as zero too, rather than turning NaN quotients into ints.
	template <typename T>
	constexpr bool IsZeroLength(double length)
	{
		if constexpr (std::is_integral_v<T>)
			return !(length > kLengthEpsilon);
		else
			return length <= kLengthEpsilon;
	}

	// Per component: above max becomes max, else below min becomes min.
	template <typename T>
	constexpr T ClampUpperFirst(T value, T min, T max)
	{
		if (value > max)
			return max;
		if (value < min)
			return min;
		return value;
	}

	template <typename T>
	constexpr T ClampLowerFirst(T value, T min, T max)
	{
		if (value < min)
			return min;
		if (value > max)
			return max;
		return value;
	}

	// min + (max - min) * r with r = rand() / 32767 (so max itself is reachable). Ints
	// truncate the product; floats round it to float and add in double.
	template <typename T>
	T RandomBetween(T min, T max)
	{
		const double fraction = tw::Rand() / static_cast<double>(tw::kRandMax);
		if constexpr (std::is_integral_v<T>)
			return Add(min, static_cast<T>(std::trunc(Subtract(max, min) * fraction)));
		else
			return static_cast<T>(min + static_cast<double>(static_cast<T>((Wide(max) - min) * fraction)));
	}

	// A component divided by a scalar; a divisor at or below FLT_EPSILON in magnitude gives
	// the component's signed maximum instead of an infinity.
	inline float GuardedDivide(float component, float divisor)
	{
		if (std::fabs(divisor) <= kDivisorEpsilon)
			return SignedMax(component);
		return component / divisor;
	}

	// acos of a cosine, 0 when the result is not a number (a zero-length operand or a cosine
	// just outside -1..1 from rounding).
	inline double AngleFromCosine(double cosine)
	{
		const double angle = std::acos(cosine);
		return std::isnan(angle) ? 0.0 : angle;
	}
}

template <typename T>
struct Tuple2
{
	T x{};
	T y{};

	constexpr Tuple2() = default;
	constexpr Tuple2(T x, T y) : x(x), y(y) {}

	void Set(T newX, T newY)
	{
		x = newX;
		y = newY;
	}

	void Negate()
	{
		x = TupleMath::Negated(x);
		y = TupleMath::Negated(y);
	}

	void Clamp(T min, T max)
	{
		x = TupleMath::ClampUpperFirst(x, min, max);
		y = TupleMath::ClampUpperFirst(y, min, max);
	}

	Tuple2& Randomize(const Tuple2& min, const Tuple2& max)
	{
		x = TupleMath::RandomBetween(min.x, max.x);
		y = TupleMath::RandomBetween(min.y, max.y);
		return *this;
	}

	T LengthSquared() const
	{
		if constexpr (std::is_integral_v<T>)
			return DotProduct(*this);
		else
			return static_cast<T>(TupleMath::Wide(x) * x + TupleMath::Wide(y) * y);
	}

	double Length() const
	{
		if constexpr (std::is_integral_v<T>)
			return std::sqrt(static_cast<double>(LengthSquared()));
		else
			return std::sqrt(TupleMath::Wide(x) * x + TupleMath::Wide(y) * y);
	}

	// Angle from the x axis in radians (ints truncate it).
	T Direction() const
	{
		return static_cast<T>(std::atan2(TupleMath::Wide(y), TupleMath::Wide(x)));
	}

	// In place; a zero length gives the signed maxima. Ints truncate each quotient, so an
	// integer vector becomes one of -1, 0 and 1 components.
	Tuple2& Normalize()
	{
		const double length = Length();
		if (TupleMath::IsZeroLength<T>(length))
		{
			x = SignedMax(x);
			y = SignedMax(y);
			return *this;
		}
		x = static_cast<T>(x / length);
		y = static_cast<T>(y / length);
		return *this;
	}

	T DotProduct(const Tuple2& other) const
	{
		if constexpr (std::is_integral_v<T>)
			return TupleMath::Add(TupleMath::Multiply(x, other.x), TupleMath::Multiply(y, other.y));
		else
			return static_cast<T>(TupleMath::Wide(x) * other.x + TupleMath::Wide(y) * other.y);
	}

	// Radians in [0, pi]; 0 when either vector has zero length.
	double AngleBetween(const Tuple2& other) const
	{
		return TupleMath::AngleFromCosine(TupleMath::Wide(DotProduct(other)) / (Length() * other.Length()));
	}

	double Distance(const Tuple2& other) const
	{
		const double dx = TupleMath::Difference(other.x, x);
		const double dy = TupleMath::Difference(other.y, y);
		return std::sqrt(dx * dx + dy * dy);
	}

	T DistanceSquared(const Tuple2& other) const
	{
		const Tuple2 difference = other - *this;
		if constexpr (std::is_integral_v<T>)
			return difference.DotProduct(difference);
		else
			return difference.LengthSquared();
	}

	Tuple2 operator+(const Tuple2& other) const { return {TupleMath::Add(x, other.x), TupleMath::Add(y, other.y)}; }
	Tuple2 operator-(const Tuple2& other) const { return {TupleMath::Subtract(x, other.x), TupleMath::Subtract(y, other.y)}; }
	Tuple2 operator*(T scale) const { return {TupleMath::Multiply(x, scale), TupleMath::Multiply(y, scale)}; }
	Tuple2 operator-() const { return {TupleMath::Negated(x), TupleMath::Negated(y)}; }
	Tuple2& operator+=(const Tuple2& other) { return *this = *this + other; }
	Tuple2& operator-=(const Tuple2& other) { return *this = *this - other; }
	Tuple2& operator*=(T scale) { return *this = *this * scale; }

	Tuple2 operator/(T divisor) const requires std::is_floating_point_v<T>
	{
		return {TupleMath::GuardedDivide(x, divisor), TupleMath::GuardedDivide(y, divisor)};
	}
	Tuple2& operator/=(T divisor) requires std::is_floating_point_v<T> { return *this = *this / divisor; }

	bool operator==(const Tuple2&) const = default;
};

template <typename T>
struct Tuple3
{
	T x{};
	T y{};
	T z{};

	constexpr Tuple3() = default;
	constexpr Tuple3(T x, T y, T z) : x(x), y(y), z(z) {}

	// Component by axis index: 0 x, 1 y, 2 z.
	T& operator[](int axis) { return axis == 0 ? x : (axis == 1 ? y : z); }
	const T& operator[](int axis) const { return axis == 0 ? x : (axis == 1 ? y : z); }

	void Set(T newX, T newY, T newZ)
	{
		x = newX;
		y = newY;
		z = newZ;
	}

	void Negate()
	{
		x = TupleMath::Negated(x);
		y = TupleMath::Negated(y);
		z = TupleMath::Negated(z);
	}

	void Clamp(const T& min, const T& max)
	{
		x = TupleMath::ClampUpperFirst(x, min, max);
		y = TupleMath::ClampUpperFirst(y, min, max);
		z = TupleMath::ClampUpperFirst(z, min, max);
	}

	void Randomize(const Tuple3& min, const Tuple3& max)
	{
		x = TupleMath::RandomBetween(min.x, max.x);
		y = TupleMath::RandomBetween(min.y, max.y);
		z = TupleMath::RandomBetween(min.z, max.z);
	}

	double Length() const { return std::sqrt(WideLengthSquared()); }
	T LengthSquared() const { return static_cast<T>(WideLengthSquared()); }

	// A normalised copy; the tuple itself is unchanged (NormalizeThis works in place). A zero
	// length gives the signed maxima.
	[[nodiscard]] Tuple3 Normalize() const
	{
		Tuple3 copy = *this;
		return copy.NormalizeThis();
	}

	Tuple3& NormalizeThis()
	{
		const double length = Length();
		if (TupleMath::IsZeroLength<T>(length))
		{
			Set(SignedMax(x), SignedMax(y), SignedMax(z));
			return *this;
		}
		const T divisor = static_cast<T>(length);
		Set(x / divisor, y / divisor, z / divisor);
		return *this;
	}

	// A copy scaled to the given length. A zero vector has no direction and gives NaNs.
	[[nodiscard]] Tuple3 Resize(float length) const
	{
		Tuple3 copy = *this;
		return copy.ResizeThis(length);
	}

	Tuple3& ResizeThis(float length)
	{
		const float factor = static_cast<float>(length / static_cast<double>(static_cast<float>(Length())));
		Set(x * factor, y * factor, z * factor);
		return *this;
	}

	// Sets this tuple to a x b and returns it; its previous value is not used.
	Tuple3& CrossProduct(const Tuple3& a, const Tuple3& b)
	{
		using TupleMath::Wide;
		const Tuple3 result(static_cast<T>(Wide(a.y) * b.z - Wide(a.z) * b.y),
			static_cast<T>(Wide(a.z) * b.x - Wide(a.x) * b.z), static_cast<T>(Wide(a.x) * b.y - Wide(a.y) * b.x));
		return *this = result;
	}

	T DotProduct(const Tuple3& other) const
	{
		using TupleMath::Wide;
		return static_cast<T>(Wide(x) * other.x + Wide(y) * other.y + Wide(z) * other.z);
	}

	// Radians in [0, pi] between the normalised copies; 0 when the cosine is out of range
	// (as it is for a zero-length operand, whose copy holds signed maxima).
	float AngleBetween(const Tuple3& other) const
	{
		const float cosine = Normalize().DotProduct(other.Normalize());
		return static_cast<float>(TupleMath::AngleFromCosine(cosine));
	}

	double Distance(const Tuple3& other) const
	{
		const double dx = TupleMath::Difference(other.x, x);
		const double dy = TupleMath::Difference(other.y, y);
		const double dz = TupleMath::Difference(other.z, z);
		return std::sqrt(dx * dx + dy * dy + dz * dz);
	}

	T DistanceSquared(const Tuple3& other) const { return (other - *this).LengthSquared(); }

	Tuple3 operator+(const Tuple3& o) const { return {TupleMath::Add(x, o.x), TupleMath::Add(y, o.y), TupleMath::Add(z, o.z)}; }
	Tuple3 operator-(const Tuple3& o) const { return {TupleMath::Subtract(x, o.x), TupleMath::Subtract(y, o.y), TupleMath::Subtract(z, o.z)}; }
	Tuple3 operator*(T s) const { return {TupleMath::Multiply(x, s), TupleMath::Multiply(y, s), TupleMath::Multiply(z, s)}; }
	Tuple3 operator-() const { return {TupleMath::Negated(x), TupleMath::Negated(y), TupleMath::Negated(z)}; }
	Tuple3& operator+=(const Tuple3& other) { return *this = *this + other; }
	Tuple3& operator-=(const Tuple3& other) { return *this = *this - other; }
	Tuple3& operator*=(T scale) { return *this = *this * scale; }

	Tuple3 operator/(T divisor) const requires std::is_floating_point_v<T>
	{
		return {TupleMath::GuardedDivide(x, divisor), TupleMath::GuardedDivide(y, divisor),
			TupleMath::GuardedDivide(z, divisor)};
	}
	Tuple3& operator/=(T divisor) requires std::is_floating_point_v<T> { return *this = *this / divisor; }

	bool operator==(const Tuple3&) const = default;

private:
	double WideLengthSquared() const
	{
		using TupleMath::Wide;
		return Wide(x) * x + Wide(y) * y + Wide(z) * z;
	}
};

template <typename T>
struct Tuple4
{
	T x{};
	T y{};
	T z{};
	T w{};

	constexpr Tuple4() = default;
	constexpr Tuple4(T x, T y, T z, T w) : x(x), y(y), z(z), w(w) {}

	void Set(T newX, T newY, T newZ, T newW)
	{
		x = newX;
		y = newY;
		z = newZ;
		w = newW;
	}

	void Negate()
	{
		Set(TupleMath::Negated(x), TupleMath::Negated(y), TupleMath::Negated(z), TupleMath::Negated(w));
	}

	// Float tuples test the lower bound first, int tuples the upper; the results differ only
	// when min > max.
	void Clamp(const T& min, const T& max)
	{
		if constexpr (std::is_floating_point_v<T>)
			Set(TupleMath::ClampLowerFirst(x, min, max), TupleMath::ClampLowerFirst(y, min, max),
				TupleMath::ClampLowerFirst(z, min, max), TupleMath::ClampLowerFirst(w, min, max));
		else
			Set(TupleMath::ClampUpperFirst(x, min, max), TupleMath::ClampUpperFirst(y, min, max),
				TupleMath::ClampUpperFirst(z, min, max), TupleMath::ClampUpperFirst(w, min, max));
	}

	void Randomize(const Tuple4& min, const Tuple4& max)
	{
		x = TupleMath::RandomBetween(min.x, max.x);
		y = TupleMath::RandomBetween(min.y, max.y);
		z = TupleMath::RandomBetween(min.z, max.z);
		w = TupleMath::RandomBetween(min.w, max.w);
	}

	double Length() const
	{
		using TupleMath::Wide;
		return std::sqrt(Wide(x) * x + Wide(y) * y + Wide(z) * z + Wide(w) * w);
	}

	// In place; a zero length gives the signed maxima.
	Tuple4& Normalize() requires std::is_floating_point_v<T>
	{
		const double length = Length();
		if (TupleMath::IsZeroLength<T>(length))
		{
			Set(SignedMax(x), SignedMax(y), SignedMax(z), SignedMax(w));
			return *this;
		}
		const T divisor = static_cast<T>(length);
		Set(x / divisor, y / divisor, z / divisor, w / divisor);
		return *this;
	}

	Tuple4 operator+(const Tuple4& o) const
	{
		return {TupleMath::Add(x, o.x), TupleMath::Add(y, o.y), TupleMath::Add(z, o.z), TupleMath::Add(w, o.w)};
	}
	Tuple4 operator-(const Tuple4& o) const
	{
		return {TupleMath::Subtract(x, o.x), TupleMath::Subtract(y, o.y), TupleMath::Subtract(z, o.z),
			TupleMath::Subtract(w, o.w)};
	}
	Tuple4 operator*(T s) const
	{
		return {TupleMath::Multiply(x, s), TupleMath::Multiply(y, s), TupleMath::Multiply(z, s), TupleMath::Multiply(w, s)};
	}

	bool operator==(const Tuple4&) const = default;
};

using Tuple2i = Tuple2<int>;
using Tuple2f = Tuple2<float>;
using Tuple3f = Tuple3<float>;
using Tuple4f = Tuple4<float>;
using Tuple4i = Tuple4<int>;

// a x b as a value, for expressions that chain products.
template <typename T>
Tuple3<T> Cross(const Tuple3<T>& a, const Tuple3<T>& b)
{
	Tuple3<T> result;
	return result.CrossProduct(a, b);
}

// Text form of data files: components in memory order, one space between them; reading
// accepts any whitespace between components.
template <typename T>
std::ostream& operator<<(std::ostream& out, const Tuple2<T>& t)
{
	return out << t.x << ' ' << t.y;
}

template <typename T>
std::ostream& operator<<(std::ostream& out, const Tuple3<T>& t)
{
	return out << t.x << ' ' << t.y << ' ' << t.z;
}

template <typename T>
std::ostream& operator<<(std::ostream& out, const Tuple4<T>& t)
{
	return out << t.x << ' ' << t.y << ' ' << t.z << ' ' << t.w;
}

template <typename T>
std::istream& operator>>(std::istream& in, Tuple2<T>& t)
{
	return in >> t.x >> t.y;
}

template <typename T>
std::istream& operator>>(std::istream& in, Tuple3<T>& t)
{
	return in >> t.x >> t.y >> t.z;
}

template <typename T>
std::istream& operator>>(std::istream& in, Tuple4<T>& t)
{
	return in >> t.x >> t.y >> t.z >> t.w;
}
