#include "Utilities/Quaternion.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

TEST(Quaternion, RotationVectorRoundTripAndTinyRotationsAreNone)
{
	const Tuple3f rotations[] = {{0.5f, 0, 0}, {0, -1.2f, 0}, {0.3f, 0.4f, -0.5f}, {2.0f, 1.0f, 1.5f},
		{0, 0, 3.1f}, {-0.001f, 0.002f, 0.0005f}};
	for (const Tuple3f& rotation : rotations)
	{
		const Quaternion q = QuaternionFromRotationVector(rotation);
		EXPECT_NEAR(q.Length(), 1.0, 1e-6) << rotation;
		ExpectNear(QuaternionToRotationVector(q), rotation, 2e-5);
		// A quaternion of any length stands for the same rotation.
		ExpectNear(QuaternionToRotationVector(Quaternion(q * 3.0f)), rotation, 2e-5);
	}
	EXPECT_EQ(QuaternionFromRotationVector(Tuple3f(5e-5f, 0, -5e-5f)), Quaternion());
	EXPECT_NE(QuaternionFromRotationVector(Tuple3f(2e-4f, 0, 0)), Quaternion());
	EXPECT_EQ(QuaternionToRotationVector(Quaternion(1e-5f, 0, 0, 1)), Tuple3f());
	// A zero quaternion holds no rotation; it must not turn into NaNs.
	EXPECT_EQ(QuaternionToRotationVector(Quaternion(0, 0, 0, 0)), Tuple3f());
}

TEST(Quaternion, SlerpTakesTheShortArc)
{
	Quaternion negated = kQuarterTurnZ;
	negated.Negate();
	ExpectNear(Quaternion::Slerp(kQuarterTurnZ, negated, 0.5f), kQuarterTurnZ, 1e-6);
	const Quaternion eighth = Quaternion::Slerp(Quaternion(), kQuarterTurnZ, 0.25f);
	const double angle = std::numbers::pi / 8;
	ExpectNear(eighth, Quaternion(0, 0, static_cast<float>(std::sin(angle / 2)), static_cast<float>(std::cos(angle / 2))),
		1e-6);
	EXPECT_EQ(Quaternion::Slerp(kQuarterTurnZ, Quaternion(), 0.0f), kQuarterTurnZ);
	// Nearly equal rotations blend linearly instead of dividing by a vanishing sine.
	const Quaternion close = QuaternionFromRotationVector(Tuple3f(0, 0, 0.001f));
	ExpectNear(Quaternion::Slerp(Quaternion(), close, 0.5f), (Tuple4f(Quaternion()) + close) * 0.5f, 1e-7);
}

TEST(Quaternion, FromToTurnsOneUnitVectorOntoTheOtherAndRotateAgrees)
{
	const Tuple3f cases[][2] = {{{1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}, {0, 0, 1}}, {{1, 0, 0}, {-1, 0, 0}}, {{0, 1, 0}, {0, -1, 0}},
		{{0, 0, -1}, {0, 0, 1}}, {Tuple3f(1, 2, 3).Normalize(), Tuple3f(-3, 1, 0.5f).Normalize()}};
	for (const auto& [from, to] : cases)
	{
		const Quaternion q = QuaternionFromTo(from, to);
		EXPECT_NEAR(q.Length(), 1.0, 1e-6) << from << " to " << to;
		ExpectNear(Quaternion::Rotate(q, from), to, 1e-5);
	}
	ExpectNear(Quaternion::InverseRotate(kQuarterTurnZ, Tuple3f(1, 0, 0)), Tuple3f(0, -1, 0), 1e-6);
	// A non-unit quaternion rotates the same: the inverse divides by the squared length.
	ExpectNear(Quaternion::Rotate(Quaternion(kQuarterTurnZ * 2.0f), Tuple3f(0, 3, 1)), Tuple3f(-3, 0, 1), 1e-5);
}
