// A value of any arithmetic type, kept exactly, that converts to any other arithmetic type
// without undefined behaviour: the one path by which typed reads turn one number type into
// another (a float argument read as int, an int operand added to a float variable).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace tw
{
	template<typename T>
	concept Arithmetic = std::is_arithmetic_v<T>;

	class Number
	{
	public:
		template<Arithmetic T>
		static Number Of(T value)
		{
			Number number;
			if constexpr (std::is_floating_point_v<T>)
			{
				number.kind = Kind::Floating;
				number.floating = static_cast<double>(value);
			}
			else if constexpr (std::is_signed_v<T>)
			{
				number.kind = Kind::Signed;
				number.integer = static_cast<std::int64_t>(value);
			}
			else
			{
				number.kind = Kind::Unsigned;
				number.integer = static_cast<std::int64_t>(static_cast<std::uint64_t>(value));
			}
			return number;
		}

		// Integers wrap to the width of T (as a cast does); floating values saturate at T's
		// bounds and NaN becomes 0, where a plain cast would be undefined.
		template<Arithmetic T>
		T As() const
		{
			if constexpr (std::is_same_v<T, bool>)
				return kind == Kind::Floating ? floating != 0.0 : integer != 0;
			else if constexpr (std::is_floating_point_v<T>)
			{
				if (kind == Kind::Signed)
					return static_cast<T>(integer);
				if (kind == Kind::Unsigned)
					return static_cast<T>(static_cast<std::uint64_t>(integer));
				return NarrowFloating<T>(floating);
			}
			else
			{
				if (kind != Kind::Floating)
					return static_cast<T>(integer);
				return SaturatingInteger<T>(floating);
			}
		}

	private:
		enum class Kind { Signed, Unsigned, Floating };

		template<typename T>
		static T NarrowFloating(double value)
		{
			constexpr double largest = static_cast<double>(std::numeric_limits<T>::max());
			if (value > largest)
				return std::numeric_limits<T>::infinity();
			if (value < -largest)
				return -std::numeric_limits<T>::infinity();
			return static_cast<T>(value);
		}

		template<typename T>
		static T SaturatingInteger(double value)
		{
			if (std::isnan(value))
				return 0;
			// The bounds as doubles may round up past T's range (2^63 for 64-bit types), so
			// the tests are inclusive and the bound itself is returned exactly.
			if (value >= static_cast<double>(std::numeric_limits<T>::max()))
				return std::numeric_limits<T>::max();
			if (value <= static_cast<double>(std::numeric_limits<T>::lowest()))
				return std::numeric_limits<T>::lowest();
			return static_cast<T>(value);
		}

		Kind kind = Kind::Signed;
		std::int64_t integer = 0;
		double floating = 0.0;
	};
}
