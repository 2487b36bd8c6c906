// Tolerance checks for tuples and matrices shared by the math tests.
#pragma once

#include "Utilities/Matrix4.h"
#include "Utilities/Tuple.h"

#include <gtest/gtest.h>

inline void ExpectNear(const Tuple3f& actual, const Tuple3f& expected, double tolerance)
{
	EXPECT_NEAR(actual.x, expected.x, tolerance) << "x of " << actual << ", expected " << expected;
	EXPECT_NEAR(actual.y, expected.y, tolerance) << "y of " << actual << ", expected " << expected;
	EXPECT_NEAR(actual.z, expected.z, tolerance) << "z of " << actual << ", expected " << expected;
}

inline void ExpectNear(const Tuple4f& actual, const Tuple4f& expected, double tolerance)
{
	EXPECT_NEAR(actual.x, expected.x, tolerance) << "x of " << actual << ", expected " << expected;
	EXPECT_NEAR(actual.y, expected.y, tolerance) << "y of " << actual << ", expected " << expected;
	EXPECT_NEAR(actual.z, expected.z, tolerance) << "z of " << actual << ", expected " << expected;
	EXPECT_NEAR(actual.w, expected.w, tolerance) << "w of " << actual << ", expected " << expected;
}

inline void ExpectNear(const Matrix4& actual, const Matrix4& expected, double tolerance)
{
	for (int i = 0; i < 16; ++i)
		EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
}

// The upper-left 3x3 block given row by row.
inline void ExpectRowsNear(const Matrix4& actual, std::initializer_list<float> rows, double tolerance)
{
	int index = 0;
	for (float expected : rows)
	{
		EXPECT_NEAR(actual.At(index / 3, index % 3), expected, tolerance) << "row " << index / 3 << " column " << index % 3;
		++index;
	}
}
