#include "Utilities/Matrix4.h"

#include "Utilities/MathCommon.h"

#include <array>
#include <cmath>

namespace
{
	using WideMatrix = std::array<double, 16>;

	WideMatrix Widen(const Matrix4& matrix)
	{
		WideMatrix wide;
		for (int i = 0; i < 16; ++i)
			wide[i] = matrix[i];
		return wide;
	}

	Matrix4 Narrow(const WideMatrix& wide)
	{
		Matrix4 matrix;
		for (int i = 0; i < 16; ++i)
			matrix[i] = static_cast<float>(wide[i]);
		return matrix;
	}

	WideMatrix Multiply(const WideMatrix& a, const WideMatrix& b)
	{
		WideMatrix product{};
		for (int row = 0; row < 4; ++row)
			for (int column = 0; column < 4; ++column)
				for (int k = 0; k < 4; ++k)
					product[4 * row + column] += a[4 * row + k] * b[4 * k + column];
		return product;
	}

	// The 3x3 rotation of q in rows, as doubles.
	std::array<double, 9> RotationRows(const Quaternion& q)
	{
		const double x = q.x, y = q.y, z = q.z, w = q.w;
		return {1.0 - 2.0 * y * y - 2.0 * z * z, 2.0 * x * y - 2.0 * z * w, 2.0 * x * z + 2.0 * y * w,
			2.0 * x * y + 2.0 * z * w, 1.0 - 2.0 * x * x - 2.0 * z * z, 2.0 * y * z - 2.0 * x * w,
			2.0 * x * z - 2.0 * y * w, 2.0 * y * z + 2.0 * x * w, 1.0 - 2.0 * x * x - 2.0 * y * y};
	}
}

Matrix4 Matrix4::Identity()
{
	Matrix4 identity;
	identity[0] = identity[5] = identity[10] = identity[15] = 1.0f;
	return identity;
}

Matrix4 Matrix4::operator*(const Matrix4& other) const
{
	return Narrow(Multiply(Widen(*this), Widen(other)));
}

Matrix4 Matrix4::operator*(float scale) const
{
	Matrix4 product;
	for (int i = 0; i < 16; ++i)
		product[i] = static_cast<float>(static_cast<double>(m[i]) * scale);
	return product;
}

Matrix4 Matrix4::operator+(const Matrix4& other) const
{
	Matrix4 sum;
	for (int i = 0; i < 16; ++i)
		sum[i] = m[i] + other[i];
	return sum;
}

Matrix4 Matrix4::Transpose() const
{
	Matrix4 transposed;
	for (int row = 0; row < 4; ++row)
		for (int column = 0; column < 4; ++column)
			transposed.At(column, row) = At(row, column);
	return transposed;
}

namespace
{
	// The 2x2 minors of the top two rows (s) and the bottom two rows (c) over each column pair;
	// the determinant and every cofactor are sums of their products.
	struct Minors
	{
		double s[6];
		double c[6];

		explicit Minors(const WideMatrix& a)
		{
			s[0] = a[0] * a[5] - a[4] * a[1];
			s[1] = a[0] * a[6] - a[4] * a[2];
			s[2] = a[0] * a[7] - a[4] * a[3];
			s[3] = a[1] * a[6] - a[5] * a[2];
			s[4] = a[1] * a[7] - a[5] * a[3];
			s[5] = a[2] * a[7] - a[6] * a[3];
			c[5] = a[10] * a[15] - a[14] * a[11];
			c[4] = a[9] * a[15] - a[13] * a[11];
			c[3] = a[9] * a[14] - a[13] * a[10];
			c[2] = a[8] * a[15] - a[12] * a[11];
			c[1] = a[8] * a[14] - a[12] * a[10];
			c[0] = a[8] * a[13] - a[12] * a[9];
		}

		double Determinant() const
		{
			return s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
		}
	};
}

double Matrix4::Determinant() const
{
	return Minors(Widen(*this)).Determinant();
}

Matrix4 Matrix4::Inverse() const
{
	const WideMatrix a = Widen(*this);
	const Minors minors(a);
	const double* s = minors.s;
	const double* c = minors.c;
	const double determinant = minors.Determinant();
	if (std::fabs(determinant) <= kDeterminantEpsilon)
		return Matrix4();

	const double f = 1.0 / determinant;
	WideMatrix inverse;
	inverse[0] = (a[5] * c[5] - a[6] * c[4] + a[7] * c[3]) * f;
	inverse[1] = (-a[1] * c[5] + a[2] * c[4] - a[3] * c[3]) * f;
	inverse[2] = (a[13] * s[5] - a[14] * s[4] + a[15] * s[3]) * f;
	inverse[3] = (-a[9] * s[5] + a[10] * s[4] - a[11] * s[3]) * f;
	inverse[4] = (-a[4] * c[5] + a[6] * c[2] - a[7] * c[1]) * f;
	inverse[5] = (a[0] * c[5] - a[2] * c[2] + a[3] * c[1]) * f;
	inverse[6] = (-a[12] * s[5] + a[14] * s[2] - a[15] * s[1]) * f;
	inverse[7] = (a[8] * s[5] - a[10] * s[2] + a[11] * s[1]) * f;
	inverse[8] = (a[4] * c[4] - a[5] * c[2] + a[7] * c[0]) * f;
	inverse[9] = (-a[0] * c[4] + a[1] * c[2] - a[3] * c[0]) * f;
	inverse[10] = (a[12] * s[4] - a[13] * s[2] + a[15] * s[0]) * f;
	inverse[11] = (-a[8] * s[4] + a[9] * s[2] - a[11] * s[0]) * f;
	inverse[12] = (-a[4] * c[3] + a[5] * c[1] - a[6] * c[0]) * f;
	inverse[13] = (a[0] * c[3] - a[1] * c[1] + a[2] * c[0]) * f;
	inverse[14] = (-a[12] * s[3] + a[13] * s[1] - a[14] * s[0]) * f;
	inverse[15] = (a[8] * s[3] - a[9] * s[1] + a[10] * s[0]) * f;
	return Narrow(inverse);
}

