// Helpers shared by the utility tests: tolerance checks for tuples and matrices, random numbers in
// a range, an element that counts its live instances, and what a call reports or throws.
#pragma once

#include "Utilities/FLException.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Random.h"
#include "Utilities/Tuple.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>

// A quarter turn about z, which the rotation tests share.
inline const Quaternion kQuarterTurnZ(0.0f, 0.0f, std::numbers::sqrt2_v<float> / 2, std::numbers::sqrt2_v<float> / 2);

inline void ExpectNear(const Tuple4f& actual, const Tuple4f& expected, double tolerance)
{
	const float got[] = {actual.x, actual.y, actual.z, actual.w}, wanted[] = {expected.x, expected.y, expected.z, expected.w};
	for (int i = 0; i < 4; ++i)
		EXPECT_NEAR(got[i], wanted[i], tolerance) << "component " << i << " of " << actual << ", expected " << expected;
}

inline void ExpectNear(const Tuple3f& actual, const Tuple3f& expected, double tolerance)
{
	ExpectNear(Tuple4f(actual.x, actual.y, actual.z, 0), Tuple4f(expected.x, expected.y, expected.z, 0), tolerance);
}

inline void ExpectNear(const Matrix4& actual, const Matrix4& expected, double tolerance)
{
	for (int i = 0; i < 16; ++i)
		EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
}

// The upper-left 3x3 block given row by row.
inline void ExpectRowsNear(const Matrix4& actual, std::initializer_list<float> rows, double tolerance)
{
	for (int index = 0; index < static_cast<int>(rows.size()); ++index)
		EXPECT_NEAR(actual.At(index / 3, index % 3), rows.begin()[index], tolerance) << "row " << index / 3 << " column " << index % 3;
}

inline float RandomIn(float low, float high)
{
	return low + (high - low) * static_cast<float>(tw::Rand()) / tw::kRandMax;
}

// The same from a sequence of its own, which a table seeds per row.
inline float RandomIn(tw::RandomSequence& draws, float low, float high)
{
	return low + (high - low) * static_cast<float>(draws.Next()) / tw::kRandMax;
}

// A container element that counts its live instances, so a test can see each one destroyed once.
struct LiveCounted
{
	static inline int live = 0;
	explicit LiveCounted(int value = 0) : value(value) { ++live; }
	LiveCounted(const LiveCounted& other) : value(other.value) { ++live; }
	LiveCounted(LiveCounted&& other) noexcept : value(std::exchange(other.value, -1)) { ++live; }
	LiveCounted& operator=(const LiveCounted&) = default;
	LiveCounted& operator=(LiveCounted&& other) noexcept { return value = std::exchange(other.value, -1), *this; }
	~LiveCounted() { --live; }
	int value;
};

// What call writes to standard error.
template <class Call>
std::string StderrOf(Call&& call)
{
	testing::internal::CaptureStderr();
	call();
	return testing::internal::GetCapturedStderr();
}

// The message of the FLException that call throws, or "" when it throws none.
template <class Call>
std::string FLExceptionOf(Call&& call)
{
	try
	{
		call();
		return "";
	}
	catch (const FLException& error)
	{
		return error.Message();
	}
}
