#include "Utilities/Inertia.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

TEST(Inertia, ShapeTableMomentsAndUnknownShapes)
{
	const std::tuple<InertiaShape, Tuple3f, float, Tuple3f> cases[] = {
		{InertiaShape::Ellipsoid, {2, 2, 2}, 5, {2, 2, 2}},
		{InertiaShape::Ellipsoid, {2, 4, 6}, 5, {13, 10, 5}},
		{InertiaShape::Box, {1, 2, 3}, 12, {13, 10, 5}},
		{InertiaShape::Cone, {2, 4, 0}, 10, {0.15f * 10 + 0.0375f * 10 * 16, 3, 0.15f * 10 + 0.0375f * 10 * 16}},
		{InertiaShape::Cylinder, {2, 4, 0}, 12, {3 + 16, 6, 3 + 16}},
		{InertiaShape::Plate, {3, 6, 0}, 12, {36, 9, 45}},
	};
	for (const auto& [shape, size, mass, expected] : cases)
	{
		Matrix4 tensor;
		InertiaTensor::FromShape(shape, size, mass, tensor);
		ExpectNear(Tuple3f(tensor[0], tensor[5], tensor[10]), expected, 1e-5);
		EXPECT_TRUE(tensor[15] == 1.0f && tensor[1] == 0.0f);
	}
	Matrix4 tensor;
	const std::string error = FLExceptionOf([&] { InertiaTensor::FromShape(static_cast<InertiaShape>(5), Tuple3f(1, 1, 1), 1.0f, tensor); });
	EXPECT_NE(error.find("unknown shape type 5"), std::string::npos) << error;
	EXPECT_EQ(tensor, Matrix4());
}

TEST(Inertia, ComputeGivesTensorAndInverseOrZerosForNoMassOrAFlatTensor)
{
	InertiaTensorPair pair;
	InertiaTensor::Compute(pair, Tuple3f(2, 2, 2), 5);
	ExpectRowsNear(pair.tensor, {2, 0, 0, 0, 2, 0, 0, 0, 2}, 1e-6);
	ExpectNear(pair.tensor * pair.inverse, Matrix4::Identity(), 1e-6);

	// No mass, or a NaN one that must not fill the body's tensors with NaNs, gives zeros.
	for (const float mass : {0.0f, std::numeric_limits<float>::quiet_NaN()})
	{
		pair.tensor[3] = pair.inverse[7] = 9.0f;
		InertiaTensor::Compute(pair, Tuple3f(2, 2, 2), mass);
		EXPECT_TRUE(pair.tensor == Matrix4() && pair.inverse == Matrix4()) << mass;
	}

	// Diameter 0.2 and mass 1: moments 0.004 (determinant 6.4e-8) still invert, so small bodies
	// turn; a tensor flat along an axis does not.
	InertiaTensor::Compute(pair, Tuple3f(0.2f, 0.2f, 0.2f), 1.0f);
	EXPECT_NEAR(pair.tensor[0], 0.004f, 1e-7);
	EXPECT_NEAR(pair.inverse[0], 250.0f, 1e-2);
	Matrix4 flat = pair.tensor;
	flat.At(2, 2) = 1e-12f;
	EXPECT_EQ(InertiaTensor::Invert(flat), Matrix4());
}

TEST(Inertia, TransformToBodyShiftsRotatesAndAccumulates)
{
	const Tuple3f sphere(2, 2, 2);
	Matrix4 alongX;
	InertiaTensor::TransformToBody(alongX, Tuple3f(1, 0, 0), InertiaShape::Ellipsoid, sphere, Quaternion(), 2.0f);
	// Own moments 0.8 each, plus 2 on the axes the offset is perpendicular to.
	ExpectRowsNear(alongX, {0.8f, 0, 0, 0, 2.8f, 0, 0, 0, 2.8f}, 1e-6);

	Matrix4 diagonal;
	InertiaTensor::TransformToBody(diagonal, Tuple3f(1, 1, 0), InertiaShape::Ellipsoid, sphere, Quaternion(), 2.0f);
	ExpectRowsNear(diagonal, {2.8f, -2, 0, -2, 2.8f, 0, 0, 0, 4.8f}, 1e-6);

	// A rotated piece turns its moments; a second piece adds to the first.
	Matrix4 body;
	InertiaTensor::TransformToBody(body, Tuple3f(), InertiaShape::Box, Tuple3f(1, 2, 3), kQuarterTurnZ, 12.0f);
	ExpectRowsNear(body, {10, 0, 0, 0, 13, 0, 0, 0, 5}, 1e-5);
	InertiaTensor::TransformToBody(body, Tuple3f(), InertiaShape::Box, Tuple3f(1, 2, 3), Quaternion(), 12.0f);
	ExpectRowsNear(body, {23, 0, 0, 0, 23, 0, 0, 0, 10}, 1e-5);
}