Matrix4 Matrix4::FromAxisAngle(const Tuple3f& axis, float angle)
{
	if (std::fabs(angle) < kAngleEpsilon)
		return Identity();
	const double cosine = std::cos(static_cast<double>(angle));
	const double sine = std::sin(static_cast<double>(angle));
	const double u[3] = {axis.x, axis.y, axis.z};
	// The cross-product matrix K of the axis, row by row.
	const double k[9] = {0.0, -u[2], u[1], u[2], 0.0, -u[0], -u[1], u[0], 0.0};
	Matrix4 rotation = Identity();
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
		{
			const double diagonal = row == column ? cosine : 0.0;
			rotation.At(row, column) =
				static_cast<float>(diagonal + sine * k[3 * row + column] + (1.0 - cosine) * u[row] * u[column]);
		}
	return rotation;
}

Matrix4 Matrix4::FromRotation(const Quaternion& q)
{
	const std::array<double, 9> rows = RotationRows(q);
	Matrix4 rotation = Identity();
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
			rotation.At(row, column) = static_cast<float>(rows[3 * row + column]);
	return rotation;
}

Matrix4 Matrix4::FromTransform(const Tuple3f& position, const Tuple3f& scale, const Quaternion& q)
{
	const std::array<double, 9> rows = RotationRows(q);
	Matrix4 transform = Identity();
	for (int row = 0; row < 3; ++row)
	{
		for (int column = 0; column < 3; ++column)
			transform.At(row, column) = static_cast<float>(rows[3 * row + column] * scale[column]);
		transform.At(row, 3) = position[row];
	}
	return transform;
}

Matrix4 Matrix4::FromInverseTransform(const Quaternion& q, const Tuple3f& scale)
{
	const std::array<double, 9> rows = RotationRows(q.Inverse());
	Matrix4 transform = Identity();
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
			transform.At(row, column) = static_cast<float>(scale[row] * rows[3 * row + column]);
	return transform;
}

void Matrix4::FromRotationAndTranspose(const Quaternion& q, Matrix4& columnOrder, Matrix4& columnOrderCopy,
	Matrix4& rowOrder)
{
	rowOrder = FromRotation(q);
	columnOrder = rowOrder.Transpose();
	columnOrderCopy = columnOrder;
}

Matrix4 Matrix4::SimilarityTransform(const Matrix4& m, const Matrix4& r)
{
	const WideMatrix rotation = Widen(r);
	return Narrow(Multiply(Multiply(rotation, Widen(m)), Widen(r.Transpose())));
}

Quaternion QuaternionFromRotationMatrix(const Matrix4& m)
{
	// Builds the quaternion from its largest component, so the square root is always of a sum of
	// at least 1: the trace formula alone takes the root of a negative number near half turns.
	const double m00 = m.At(0, 0), m11 = m.At(1, 1), m22 = m.At(2, 2);
	const double trace = m00 + m11 + m22;
	double x, y, z, w;
	if (trace > 0.0)
	{
		const double s = 2.0 * std::sqrt(1.0 + trace);
		w = 0.25 * s;
		x = (m.At(2, 1) - m.At(1, 2)) / s;
		y = (m.At(0, 2) - m.At(2, 0)) / s;
		z = (m.At(1, 0) - m.At(0, 1)) / s;
	}
	else if (m00 >= m11 && m00 >= m22)
	{
		const double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
		w = (m.At(2, 1) - m.At(1, 2)) / s;
		x = 0.25 * s;
		y = (m.At(0, 1) + m.At(1, 0)) / s;
		z = (m.At(0, 2) + m.At(2, 0)) / s;
	}
	else if (m11 >= m22)
	{
		const double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
		w = (m.At(0, 2) - m.At(2, 0)) / s;
		x = (m.At(0, 1) + m.At(1, 0)) / s;
		y = 0.25 * s;
		z = (m.At(1, 2) + m.At(2, 1)) / s;
	}
	else
	{
		const double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
		w = (m.At(1, 0) - m.At(0, 1)) / s;
		x = (m.At(0, 2) + m.At(2, 0)) / s;
		y = (m.At(1, 2) + m.At(2, 1)) / s;
		z = 0.25 * s;
	}
	// The same rotation as the trace formula gives wherever that one is defined (w >= 0).
	const double sign = w < 0.0 ? -1.0 : 1.0;
	const double length = std::sqrt(x * x + y * y + z * z + w * w);
	return Quaternion(static_cast<float>(sign * x / length), static_cast<float>(sign * y / length),
		static_cast<float>(sign * z / length), static_cast<float>(sign * w / length));
}
