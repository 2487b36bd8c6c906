#include "Utilities/Quaternion.h"

#include <cmath>

namespace
{
	double Dot(const Quaternion& a, const Quaternion& b)
	{
		return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y + static_cast<double>(a.z) * b.z +
			static_cast<double>(a.w) * b.w;
	}

	double SquaredLength(const Quaternion& q)
	{
		return Dot(q, q);
	}

	Tuple3f VectorPart(const Quaternion& q)
	{
		return {q.x, q.y, q.z};
	}

	Quaternion PureQuaternion(const Tuple3f& v)
	{
		return {v.x, v.y, v.z, 0.0f};
	}
}

Quaternion& Quaternion::Normalize()
{
	Tuple4<float>::Normalize();
	return *this;
}

Quaternion Quaternion::Inverse() const
{
	return Conjugate() / static_cast<float>(SquaredLength(*this));
}

Quaternion Quaternion::operator*(const Quaternion& o) const
{
	const double ax = x, ay = y, az = z, aw = w;
	return {static_cast<float>(aw * o.x + ax * o.w + ay * o.z - az * o.y),
		static_cast<float>(aw * o.y - ax * o.z + ay * o.w + az * o.x),
		static_cast<float>(aw * o.z + ax * o.y - ay * o.x + az * o.w),
		static_cast<float>(aw * o.w - ax * o.x - ay * o.y - az * o.z)};
}

Quaternion Quaternion::operator/(float divisor) const
{
	return {TupleMath::GuardedDivide(x, divisor), TupleMath::GuardedDivide(y, divisor),
		TupleMath::GuardedDivide(z, divisor), w / divisor};
}

Quaternion& Quaternion::operator/=(float divisor)
{
	return *this = *this / divisor;
}

Quaternion Quaternion::Slerp(const Quaternion& from, const Quaternion& to, float t)
{
	double cosine = Dot(from, to);
	Quaternion target = to;
	if (cosine < 0.0)
	{
		cosine = -cosine;
		target.Negate();
	}
	double fromWeight = 1.0 - t;
	double toWeight = t;
	if (1.0 - cosine > kAngleEpsilon)
	{
		const double angle = std::acos(cosine);
		const double sine = std::sin(angle);
		fromWeight = std::sin((1.0 - t) * angle) / sine;
		toWeight = std::sin(t * angle) / sine;
	}
	return {static_cast<float>(fromWeight * from.x + toWeight * target.x),
		static_cast<float>(fromWeight * from.y + toWeight * target.y),
		static_cast<float>(fromWeight * from.z + toWeight * target.z),
		static_cast<float>(fromWeight * from.w + toWeight * target.w)};
}

Tuple3f Quaternion::Rotate(const Quaternion& q, const Tuple3f& v)
{
	return VectorPart(q * PureQuaternion(v) * q.Inverse());
}

Tuple3f Quaternion::InverseRotate(const Quaternion& q, const Tuple3f& v)
{
	return VectorPart(q.Inverse() * PureQuaternion(v) * q);
}

Quaternion QuaternionFromRotationVector(const Tuple3f& rotation)
{
	const double angle = rotation.Length();
	if (angle < kAngleEpsilon)
		return Quaternion();
	const double scale = std::sin(angle * 0.5) / angle;
	return {static_cast<float>(rotation.x * scale), static_cast<float>(rotation.y * scale),
		static_cast<float>(rotation.z * scale), static_cast<float>(std::cos(angle * 0.5))};
}

Tuple3f QuaternionToRotationVector(const Quaternion& q)
{
	const double length = std::sqrt(SquaredLength(q));
	// A zero quaternion holds no rotation; dividing by its length would give NaNs that end
	// up in saved files.
	if (length <= kDivisorEpsilon)
		return {};
	const Quaternion unit = q / static_cast<float>(length);
	const Tuple3f axis = VectorPart(unit);
	const double axisLength = axis.Length();
	if (axisLength < kAngleEpsilon)
		return {};
	const double scale = 2.0 * std::acos(static_cast<double>(unit.w)) / axisLength;
	return {static_cast<float>(axis.x * scale), static_cast<float>(axis.y * scale), static_cast<float>(axis.z * scale)};
}

namespace
{
	constexpr float kDegreesPerRadian = 57.29578f;
	constexpr float kRadiansPerDegree = 0.017453292f;

	Tuple3f Scaled(const Tuple3f& v, float factor)
	{
		return Tuple3f(v.x * factor, v.y * factor, v.z * factor);
	}
}

Quaternion QuaternionFromDegreesVector(const Tuple3f& degrees)
{
	return QuaternionFromRotationVector(Scaled(degrees, kRadiansPerDegree));
}

Tuple3f QuaternionToDegreesVector(const Quaternion& q)
{
	return Scaled(QuaternionToRotationVector(q), kDegreesPerRadian);
}

Quaternion QuaternionFromTo(const Tuple3f& from, const Tuple3f& to)
{
	Tuple3f axis;
	axis.CrossProduct(from, to);
	const double cosine = static_cast<double>(from.x) * to.x + static_cast<double>(from.y) * to.y +
		static_cast<double>(from.z) * to.z;
	const float w = static_cast<float>(1.0 + cosine);
	// Opposite vectors: any axis perpendicular to them turns one onto the other.
	if (w < kAngleEpsilon)
		axis = PerpendicularVector(to);
	const Quaternion q(axis.x, axis.y, axis.z, w);
	return q / static_cast<float>(q.Length());
}

Tuple3f PerpendicularVector(const Tuple3f& v)
{
	const float ax = std::fabs(v.x);
	const float ay = std::fabs(v.y);
	const float az = std::fabs(v.z);
	if (ay > ax && az > ax)
		return {0.0f, -v.z, v.y};
	if (ay <= ax && az > ay)
		return {v.z, 0.0f, -v.x};
	return {v.y, -v.x, 0.0f};
}
