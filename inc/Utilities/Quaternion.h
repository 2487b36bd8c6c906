// Quaternion: an orientation held in a Tuple4<float> (x, y, z the vector part, w the scalar
// part; identity (0, 0, 0, 1)), with the conversions to and from rotation vectors (axis
// times angle in radians) in which files and messages carry rotations.
#pragma once

#include "Utilities/Tuple.h"

class Quaternion : public Tuple4<float>
{
public:
	constexpr Quaternion() : Tuple4<float>(0.0f, 0.0f, 0.0f, 1.0f) {}
	constexpr Quaternion(float x, float y, float z, float w) : Tuple4<float>(x, y, z, w) {}
	constexpr Quaternion(const Tuple4<float>& components) : Tuple4<float>(components) {}

	// In place; a zero length gives the signed maxima.
	Quaternion& Normalize();

	Quaternion Conjugate() const { return {-x, -y, -z, w}; }
	// The conjugate divided by the squared length.
	Quaternion Inverse() const;

	// Hamilton product: the rotation of other followed by this one.
	Quaternion operator*(const Quaternion& other) const;
	using Tuple4<float>::operator*;

	// Each component divided; a divisor at or below FLT_EPSILON in magnitude gives x, y, z
	// their signed maxima, while w is still divided.
	Quaternion operator/(float divisor) const;
	Quaternion& operator/=(float divisor);

	// Interpolates along the shorter arc (to is flipped when the two point apart); the
	// result is not renormalised. t = 0 gives from.
	static Quaternion Slerp(const Quaternion& from, const Quaternion& to, float t);
	// v rotated by q: the vector part of q (0, v) q^-1.
	static Tuple3f Rotate(const Quaternion& q, const Tuple3f& v);
	// v rotated by the inverse of q: the vector part of q^-1 (0, v) q.
	static Tuple3f InverseRotate(const Quaternion& q, const Tuple3f& v);
};

// A rotation vector shorter than 1e-4 gives exactly the identity.
Quaternion QuaternionFromRotationVector(const Tuple3f& rotation);
// Axis times angle in radians (angle in [0, 2 pi]); (0, 0, 0) for no rotation.
Tuple3f QuaternionToRotationVector(const Quaternion& q);
// The same with the angle in degrees, as files write rotations.
Quaternion QuaternionFromDegreesVector(const Tuple3f& degrees);
Tuple3f QuaternionToDegreesVector(const Quaternion& q);
// Degrees as a file gave them, kept beside the orientation they made. Converting an orientation
// back to degrees can move the last written digit, and a file loaded and saved again without
// edits must come out as it was; an orientation changed since is written from its quaternion.
class DegreesAsRead
{
public:
	Quaternion Read(const Tuple3f& degrees)
	{
		read = degrees;
		made = QuaternionFromDegreesVector(degrees);
		return made;
	}
	Tuple3f Of(const Quaternion& orientation) const
	{
		return orientation == made ? read : QuaternionToDegreesVector(orientation);
	}

private:
	Tuple3f read;
	Quaternion made;
};
// The shortest-arc rotation turning unit vector from onto unit vector to.
Quaternion QuaternionFromTo(const Tuple3f& from, const Tuple3f& to);
// A vector perpendicular to v (not normalised).
Tuple3f PerpendicularVector(const Tuple3f& v);
