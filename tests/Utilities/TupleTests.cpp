#include "Utilities/Tuple.h"

#include "Utilities/MathTestHelpers.h"
#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>
#include <sstream>

TEST(Tuple, NormalizingZeroLengthGivesSignedMaxima)
{
	// Below DBL_EPSILON counts as zero even when not exactly zero; zero and -0 count as positive.
	EXPECT_EQ(Tuple3f(0.0f, -0.0f, -1e-20f).Normalize(), Tuple3f(FLT_MAX, FLT_MAX, -FLT_MAX));
	Tuple2f flat(0.0f, 0.0f);
	EXPECT_EQ(flat.Normalize(), Tuple2f(FLT_MAX, FLT_MAX));
	Tuple4f quad(-1e-20f, 0.0f, 0.0f, 0.0f);
	EXPECT_EQ(quad.Normalize(), Tuple4f(-FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX));
	Tuple2i zero(0, 0);
	EXPECT_EQ(zero.Normalize(), Tuple2i(INT_MAX, INT_MAX));
}

TEST(Tuple, IntegerNormalizeTruncatesEachQuotient)
{
	const struct
	{
		Tuple2i input;
		Tuple2i expected;
	} cases[] = {{{3, 4}, {0, 0}}, {{0, 5}, {0, 1}}, {{-3, 0}, {-1, 0}}, {{7, -7}, {0, 0}}};
	for (const auto& c : cases)
	{
		Tuple2i t = c.input;
		EXPECT_EQ(t.Normalize(), c.expected) << c.input;
	}
}

TEST(Tuple, FloatNormalizeGivesUnitLength)
{
	Tuple3f v(3.0f, -4.0f, 12.0f);
	const Tuple3f copy = v.Normalize();
	EXPECT_EQ(v, Tuple3f(3.0f, -4.0f, 12.0f)) << "Normalize must leave the tuple itself alone";
	EXPECT_NEAR(copy.Length(), 1.0, 1e-6);
	EXPECT_EQ(v.NormalizeThis(), copy);
	Tuple4f q(1.0f, 2.0f, 2.0f, 4.0f);
	EXPECT_NEAR(q.Normalize().Length(), 1.0, 1e-6);
	Tuple2f p(-6.0f, 8.0f);
	EXPECT_EQ(p.Normalize(), Tuple2f(-0.6f, 0.8f));
}

TEST(Tuple, IntegerArithmeticWrapsAt32Bits)
{
	const Tuple2i big(40000, 40000);
	EXPECT_LT(big.LengthSquared(), 0) << "3.2e9 wraps to a negative 32-bit sum";
	EXPECT_TRUE(std::isnan(big.Length()));
	Tuple2i normalized = big;
	EXPECT_EQ(normalized.Normalize(), Tuple2i(INT_MAX, INT_MAX)) << "a wrapped length counts as zero";
	Tuple2i lowest(INT_MIN, 1);
	lowest.Negate();
	EXPECT_EQ(lowest, Tuple2i(INT_MIN, -1));
	EXPECT_EQ(Tuple2i(INT_MAX, 0) + Tuple2i(1, 0), Tuple2i(INT_MIN, 0));
}

TEST(Tuple, ClampOrderDiffersForTuple4WhenMinExceedsMax)
{
	Tuple3f three(0.0f, 3.0f, 9.0f);
	three.Clamp(5.0f, 1.0f);
	EXPECT_EQ(three, Tuple3f(5.0f, 1.0f, 1.0f));
	Tuple4f four(0.0f, 3.0f, 9.0f, 0.0f);
	four.Clamp(5.0f, 1.0f);
	EXPECT_EQ(four, Tuple4f(5.0f, 5.0f, 1.0f, 5.0f));
	Tuple2i two(-9, 9);
	two.Clamp(-2, 2);
	EXPECT_EQ(two, Tuple2i(-2, 2));
}

TEST(Tuple, DivisionByNearZeroGivesSignedMaxima)
{
	const Tuple3f v(1.0f, -2.0f, 0.0f);
	EXPECT_EQ(v / 1e-8f, Tuple3f(FLT_MAX, -FLT_MAX, FLT_MAX));
	EXPECT_EQ(v / -FLT_EPSILON, Tuple3f(FLT_MAX, -FLT_MAX, FLT_MAX)) << "the guard includes the threshold";
	const float justAbove = std::nextafter(FLT_EPSILON, 1.0f);
	EXPECT_EQ(v / justAbove, Tuple3f(1.0f / justAbove, -2.0f / justAbove, 0.0f));
	EXPECT_EQ(Tuple2f(-1.0f, 4.0f) / 0.0f, Tuple2f(-FLT_MAX, FLT_MAX));
}

