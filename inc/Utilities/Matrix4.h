// Matrix4: a 4x4 float matrix stored row by row (element 4 * row + column) that multiplies
// column vectors, so a transform's translation sits in elements 3, 7 and 11. Transforms,
// rotations and inertia tensors of the renderer and the physics engine use it.
#pragma once

#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

struct Matrix4
{
	// Row by row; a default matrix is all zeros.
	float m[16]{};

	static Matrix4 Identity();

	float& operator[](int index) { return m[index]; }
	float operator[](int index) const { return m[index]; }
	float& At(int row, int column) { return m[4 * row + column]; }
	float At(int row, int column) const { return m[4 * row + column]; }

	Matrix4 operator*(const Matrix4& other) const;
	Matrix4 operator*(float scale) const;
	Matrix4 operator+(const Matrix4& other) const;
	// The point (x, y, z, 1) transformed: each component is a stored row times the point, summed in
	// double. Inline: the physics engine's support functions call it on every GJK and EPA step.
	Tuple3f operator*(const Tuple3f& point) const
	{
		Tuple3f result;
		for (int row = 0; row < 3; ++row)
			result[row] = static_cast<float>(static_cast<double>(At(row, 0)) * point.x +
				static_cast<double>(At(row, 1)) * point.y + static_cast<double>(At(row, 2)) * point.z + At(row, 3));
		return result;
	}
	bool operator==(const Matrix4&) const = default;

	[[nodiscard]] Matrix4 Transpose() const;
	double Determinant() const;
	// The cofactor inverse; all zeros (not the identity) when the determinant's magnitude is
	// at or below 1e-5, so a tiny body's inverse inertia makes it not turn.
	[[nodiscard]] Matrix4 Inverse() const;

	// Rotation by angle radians about a unit axis (not normalised here); an angle below 1e-4
	// in magnitude gives the identity.
	static Matrix4 FromAxisAngle(const Tuple3f& axis, float angle);
	// The rotation matrix of q (q is not normalised), element 15 = 1.
	static Matrix4 FromRotation(const Quaternion& q);
	// Translation x rotation x scale: the local-to-world transform.
	static Matrix4 FromTransform(const Tuple3f& position, const Tuple3f& scale, const Quaternion& q);
	// Scale x inverse rotation, no translation: the matching world-to-local map of directions.
	static Matrix4 FromInverseTransform(const Quaternion& q, const Tuple3f& scale);
	// Fills the first two with the rotation of q in column order (its transpose) and the third
	// in row order.
	static void FromRotationAndTranspose(const Quaternion& q, Matrix4& columnOrder, Matrix4& columnOrderCopy,
		Matrix4& rowOrder);
	// r x m x transpose(r): a tensor m expressed in the frame that r rotates into.
	static Matrix4 SimilarityTransform(const Matrix4& m, const Matrix4& r);
};

// The rotation of a matrix's upper 3x3 as a unit quaternion with w >= 0; stable near half turns.
Quaternion QuaternionFromRotationMatrix(const Matrix4& m);
