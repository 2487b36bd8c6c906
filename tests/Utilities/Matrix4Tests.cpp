#include "Utilities/Matrix4.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

TEST(Matrix, TransformsFollowTranslationRotationScaleOrderAndAxisAngleTurns)
{
	const Matrix4 transform = Matrix4::FromTransform(Tuple3f(5, 6, 7), Tuple3f(2, 3, 4), kQuarterTurnZ);
	const float expected[16] = {0, -3, 0, 5, 2, 0, 0, 6, 0, 0, 4, 7, 0, 0, 0, 1};
	for (int i = 0; i < 16; ++i)
		EXPECT_NEAR(transform[i], expected[i], 1e-6) << "element " << i;
	ExpectNear(transform * Tuple3f(1, 1, 1), Tuple3f(2, 8, 11), 1e-5);

	const Matrix4 inverse = Matrix4::FromInverseTransform(kQuarterTurnZ, Tuple3f(2, 3, 4));
	ExpectRowsNear(inverse, {0, 2, 0, -3, 0, 0, 0, 0, 4}, 1e-6);
	EXPECT_TRUE(inverse[3] == 0.0f && inverse[15] == 1.0f);
	ExpectRowsNear(Matrix4::FromAxisAngle(Tuple3f(0, 0, 1), static_cast<float>(std::numbers::pi / 2)), {0, -1, 0, 1, 0, 0, 0, 0, 1}, 1e-6);
	EXPECT_EQ(Matrix4::FromAxisAngle(Tuple3f(0, 1, 0), -9e-5f), Matrix4::Identity()) << "a tiny angle is no turn";
}

TEST(Matrix, RandomRotationsAgreeAndTransformsInvert)
{
	tw::SeedRand(5);
	for (int i = 0; i < 100; ++i)
	{
		const Tuple3f axis = Tuple3f(RandomIn(-1, 1), RandomIn(-1, 1), RandomIn(-1, 1)).Normalize();
		const float angle = RandomIn(-3, 3);
		const Quaternion q = QuaternionFromRotationVector(axis * angle);
		const Matrix4 rotation = Matrix4::FromRotation(q);
		ExpectNear(rotation, Matrix4::FromAxisAngle(axis, angle), 2e-6);
		const Tuple3f point(RandomIn(-50, 50), RandomIn(-50, 50), RandomIn(-50, 50));
		ExpectNear(rotation * point, Quaternion::Rotate(q, point), 2e-4);
		const Matrix4 transform = Matrix4::FromTransform(point, Tuple3f(RandomIn(0.2f, 4), RandomIn(0.2f, 4), RandomIn(0.2f, 4)), q);
		ExpectNear(transform.Inverse() * transform, Matrix4::Identity(), 1e-4);
		ExpectNear(transform * transform.Inverse(), Matrix4::Identity(), 1e-4);
	}
	Matrix4 general;
	for (int i = 0; i < 16; ++i)
		general[i] = static_cast<float>((i * 7) % 11) - 4;
	ExpectNear(general.Inverse() * general, Matrix4::Identity(), 1e-4);
}

TEST(Matrix, InverseOfNearSingularIsAllZeros)
{
	const Matrix4 flattened = Matrix4::FromTransform(Tuple3f(1, 2, 3), Tuple3f(1, 0, 1), kQuarterTurnZ);
	EXPECT_EQ(flattened.Inverse(), Matrix4());
	// The threshold sits at a determinant of 1e-5: 0.02^3 = 8e-6 has no inverse, 0.03^3 does.
	EXPECT_EQ(Matrix4::FromTransform(Tuple3f(), Tuple3f(0.02f, 0.02f, 0.02f), Quaternion()).Inverse(), Matrix4());
	EXPECT_NEAR(Matrix4::FromTransform(Tuple3f(), Tuple3f(0.03f, 0.03f, 0.03f), Quaternion()).Inverse()[0], 1.0f / 0.03f, 1e-3);
}
