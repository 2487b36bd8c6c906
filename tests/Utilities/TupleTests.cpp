#include "Utilities/Tuple.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <sstream>

TEST(Tuple, NormalizeGivesUnitLengthOrSignedMaximaForZero)
{
	Tuple3f v(3.0f, -4.0f, 12.0f);
	const Tuple3f unit = v.Normalize();
	EXPECT_EQ(v, Tuple3f(3.0f, -4.0f, 12.0f)) << "Normalize must leave a Tuple3 itself alone";
	EXPECT_NEAR(unit.Length(), 1.0, 1e-6);
	EXPECT_EQ(v.NormalizeThis(), unit);
	EXPECT_EQ(Tuple2f(-6.0f, 8.0f).Normalize(), Tuple2f(-0.6f, 0.8f));

	// Below DBL_EPSILON counts as zero even when not exactly zero; zero and -0 count as positive.
	EXPECT_EQ(Tuple3f(0.0f, -0.0f, -1e-20f).Normalize(), Tuple3f(FLT_MAX, FLT_MAX, -FLT_MAX));
	EXPECT_EQ(Tuple2f(0.0f, 0.0f).Normalize(), Tuple2f(FLT_MAX, FLT_MAX));
	EXPECT_EQ(Tuple4f(-1e-20f, 0.0f, 0.0f, 0.0f).Normalize(), Tuple4f(-FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX));
	EXPECT_EQ(Tuple2i(0, 0).Normalize(), Tuple2i(INT_MAX, INT_MAX));
	// A zero vector has no direction: the angle is 0 rather than NaN.
	EXPECT_EQ(Tuple3f(0, 0, 0).AngleBetween(Tuple3f(1, 0, 0)), 0.0f);
	// Integer tuples truncate each quotient.
	const Tuple2i integers[][2] = {{{3, 4}, {0, 0}}, {{0, 5}, {0, 1}}, {{-3, 0}, {-1, 0}}, {{7, -7}, {0, 0}}};
	for (const auto& c : integers)
		EXPECT_EQ(Tuple2i(c[0]).Normalize(), c[1]) << c[0];
}

TEST(Tuple, IntegerArithmeticWrapsAt32Bits)
{
	const Tuple2i big(40000, 40000);
	EXPECT_LT(big.LengthSquared(), 0) << "3.2e9 wraps to a negative 32-bit sum";
	EXPECT_TRUE(std::isnan(big.Length()));
	EXPECT_EQ(Tuple2i(big).Normalize(), Tuple2i(INT_MAX, INT_MAX)) << "a wrapped length counts as zero";
	Tuple2i lowest(INT_MIN, 1);
	lowest.Negate();
	EXPECT_EQ(lowest, Tuple2i(INT_MIN, -1));
	EXPECT_EQ(Tuple2i(INT_MAX, 0) + Tuple2i(1, 0), Tuple2i(INT_MIN, 0));
}

TEST(Tuple, ClampAndDivisionByNearZero)
{
	Tuple2i two(-9, 9);
	two.Clamp(-2, 2);
	EXPECT_EQ(two, Tuple2i(-2, 2));

	// Division by near zero gives signed maxima; the guard includes the threshold.
	const Tuple3f v(1.0f, -2.0f, 0.0f);
	EXPECT_EQ(v / 1e-8f, Tuple3f(FLT_MAX, -FLT_MAX, FLT_MAX));
	EXPECT_EQ(v / -FLT_EPSILON, Tuple3f(FLT_MAX, -FLT_MAX, FLT_MAX));
	const float justAbove = std::nextafter(FLT_EPSILON, 1.0f);
	EXPECT_EQ(v / justAbove, Tuple3f(1.0f / justAbove, -2.0f / justAbove, 0.0f));
	EXPECT_EQ(Tuple2f(-1.0f, 4.0f) / 0.0f, Tuple2f(-FLT_MAX, FLT_MAX));
}

TEST(Tuple, TextFormIsSpaceSeparatedAndReadsAnyWhitespace)
{
	std::ostringstream out;
	out << Tuple3f(1.5f, -2.0f, 1.0f / 3.0f) << '|' << Tuple2i(-4, 7) << '|' << Tuple4f(0, 1, 2, 3);
	EXPECT_EQ(out.str(), "1.5 -2 0.333333|-4 7|0 1 2 3");

	std::istringstream in("1 \n 2\t3   -4 5 6 7 8");
	Tuple3f three;
	Tuple4i four;
	EXPECT_FALSE((in >> three >> four).fail());
	EXPECT_EQ(three, Tuple3f(1, 2, 3));
	EXPECT_EQ(four, Tuple4i(-4, 5, 6, 7));

	in.clear();
	in.str("1 2");
	in >> three;
	EXPECT_TRUE(in.fail()) << "a missing component must be reported, not read as 0";
}
