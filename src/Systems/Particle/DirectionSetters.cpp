#include "Systems/Particle/DirectionSetters.h"

#include "Components/Graphics/Camera.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/MathCommon.h"
#include "Utilities/Quaternion.h"

#include <cmath>

namespace PS
{
	namespace
	{
		// π / 4 as a float: the tilt k that reaches 45°.
		constexpr double kQuarterPi = 0.7853981852531433;

		bool IsZeroDirection(const Tuple3f& v)
		{
			return TupleMath::IsZeroLength<float>(v.Length());
		}

		// normalise(axis + k × (cos φ × Q + sin φ × P)) with P across the axis and Q = P × axis;
		// zero for a zero axis, whose normalisation would give the float maxima.
		Tuple3f TiltedAxis(const Tuple3f& axis, double k, double phi)
		{
			if (IsZeroDirection(axis))
				return Tuple3f();
			const Tuple3f p = PerpendicularVector(axis).Normalize();
			const Tuple3f q = Cross(p, axis);
			const Tuple3f across = q * static_cast<float>(std::cos(phi)) + p * static_cast<float>(std::sin(phi));
			return (axis + across * static_cast<float>(k)).Normalize();
		}

		double ConeTilt(float angle)
		{
			return angle * kDegreesToRadians / kQuarterPi;
		}
	}

	Tuple3f RandomInCone(const Tuple3f& axis, float angle)
	{
		const double phi = RandomAngle();
		const double k = Rand01() * ConeTilt(angle);
		return TiltedAxis(axis, k, phi);
	}

	void Spawn_Direction_Model::Apply(Particle& particle)
	{
		if (body != nullptr)
			particle.velocity = RotateToWorld(*body, modelDir);
	}

	void Spawn_Direction_Circle::Apply(Particle& particle)
	{
		if (body == nullptr)
			return;
		const Tuple3f right = RotateToWorld(*body, modelRight);
		const Tuple3f up = Cross(RotateToWorld(*body, modelDir), right);
		const double b = Step(dAngle);
		particle.velocity = up * static_cast<float>(std::cos(b)) + right * static_cast<float>(std::sin(b));
	}

	void Spawn_Direction_Camera_Radial::Apply(Particle& particle)
	{
		if (camera == nullptr)
			return;
		const Tuple3f& forward = camera->GetDirection();
		const Tuple3f push = forward * (2.0f * vel);
		const Tuple3f r = particle.position - camera->GetEyePosition();
		const Tuple3f across = r - forward * r.DotProduct(forward);
		particle.velocity = IsZeroDirection(across) ? push : Cross(across.Normalize(), forward) * vel + push;
	}

	void Spawn_Cone_Model::Apply(Particle& particle)
	{
		if (body != nullptr)
			particle.velocity = RandomInCone(RotateToWorld(*body, modelDir), angle);
	}

	void Spawn_Cone_Edge_Model::Apply(Particle& particle)
	{
		if (body != nullptr)
			particle.velocity = TiltedAxis(RotateToWorld(*body, modelDir), ConeTilt(angle), Step(dangle));
	}

	void Spawn_Cone_Camera::Apply(Particle& particle)
	{
		if (camera != nullptr)
			particle.velocity = RandomInCone(camera->GetDirection(), angle);
	}
}