TEST(Tuple, AnglesAndDirections)
{
	const double halfPi = std::numbers::pi / 2;
	EXPECT_NEAR(Tuple2i(1, 0).AngleBetween(Tuple2i(0, 1)), halfPi, 1e-12);
	EXPECT_NEAR(Tuple2f(1, 0).AngleBetween(Tuple2f(0, 3)), halfPi, 1e-7);
	EXPECT_NEAR(Tuple3f(0, 0, 2).AngleBetween(Tuple3f(0, 5, 0)), halfPi, 1e-6);
	EXPECT_NEAR(Tuple3f(1, 1, 0).AngleBetween(Tuple3f(-1, -1, 0)), std::numbers::pi, 1e-3);
	// A zero vector has no direction: the angle is 0 rather than NaN.
	EXPECT_EQ(Tuple2i(0, 0).AngleBetween(Tuple2i(1, 0)), 0.0);
	EXPECT_EQ(Tuple2f(0, 0).AngleBetween(Tuple2f(1, 0)), 0.0);
	EXPECT_EQ(Tuple3f(0, 0, 0).AngleBetween(Tuple3f(1, 0, 0)), 0.0f);
	EXPECT_EQ(Tuple2i(0, 1).Direction(), 1);
	EXPECT_EQ(Tuple2f(0, 1).Direction(), static_cast<float>(halfPi));
}

TEST(Tuple, ProductsAndDistances)
{
	Tuple3f cross(9, 9, 9);
	EXPECT_EQ(cross.CrossProduct(Tuple3f(1, 0, 0), Tuple3f(0, 1, 0)), Tuple3f(0, 0, 1));
	EXPECT_EQ(Tuple3f(1, 2, 3).DotProduct(Tuple3f(-2, 0.5f, 4)), 11.0f);
	EXPECT_EQ(Tuple3f(1, 2, 3).DistanceSquared(Tuple3f(4, 6, 3)), 25.0f);
	EXPECT_EQ(Tuple3f(1, 2, 3).Distance(Tuple3f(4, 6, 3)), 5.0);
	EXPECT_EQ(Tuple2i(1, 1).DistanceSquared(Tuple2i(4, 5)), 25);
	EXPECT_EQ(Tuple2f(1, 1).Distance(Tuple2f(4, 5)), 5.0);
	EXPECT_EQ(Tuple3f(3, 4, 0).LengthSquared(), 25.0f);
}

TEST(Tuple, ResizeScalesToLengthAndZeroHasNoDirection)
{
	EXPECT_EQ(Tuple3f(3, 4, 0).Resize(10.0f), Tuple3f(6, 8, 0));
	Tuple3f v(0, 0, -2);
	v.ResizeThis(0.5f);
	EXPECT_EQ(v, Tuple3f(0, 0, -0.5f));
	const Tuple3f zero = Tuple3f().Resize(1.0f);
	EXPECT_TRUE(std::isnan(zero.x) && std::isnan(zero.y) && std::isnan(zero.z));
}

TEST(Tuple, RandomizeStaysWithinBoundsAndIsReproducible)
{
	tw::SeedRand(7);
	const Tuple3f low(-1, 10, 5), high(1, 20, 5);
	Tuple3f first;
	first.Randomize(low, high);
	for (int i = 0; i < 1000; ++i)
	{
		Tuple3f v;
		v.Randomize(low, high);
		EXPECT_TRUE(v.x >= -1 && v.x <= 1 && v.y >= 10 && v.y <= 20 && v.z == 5) << v;
		Tuple2i n;
		n.Randomize(Tuple2i(-3, 0), Tuple2i(3, 100));
		EXPECT_TRUE(n.x >= -3 && n.x <= 3 && n.y >= 0 && n.y <= 100) << n;
	}
	tw::SeedRand(7);
	Tuple3f again;
	again.Randomize(low, high);
	EXPECT_EQ(again, first);
}

TEST(Tuple, TextFormIsSpaceSeparatedAndReadsAnyWhitespace)
{
	std::ostringstream out;
	out << Tuple3f(1.5f, -2.0f, 1.0f / 3.0f) << '|' << Tuple2i(-4, 7) << '|' << Tuple4f(0, 1, 2, 3);
	EXPECT_EQ(out.str(), "1.5 -2 0.333333|-4 7|0 1 2 3");

	std::istringstream in("1 \n 2\t3   -4 5 6 7 8");
	Tuple3f three;
	Tuple4i four;
	in >> three >> four;
	EXPECT_FALSE(in.fail());
	EXPECT_EQ(three, Tuple3f(1, 2, 3));
	EXPECT_EQ(four, Tuple4i(-4, 5, 6, 7));

	std::istringstream shortInput("1 2");
	Tuple3f incomplete;
	shortInput >> incomplete;
	EXPECT_TRUE(shortInput.fail()) << "a missing component must be reported, not read as 0";
}
