#include "Utilities/Inertia.h"

#include "Utilities/FLException.h"

#include <cmath>
#include <string>

namespace
{
	// The moments' factors in the single precision the tuning was done with.
	constexpr float kFifth = 0.2f;
	constexpr float kTwelfth = 1.0f / 12.0f;
	constexpr float kConeRadiusFactor = 0.15f;
	constexpr float kConeHeightFactor = 0.0375f;
	constexpr float kConeAxialFactor = 0.3f;
	constexpr float kInertiaHalf = 0.5f;

	struct Moments
	{
		double xx;
		double yy;
		double zz;
	};

	using ShapeMoments = Moments (*)(const Tuple3f& size, double mass);

	double Squared(double value)
	{
		return value * value;
	}

	Moments Ellipsoid(const Tuple3f& size, double mass)
	{
		const double a2 = Squared(size.x * 0.5), b2 = Squared(size.y * 0.5), c2 = Squared(size.z * 0.5);
		return {kFifth * mass * (b2 + c2), kFifth * mass * (a2 + c2), kFifth * mass * (a2 + b2)};
	}

	Moments Box(const Tuple3f& size, double mass)
	{
		const double x2 = Squared(size.x), y2 = Squared(size.y), z2 = Squared(size.z);
		return {kTwelfth * mass * (y2 + z2), kTwelfth * mass * (x2 + z2), kTwelfth * mass * (x2 + y2)};
	}

	Moments Cone(const Tuple3f& size, double mass)
	{
		const double r2 = Squared(size.x * 0.5), h2 = Squared(size.y);
		const double across = kConeRadiusFactor * mass * r2 + kConeHeightFactor * mass * h2;
		return {across, kConeAxialFactor * mass * r2, across};
	}

	Moments Cylinder(const Tuple3f& size, double mass)
	{
		const double r2 = Squared(size.x * 0.5), h2 = Squared(size.y);
		const double across = kTwelfth * mass * (3.0 * r2 + h2);
		return {across, kInertiaHalf * mass * r2, across};
	}

	Moments Plate(const Tuple3f& size, double mass)
	{
		const double x2 = Squared(size.x), y2 = Squared(size.y);
		return {kTwelfth * mass * y2, kTwelfth * mass * x2, kTwelfth * mass * (x2 + y2)};
	}

	constexpr ShapeMoments kShapeTable[] = {Ellipsoid, Box, Cone, Cylinder, Plate};
	constexpr int kInertiaShapeCount = static_cast<int>(sizeof(kShapeTable) / sizeof(kShapeTable[0]));
}

void InertiaTensor::FromShape(InertiaShape shape, const Tuple3f& dimensions, float mass, Matrix4& out)
{
	const int index = static_cast<int>(shape);
	// The shape comes from collider data: an unknown one must not index past the table.
	if (index < 0 || index >= kInertiaShapeCount)
		FL_THROW("Inertia tensor: unknown shape type " + std::to_string(index) + " (expected 0 to " +
			std::to_string(kInertiaShapeCount - 1) + ")");
	const Moments moments = kShapeTable[index](dimensions, mass);
	out[0] = static_cast<float>(moments.xx);
	out[5] = static_cast<float>(moments.yy);
	out[10] = static_cast<float>(moments.zz);
	out[15] = 1.0f;
}

void InertiaTensor::Compute(InertiaTensorPair& out, const Tuple3f& dimensions, float mass)
{
	out.tensor = Matrix4();
	out.inverse = Matrix4();
	// A NaN mass would fill the body's tensors with NaNs and poison the solver; it counts as
	// no mass.
	if (mass == 0.0f || std::isnan(mass))
		return;
	FromShape(InertiaShape::Ellipsoid, dimensions, mass, out.tensor);
	out.inverse = Invert(out.tensor);
}

Matrix4 InertiaTensor::Invert(const Matrix4& tensor)
{
	double a[3][3];
	double scale = 0.0;
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
		{
			a[row][column] = tensor.At(row, column);
			scale = std::max(scale, std::fabs(a[row][column]));
		}
	double cofactor[3][3];
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
		{
			const int r1 = (row + 1) % 3, r2 = (row + 2) % 3, c1 = (column + 1) % 3, c2 = (column + 2) % 3;
			cofactor[row][column] = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
		}
	const double determinant = a[0][0] * cofactor[0][0] + a[0][1] * cofactor[0][1] + a[0][2] * cofactor[0][2];
	// Singular relative to the tensor's own size: a 0.1 m cube (moments near 1e-3) still turns,
	// while a tensor flat along an axis does not.
	Matrix4 inverse;
	if (!(std::fabs(determinant) > kRelativeSingularity * scale * scale * scale))
		return inverse;
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
			inverse.At(row, column) = static_cast<float>(cofactor[column][row] / determinant);
	inverse.At(3, 3) = 1.0f;
	return inverse;
}

void InertiaTensor::TransformToBody(Matrix4& accumulator, const Tuple3f& offset, InertiaShape shape,
	const Tuple3f& dimensions, const Quaternion& orientation, float mass)
{
	Matrix4 part;
	FromShape(shape, dimensions, mass, part);
	part = Matrix4::SimilarityTransform(part, Matrix4::FromRotation(orientation));

	const double offsetSquared = offset.LengthSquared();
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
		{
			const double onDiagonal = row == column ? static_cast<double>(mass) * offsetSquared : 0.0;
			const double shift = onDiagonal - static_cast<double>(mass) * offset[row] * offset[column];
			part.At(row, column) = static_cast<float>(part.At(row, column) + shift);
		}
	accumulator = accumulator + part;
}
